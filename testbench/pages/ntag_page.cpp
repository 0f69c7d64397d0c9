#include "testbench/pages/ntag_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>
#include <span>

#include "testbench/core/bench_context.h"
#include "testbench/core/card_type_line.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"
#include "testbench/pages/ntag_page_formats.h"

namespace bench {

namespace {

constexpr int kRowsPerColumn = 12;
constexpr int kFirstReadOnlyPage = 42;
constexpr int kFirstWritablePage = 4;
constexpr int kLastWritablePage = 39;
constexpr int kPauseMs = 1000;
constexpr std::array<std::uint8_t, 4> kPassword = {'5', '2', '0', '1'};
constexpr std::array<std::uint8_t, 4> kProtectFromPage4 = {0x04, 0x00, 0x00, 0x04};
constexpr std::array<std::uint8_t, 4> kProtectNothing = {0x04, 0x00, 0x00, 0xFF};

// Page `index` of a 16-byte read (four pages) as eight hexadecimal digits.
QString PageHex(const KorviCardParam& p, int index) {
    return BytesToHex(std::span<const std::uint8_t>(p.arrBuffer + 4 * index, 4), 4, false);
}

// The tag handlers: type A, the reader left open when the tag fails.
HandlerRules TagRules() {
    return {.timeoutMs = 0, .cardType = 'A', .afterFailure = ReaderAtEnd::kKeepOpen};
}

}  // namespace

NtagPage::NtagPage(BenchContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("TabSheet3"));
    BuildControls();
}

void NtagPage::BuildControls() {
    auto* page = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    page->addLayout(top);

    auto* pages = MakeGroup(QStringLiteral("gbNtagPages"), QStringLiteral("PAGE数据"), this);
    auto* pageGrid = new QGridLayout(pages);
    pageGrid->setVerticalSpacing(1);
    const QString sample = QStringLiteral("12345678");
    auto addPage = [&](int slot, int number) {
        QLineEdit* edit =
            AddLabeledEdit(pageGrid, slot % kRowsPerColumn, 2 * (slot / kRowsPerColumn),
                           QStringLiteral("edtPage%1").arg(number),
                           QStringLiteral("PAGE%1：").arg(number), sample, 8);
        edit->setFixedWidth(82);
        return edit;
    };
    for (int number = 0; number < kPageEdits; ++number) edtPage[number] = addPage(number, number);
    edtPage130 = addPage(kPageEdits, 130);
    edtPage226 = addPage(kPageEdits + 1, 226);
    for (int number = kFirstReadOnlyPage; number < kPageEdits; ++number) {
        edtPage[number]->setEnabled(false);
        edtPage[number]->setReadOnly(true);
    }
    for (QLineEdit* edit : {edtPage130, edtPage226}) {
        edit->setEnabled(false);
        edit->setReadOnly(true);
    }
    top->addWidget(pages);

    auto* side = new QVBoxLayout;
    top->addLayout(side, 1);
    auto* write = new QGridLayout;
    side->addLayout(write);
    cmbPageIndex =
        AddLabeledCombo(write, 0, 0, QStringLiteral("cmbPageIndex"), QStringLiteral("PAGE索引："));
    for (int number = kFirstWritablePage; number <= kLastWritablePage; ++number) {
        cmbPageIndex->addItem(QString::number(number));
    }
    cmbPageIndex->setCurrentIndex(0);
    edtPageData = AddLabeledEdit(write, 1, 0, QStringLiteral("edtPageData"),
                                 QStringLiteral("PAGE数据："), QStringLiteral("00000000"));
    auto* warning =
        MakeLabel(QStringLiteral("lblNtagWarning"),
                  QStringLiteral("特别提示【为了避免设置成只读PAGE索引为4至39】"), this);
    warning->setWordWrap(true);
    side->addWidget(warning);
    btnReadNtag203 =
        MakeButton(QStringLiteral("btnReadNtag203"), QStringLiteral("读取NTAG203"), this);
    btnWriteNtag203 =
        MakeButton(QStringLiteral("btnWriteNtag203"), QStringLiteral("写入NTAG203"), this);
    btnNtagGetVersion = MakeButton(QStringLiteral("btnNtagGetVersion"),
                                   QStringLiteral("获取NTAG21x版本信息"), this);
    btnLockNtag21x =
        MakeButton(QStringLiteral("btnLockNtag21x"), QStringLiteral("NTAG21X加密"), this);
    btnNtagPwdAuth =
        MakeButton(QStringLiteral("btnNtagPwdAuth"), QStringLiteral("NTAG21X验证密码"), this);
    btnUnlockNtag21x =
        MakeButton(QStringLiteral("btnUnlockNtag21x"), QStringLiteral("NTAG21X解密"), this);
    for (QPushButton* button : {btnReadNtag203, btnWriteNtag203, btnNtagGetVersion, btnLockNtag21x,
                                btnNtagPwdAuth, btnUnlockNtag21x}) {
        side->addWidget(button);
    }
    side->addStretch();

    mmNtagLog = new LogMemo(QStringLiteral("mmNtagLog"), true, this);
    page->addWidget(mmNtagLog, 1);
    btnClearNtag203Log = MakeClearLogButton(QStringLiteral("btnClearNtag203Log"), mmNtagLog, this);
    page->addWidget(btnClearNtag203Log, 0, Qt::AlignRight);

    const std::pair<QPushButton*, void (NtagPage::*)()> handlers[] = {
        {btnReadNtag203, &NtagPage::btnReadNtag203Click},
        {btnWriteNtag203, &NtagPage::btnWriteNtag203Click},
        {btnNtagGetVersion, &NtagPage::btnNtagGetVersionClick},
        {btnLockNtag21x, &NtagPage::btnLockNtag21xClick},
        {btnNtagPwdAuth, &NtagPage::btnNtagPwdAuthClick},
        {btnUnlockNtag21x, &NtagPage::btnUnlockNtag21xClick},
    };
    for (const auto& [button, handler] : handlers) {
        OnClick(button, context_, [this, handler = handler] { (this->*handler)(); });
    }
}

