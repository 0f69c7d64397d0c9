#include "testbench/pages/contact_card_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <cstring>

#include "testbench/core/apdu_text.h"
#include "testbench/core/bench_context.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"
#include "testbench/pages/contact_card_rules.h"

namespace bench {

namespace {

constexpr int kColumns = 6;
const QString kDefaultPin = QStringLiteral("E7E7E7");
const QString kCardNumberOnly = QStringLiteral("CARDNO");

// Supply select levels (line 0, line 1) by the voltage list's index: 5.0 V, 3.0 V, 1.8 V.
constexpr std::array<std::array<int, 2>, 3> kVoltageLines = {{{0, 1}, {1, 0}, {1, 1}}};

// The text without leading and trailing blanks and control characters.
QString TrimControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= 0x20) ++first;
    while (last > first && text[last - 1].unicode() <= 0x20) --last;
    return text.mid(first, last - first);
}

}  // namespace

ContactCardPage::ContactCardPage(BenchContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("TabSheet8"));
    BuildControls();
}

void ContactCardPage::BuildControls() {
    auto* page = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    page->addLayout(grid);
    for (int column = 0; column < kColumns; ++column) grid->setColumnStretch(column, 1);

    edtSamApdu = AddLabeledEdit(grid, 0, 0, QStringLiteral("edtSamApdu"),
                                QStringLiteral("APDU指令："), QStringLiteral("A0A40000023F00"));
    grid->removeWidget(edtSamApdu);
    grid->addWidget(edtSamApdu, 0, 1, 1, 3);
    cmbSamSlotIndex = AddLabeledCombo(grid, 1, 0, QStringLiteral("cmbSamSlotIndex"),
                                      QStringLiteral("插槽索引："));
    cmbSamSlotIndex->addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                               QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("EX")});
    cmbSamSlotIndex->setCurrentIndex(0);
    cmb7816Voltage =
        AddLabeledCombo(grid, 1, 2, QStringLiteral("cmb7816Voltage"), QStringLiteral("电压："));
    cmb7816Voltage->addItems(
        {QStringLiteral("5.0V"), QStringLiteral("3.0V"), QStringLiteral("1.8V")});
    cmb7816Voltage->setCurrentIndex(0);
    edtCardPassword = AddLabeledEdit(grid, 2, 0, QStringLiteral("edtCardPassword"),
                                     QStringLiteral("加油卡片密码："), kDefaultPin, 6);
    chkOnlyCardNo =
        MakeCheckBox(QStringLiteral("chkOnlyCardNo"), QStringLiteral("只读卡号"), false, this);
    chkSSCCardUse7816 =
        MakeCheckBox(QStringLiteral("chkSSCCardUse7816"), QStringLiteral("7816"), true, this);
    grid->addWidget(chkOnlyCardNo, 2, 2);
    grid->addWidget(chkSSCCardUse7816, 2, 3);

    struct Entry {
        QPushButton* ContactCardPage::*field;
        const char* name;
        const char* text;
        void (ContactCardPage::*handler)();
    };
    const Entry buttons[] = {
        {&ContactCardPage::btnSetSamSlotIndex, "btnSetSamSlotIndex", "设置插槽索引",
         &ContactCardPage::btnSetSamSlotIndexClick},
        {&ContactCardPage::btnSamPowerOn, "btnSamPowerOn", "卡片上电",
         &ContactCardPage::btnSamPowerOnClick},
        {&ContactCardPage::btnSamPowerOff, "btnSamPowerOff", "卡片下电",
         &ContactCardPage::btnSamPowerOffClick},
        {&ContactCardPage::btnResetSam, "btnResetSam", "卡片复位",
         &ContactCardPage::btnResetSamClick},
        {&ContactCardPage::btnSendSamAPDU, "btnSendSamAPDU", "执行APDU指令",
         &ContactCardPage::btnSendSamAPDUClick},
        {&ContactCardPage::btnSet7816Voltage, "btnSet7816Voltage", "设置电压",
         &ContactCardPage::btnSet7816VoltageClick},
        {&ContactCardPage::btnSimIsWhite, "btnSimIsWhite", "SIM卡空卡判断",
         &ContactCardPage::btnSimIsWhiteClick},
        {&ContactCardPage::btnSimCardNo, "btnSimCardNo", "SIM卡卡号",
         &ContactCardPage::btnSimCardNoClick},
        {&ContactCardPage::btnGetBankCardNoBy7816, "btnGetBankCardNoBy7816", "银行卡号",
         &ContactCardPage::btnGetBankCardNoBy7816Click},
        {&ContactCardPage::btnGetSSCCardInfo, "btnGetSSCCardInfo", "社保卡信息",
         &ContactCardPage::btnGetSSCCardInfoClick},
        {&ContactCardPage::btnGetSSCCardInfoV3, "btnGetSSCCardInfoV3", "社保卡信息V3",
         &ContactCardPage::btnGetSSCCardInfoV3Click},
        {&ContactCardPage::btnTestICC, "btnTestICC", "社保卡DLL测试",
         &ContactCardPage::btnTestICCClick},
        {&ContactCardPage::btnSinopec, "btnSinopec", "中石化", &ContactCardPage::btnSinopecClick},
        {&ContactCardPage::btnPetroChina, "btnPetroChina", "中石油",
         &ContactCardPage::btnPetroChinaClick},
    };
    int cell = 0;
    for (const Entry& entry : buttons) {
        QPushButton* button =
            MakeButton(QString::fromUtf8(entry.name), QString::fromUtf8(entry.text), this);
        this->*entry.field = button;
        OnClick(button, context_, [this, handler = entry.handler] { (this->*handler)(); });
        grid->addWidget(button, 3 + cell / kColumns, cell % kColumns);
        ++cell;
    }
    const Entry hidden[] = {
        {&ContactCardPage::btnSam5VPowerOn, "btnSam5VPowerOn", "5V拉低", nullptr},
        {&ContactCardPage::btnSam5VPowerOff, "btnSam5VPowerOff", "5V拉高", nullptr},
        {&ContactCardPage::btnSam3VPowerOn, "btnSam3VPowerOn", "3.3V拉低", nullptr},
        {&ContactCardPage::btnSam3VPowerOff, "btnSam3VPowerOff", "3.3V拉高", nullptr},
    };
    for (const Entry& entry : hidden) {
        QPushButton* button =
            MakeButton(QString::fromUtf8(entry.name), QString::fromUtf8(entry.text), this);
        button->setVisible(false);
        this->*entry.field = button;
    }

    mmSamLog = new LogMemo(QStringLiteral("mmSamLog"), true, this);
    page->addWidget(mmSamLog, 1);
    btnClearSamLog = MakeClearLogButton(QStringLiteral("btnClearSamLog"), mmSamLog, this);
    page->addWidget(btnClearSamLog, 0, Qt::AlignRight);

    connect(chkOnlyCardNo, &QCheckBox::clicked, this, &ContactCardPage::chkOnlyCardNoClick);
}

