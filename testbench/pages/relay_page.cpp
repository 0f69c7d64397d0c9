#include "testbench/pages/relay_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "korvicard/KorviCardDriver.h"
#include "testbench/core/driver_text.h"
#include "testbench/core/guarded_run.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/handler_table.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/radio_group.h"
#include "testbench/core/widget_factory.h"

namespace bench {

namespace {

constexpr int kRelayTimeoutMs = 2000;
constexpr std::size_t kBlockSize = 16;
const char kDefaultPassword[] = "1357924680";
const QString kSwitchLine = QStringLiteral("调用KorviCardSetRelayStatus设置继电器");

HandlerRules RelayRules() {
    return {.timeoutMs = kRelayTimeoutMs,
            .beep = false,
            .afterFailure = ReaderAtEnd::kKeepOpen,
            .atNormalEnd = ReaderAtEnd::kKeepOpen};
}

QString Outcome(int result) {
    return result != 0 ? QStringLiteral("成功!") : QStringLiteral("失败!");
}

}  // namespace

RelayPage::RelayPage(BenchContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("TabSheet9"));
    BuildControls();
}

void RelayPage::BuildControls() {
    auto* page = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    page->addLayout(controls);

    auto* relays = MakeGroup(QStringLiteral("GroupBoxRelays"), QStringLiteral("继电器"), this);
    auto* relayGrid = new QGridLayout(relays);
    const QStringList states = {QStringLiteral("拉高"), QStringLiteral("拉低")};
    for (int n = 1; n <= kRelayCount; ++n) {
        auto* group = new RadioGroup(QStringLiteral("rgRelay%1").arg(n),
                                     QStringLiteral("继电器%1").arg(n), states, 0, relays);
        rgRelay[static_cast<std::size_t>(n - 1)] = group;
        relayGrid->addWidget(group, (n - 1) / 5, (n - 1) % 5);
        connect(group, &RadioGroup::clicked, this,
                [this, group] { RunGuarded(context_, [this, group] { rgRelay1Click(group); }); });
    }
    auto* passwordRow = new QGridLayout;
    edtReplayPassword =
        AddLabeledEdit(passwordRow, 0, 0, QStringLiteral("edtReplayPassword"),
                       QStringLiteral("操作密码："), QString::fromLatin1(kDefaultPassword), 32);
    btnGetRelayStatus =
        MakeButton(QStringLiteral("btnGetRelayStatus"), QStringLiteral("获取当前状态"), relays);
    btn232RelayHigh =
        MakeButton(QStringLiteral("btn232RelayHigh"), QStringLiteral("232继电器拉高"), relays);
    btn232RelayLow =
        MakeButton(QStringLiteral("btn232RelayLow"), QStringLiteral("232继电器拉低"), relays);
    passwordRow->addWidget(btnGetRelayStatus, 0, 2);
    passwordRow->addWidget(btn232RelayHigh, 0, 3);
    passwordRow->addWidget(btn232RelayLow, 0, 4);
    relayGrid->addLayout(passwordRow, 2, 0, 1, 5);
    controls->addWidget(relays);

    auto* initial =
        MakeGroup(QStringLiteral("GroupBoxRelayInit"), QStringLiteral("初始状态"), this);
    auto* initGrid = new QGridLayout(initial);
    for (int n = 1; n <= kRelayCount; ++n) {
        QCheckBox* box = MakeCheckBox(QStringLiteral("chkRelayInit%1").arg(n),
                                      QStringLiteral("继电器%1").arg(n), false, initial);
        initGrid->addWidget(box, (n - 1) / 2, (n - 1) % 2);
    }
    initGrid->addWidget(
        MakeLabel(QStringLiteral("lblRelayInitHint"), QStringLiteral("勾选表示拉高"), initial), 5,
        0, 1, 2);
    auto* restoreRow = new QGridLayout;
    edtResetInitStatus =
        AddLabeledEdit(restoreRow, 0, 0, QStringLiteral("edtResetInitStatus"),
                       QStringLiteral("恢复初始状态时长（0不处理单位秒）："), QStringLiteral("0"));
    initGrid->addLayout(restoreRow, 6, 0, 1, 2);
    btnGetRelayInit =
        MakeButton(QStringLiteral("btnGetRelayInit"), QStringLiteral("获取初始状态"), initial);
    btnSetRelayInit =
        MakeButton(QStringLiteral("btnSetRelayInit"), QStringLiteral("设置初始状态"), initial);
    initGrid->addWidget(btnGetRelayInit, 7, 0);
    initGrid->addWidget(btnSetRelayInit, 7, 1);
    controls->addWidget(initial);
    controls->addStretch();

    mmRelayLog = new LogMemo(QStringLiteral("mmRelayLog"), true, this);
    page->addWidget(mmRelayLog, 1);
    page->addWidget(MakeClearLogButton(QStringLiteral("btnClearRelayLog"), mmRelayLog, this), 0,
                    Qt::AlignRight);

    BindHandlers<RelayPage>(context_, this,
                            {
                                {btnGetRelayStatus, &RelayPage::btnGetRelayStatusClick},
                                {btnGetRelayInit, &RelayPage::btnGetRelayInitClick},
                                {btnSetRelayInit, &RelayPage::btnSetRelayInitClick},
                                {btn232RelayHigh, &RelayPage::btn232RelayHighClick},
                                {btn232RelayLow, &RelayPage::btn232RelayLowClick},
                            });
}