bool NtagPage::OpenTag(HandlerRun& run) {
    if (!run.Begin()) return false;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardRequest(h, 0x26, &p), QStringLiteral("调用KorviCardRequest失败!"))) {
        return false;
    }
    run.Log(CardTypeLine(p));
    if (!run.Expect(KorviCardAnticoll(h, &p), QStringLiteral("调用KorviCardAnticoll失败!"))) {
        return false;
    }
    for (const QString& line : NtagUidLines(p.arrCardNo)) run.Log(line);
    return true;
}

void NtagPage::FinishRun(HandlerRun& run) {
    ProcessPendingMessages();
    WaitMilliseconds(kPauseMs);
    run.Succeed();
}

void NtagPage::btnReadNtag203Click() {
    HandlerRun run(context_, *mmNtagLog, TagRules());
    if (!OpenTag(run)) return;
    const int h = run.handle();
    KorviCardParam& p = run.Record();
    for (int first = 0; first < kPageEdits; first += 4) {
        if (!run.Expect(KorviCardRead(h, first, &p), QStringLiteral("调用KorviCardRead失败!"))) {
            return;
        }
        for (int k = 0; k < 4 && first + k < kPageEdits; ++k) {
            edtPage[first + k]->setText(PageHex(p, k));
        }
    }
    // Pages 130 and 226 are the third of the four pages read from 128 and 224.
    for (const auto& [first, edit] : {std::pair{128, edtPage130}, std::pair{224, edtPage226}}) {
        if (!run.Expect(KorviCardRead(h, first, &p),
                        QStringLiteral("调用KorviCardRead读取128PAGE失败!"))) {
            return;
        }
        edit->setText(PageHex(p, 2));
    }
    FinishRun(run);
}

bool NtagPage::WritePage(HandlerRun& run, int page, const PageBytes& bytes) {
    KorviCardParam& p = run.Record();
    std::memset(p.arrBuffer, 0, sizeof p.arrBuffer);
    std::memcpy(p.arrBuffer, bytes.data(), bytes.size());
    p.nBufferSize = 16;
    if (!run.Expect(KorviCardWrite(run.handle(), page, &p),
                    QStringLiteral("调用KorviCardWrite写入PAGE%1失败!").arg(page))) {
        return false;
    }
    run.Log(QStringLiteral("调用KorviCardWrite成功 写入PAGE%1!").arg(page));
    return true;
}

void NtagPage::btnWriteNtag203Click() {
    const auto value = NtagPageValue(edtPageData->text());
    if (!value) {
        mmNtagLog->AddLog(QStringLiteral("写入Page数据有误！非16进制数据！"));
        return;
    }
    HandlerRun run(context_, *mmNtagLog, TagRules());
    const int page = cmbPageIndex->currentIndex() + kFirstWritablePage;
    if (!OpenTag(run) || !WritePage(run, page, *value)) return;
    FinishRun(run);
}

bool NtagPage::ReadVersion(HandlerRun& run, const NtagModel*& model) {
    if (!OpenTag(run)) return false;
    std::uint8_t version[8] = {};
    if (!run.Expect(
            KorviCardNtagGetVersion(run.handle(), version, static_cast<int>(sizeof version)),
            QStringLiteral("调用KorviCardNtagGetVersion失败!"))) {
        return false;
    }
    run.Log(QStringLiteral("版本信息：") + BytesToHex(version, sizeof version, true));
    model = FindNtagModel(version[6]);
    run.Log(NtagModelLine(model));
    return true;
}

bool NtagPage::PwdAuth(HandlerRun& run) {
    return run.Check(
        QStringLiteral("KorviCardNtagPwdAuth"),
        KorviCardNtagPwdAuth(run.handle(), kPassword.data(), static_cast<int>(kPassword.size())));
}

void NtagPage::btnNtagGetVersionClick() {
    HandlerRun run(context_, *mmNtagLog, TagRules());
    const NtagModel* model = nullptr;
    if (!ReadVersion(run, model)) return;
    ProcessPendingMessages();
    run.Succeed();
}

void NtagPage::btnLockNtag21xClick() {
    HandlerRun run(context_, *mmNtagLog, TagRules());
    const NtagModel* model = nullptr;
    if (!ReadVersion(run, model) || model == nullptr ||
        !WritePage(run, model->passwordPage, kPassword) ||
        !WritePage(run, model->configPage, kProtectFromPage4)) {
        return;
    }
    FinishRun(run);
}

void NtagPage::btnNtagPwdAuthClick() {
    HandlerRun run(context_, *mmNtagLog, TagRules());
    const NtagModel* model = nullptr;
    if (!ReadVersion(run, model) || model == nullptr || !PwdAuth(run)) return;
    FinishRun(run);
}

void NtagPage::btnUnlockNtag21xClick() {
    HandlerRun run(context_, *mmNtagLog, TagRules());
    const NtagModel* model = nullptr;
    if (!ReadVersion(run, model) || model == nullptr || !PwdAuth(run) ||
        !WritePage(run, model->configPage, kProtectNothing)) {
        return;
    }
    FinishRun(run);
}

}  // namespace bench