void ContactCardPage::chkOnlyCardNoClick() {
    edtCardPassword->setText(chkOnlyCardNo->isChecked() ? kCardNumberOnly : kDefaultPin);
}

bool ContactCardPage::SetPower(HandlerRun& run, bool on) {
    const QString state = on ? QStringLiteral("上电") : QStringLiteral("下电");
    if (!run.Expect(
            KorviCardSetSamPowerOnOff(run.handle(), on ? 1 : 0),
            QStringLiteral("调用KorviCardSetSamPowerOnOff ") + state + QStringLiteral("失败!"))) {
        return false;
    }
    run.Log(QStringLiteral("调用KorviCardSetSamPowerOnOff") + state + QStringLiteral("成功!"));
    return true;
}

bool ContactCardPage::ResetStep(HandlerRun& run) {
    KorviCardParam& p = run.Param();
    if (!run.Check(QStringLiteral("KorviCardResetSam"), KorviCardResetSam(run.handle(), &p))) {
        return false;
    }
    run.Log(QStringLiteral("ATR：") + BoundedHex(p.arrBuffer, sizeof p.arrBuffer, p.nBufferSize));
    return true;
}

bool ContactCardPage::SendSamApduHex(HandlerRun& run, const QString& text) {
    KorviCardParam& p = run.Param();
    constexpr qsizetype kRoom = sizeof p.arrCosSendBuffer;
    const qsizetype bytes = ApduByteCount(text);
    if (bytes == 0) return false;
    if (bytes > kRoom) {
        run.Fail(ApduTooLongLine(bytes, kRoom));
        return false;
    }
    int count = 0;
    HexToBytes(text, p.arrCosSendBuffer, static_cast<int>(text.size()), count);
    p.unCosSendBufferLength = static_cast<std::uint32_t>(count);
    p.nBufferSize = 0;
    run.Log(QStringLiteral("开始执行指令:") + text);
    if (!run.Check(QStringLiteral("KorviCardSendSamAPDU"),
                   KorviCardSendSamAPDU(run.handle(), &p))) {
        return false;
    }
    run.Log(QStringLiteral("返回值：") + BoundedHex(p.arrCosResultBuffer,
                                                    sizeof p.arrCosResultBuffer,
                                                    p.unCosReultBufferLength));
    return true;
}