QByteArray RelayPage::RelayPassword() const { return GbkOrThrow(edtReplayPassword->text()); }

void RelayPage::rgRelay1Click(RadioGroup* sender) {
    if (relayClickGuard_ == 1) return;
    const QByteArray password = RelayPassword();
    HandlerRun run(context_, *mmRelayLog, RelayRules());
    const int n = sender->objectName().mid(7).toInt();
    if (!run.Begin()) {
        run.Log(QStringLiteral("打开设备失败!"));
        return;
    }
    const bool high = sender->ItemIndex() == 0;
    const int result =
        KorviCardSetRelayStatus(run.handle(), n - 1, high ? 1 : 0, password.constData());
    run.Log(kSwitchLine + QString::number(n) +
            (high ? QStringLiteral("拉高") : QStringLiteral("拉低")) + Outcome(result));
    run.Succeed();
}

void RelayPage::btnGetRelayStatusClick() {
    relayClickGuard_ = 1;
    rgRelay[0]->SetItemIndex(1);
    relayClickGuard_ = 0;
}

void RelayPage::btnGetRelayInitClick() {
    HandlerRun run(context_, *mmRelayLog, RelayRules());
    if (!run.Begin()) {
        run.Log(QStringLiteral("打开设备失败!"));
        return;
    }
    std::uint8_t states[kBlockSize] = {};
    std::uint8_t password[kBlockSize] = {};
    unsigned int seconds = 0;
    if (KorviCardGetRelayInitStatus(run.handle(), states, password, &seconds) == 0) {
        run.Fail(QStringLiteral("KorviCardGetRelayInitStatus 执行失败!"));
        return;
    }
    for (int n = 1; n <= kRelayCount; ++n) {
        if (auto* box = findChild<QCheckBox*>(QStringLiteral("chkRelayInit%1").arg(n))) {
            box->setChecked(states[n - 1] != 0);
        }
    }
    edtResetInitStatus->setText(QString::number(seconds));
    run.Log(QStringLiteral("KorviCardGetRelayInitStatus 执行成功!"));
    run.Succeed();
}

void RelayPage::btnSetRelayInitClick() {
    const int seconds = DecimalTextToValue(edtResetInitStatus->text());
    if (seconds < 0) {
        throw ConversionError(
            QStringLiteral("“%1”不是有效的整数值").arg(edtResetInitStatus->text()));
    }
    std::uint8_t states[kBlockSize] = {};
    for (int n = 1; n <= kRelayCount; ++n) {
        const auto* box = findChild<QCheckBox*>(QStringLiteral("chkRelayInit%1").arg(n));
        states[n - 1] = box != nullptr && box->isChecked() ? 1 : 0;
    }
    std::fill(std::begin(states) + kRelayCount, std::end(states), 1);
    std::uint8_t password[kBlockSize] = {};
    std::copy_n(kDefaultPassword, sizeof kDefaultPassword - 1, password);

    HandlerRun run(context_, *mmRelayLog, RelayRules());
    if (!run.Begin()) {
        run.Log(QStringLiteral("打开设备失败!"));
        return;
    }
    const int result = KorviCardSetRelayInitStatus(run.handle(), states, password,
                                                   static_cast<unsigned int>(seconds));
    run.Log(QStringLiteral("KorviCardSetRelayInitStatus 执行") + Outcome(result));
    run.Succeed();
}

void RelayPage::btn232RelayHighClick() { Set232Relay(1); }

void RelayPage::btn232RelayLowClick() { Set232Relay(0); }

void RelayPage::Set232Relay(int state) {
    const QByteArray password = RelayPassword();
    HandlerRun run(context_, *mmRelayLog, RelayRules());
    if (!run.Begin()) return;
    const int result = KorviCardSetRelayStatus(run.handle(), 0, state, password.constData());
    run.Log(kSwitchLine + Outcome(result));
    run.Succeed();
}

}  // namespace bench