void ContactCardPage::btnSetSamSlotIndexClick() {
    HandlerRun run(context_, *mmSamLog, SlotRules(nullptr));
    if (!run.Begin()) return;
    if (!run.Check(QStringLiteral("KorviCardSetSamSlotIndex"),
                   KorviCardSetSamSlotIndex(run.handle(), cmbSamSlotIndex->currentIndex()))) {
        return;
    }
    run.Succeed();
}

void ContactCardPage::btnSamPowerOnClick() {
    HandlerRun run(context_, *mmSamLog, SlotRules(nullptr));
    if (run.Begin() && SetPower(run, true)) run.Succeed();
}

void ContactCardPage::btnSamPowerOffClick() {
    HandlerRun run(context_, *mmSamLog, SlotRules(nullptr));
    if (run.Begin() && SetPower(run, false)) run.Succeed();
}

void ContactCardPage::btnResetSamClick() {
    HandlerRun run(context_, *mmSamLog, SlotRules(nullptr));
    if (run.Begin() && ResetStep(run)) run.Succeed();
}

void ContactCardPage::btnSendSamAPDUClick() {
    HandlerRun run(context_, *mmSamLog, SlotRules(btnSendSamAPDU));
    if (run.Begin() && SendSamApduHex(run, TrimControls(edtSamApdu->text()))) run.Succeed();
}

void ContactCardPage::RunSimSequence(std::initializer_list<const char*> apdus) {
    HandlerRun run(context_, *mmSamLog, SlotRules(nullptr));
    if (!run.Begin() || !ResetStep(run)) return;
    for (const char* apdu : apdus) {
        if (!SendSamApduHex(run, QString::fromLatin1(apdu))) return;
    }
    run.Succeed();
}

void ContactCardPage::btnSimIsWhiteClick() {
    RunSimSequence({"A0A40000023F00", "A0A40000027F20", "A0A40000026F07", "A0B0000009",
                    "A0A40000023F00", "A0A40000027FF0", "A0C0000016", "A0A40000026F07",
                    "A0B0000009"});
}

void ContactCardPage::btnSimCardNoClick() {
    RunSimSequence({"A0A40000023F00", "A0A40000022FE2", "A0B000000A"});
}

void ContactCardPage::btnSet7816VoltageClick() {
    HandlerRun run(context_, *mmSamLog, SlotRules(btnSet7816Voltage));
    if (!run.Begin()) return;
    const int h = run.handle();
    const int slot = cmbSamSlotIndex->currentIndex();
    if (!run.Check(QStringLiteral("KorviCardSetSamSlotIndex"), KorviCardSetSamSlotIndex(h, slot))) {
        return;
    }
    const int voltage = cmb7816Voltage->currentIndex();
    const auto& lines = kVoltageLines[static_cast<std::size_t>(voltage < 0 ? 0 : voltage)];
    if (KorviCardSetSamVSel0(h, slot, lines[0]) == 0 ||
        KorviCardSetSamVSel1(h, slot, lines[1]) == 0) {
        run.FailWithErrorText(QStringLiteral("调用电压设置失败!"));
        return;
    }
    WaitMilliseconds(20);
    run.Log(QStringLiteral("调用电压设置成功!"));
    if (!SetPower(run, false)) return;
    WaitMilliseconds(20);
    if (SetPower(run, true)) run.Succeed();
}

}  // namespace bench
