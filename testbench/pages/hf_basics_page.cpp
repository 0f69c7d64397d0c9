#include "testbench/pages/hf_basics_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>
#include <vector>

#include "testbench/core/bench_context.h"
#include "testbench/core/card_type_line.h"
#include "testbench/core/error_texts.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/ip_address.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/polling_thread.h"
#include "testbench/core/reachability.h"
#include "testbench/core/type_b_id_sequence.h"
#include "testbench/core/widget_factory.h"

namespace bench {

namespace {

constexpr int kConnectionTestMs = 1000;
constexpr std::size_t kTextBufferSize = 256;
constexpr int kNfcBufferSize = 48;
const char kNfcText[] = "处处闻啼鸟";

// The first count bytes of a 64-byte answer buffer, bounded by the buffer.
QString BufferHex(const std::uint8_t* bytes, int count, std::size_t room, bool withBlank) {
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(room)));
    return BytesToHex(std::span<const std::uint8_t>(bytes, room), n, withBlank);
}

QString ArrBufferHex(const KorviCardParam& p, bool withBlank) {
    return BufferHex(p.arrBuffer, p.nBufferSize, sizeof p.arrBuffer, withBlank);
}

// Bits 8-7 of the ATQA's first byte give the UID size: 00 is a single-size UID (4 bytes).
bool HasSingleSizeUid(const KorviCardParam& p) { return (p.nCardType & 0xC0) == 0; }

}  // namespace

HfBasicsPage::HfBasicsPage(BenchContext& context, QWidget* parent)
    : QWidget(parent), context_(context), topRight_(new QVBoxLayout), bottomRow_(new QHBoxLayout) {
    setObjectName(QStringLiteral("TabSheet1"));
    BuildControls();
}

HfBasicsPage::~HfBasicsPage() { StopPollingThread(); }

void HfBasicsPage::PlaceNetworkGroups(QWidget* wifi, QWidget* ethernet) {
    // Each group goes first in its row, before the row's stretch. A widget the row holds
    // already is moved, not added twice, so placing the groups again changes nothing.
    bottomRow_->insertWidget(0, wifi);
    topRight_->insertWidget(0, ethernet);
}

void HfBasicsPage::BuildControls() {
    auto* page = new QVBoxLayout(this);
    // Above: the Mifare and CPU card groups, then the ETHERNET group (PlaceNetworkGroups).
    auto* controls = new QHBoxLayout;
    page->addLayout(controls);

    auto* m1 = MakeGroup(QStringLiteral("GroupBoxM1"), QStringLiteral("M1卡"), this);
    auto* m1Grid = new QGridLayout(m1);
    btnTestM1 = MakeButton(QStringLiteral("btnTestM1"), QStringLiteral("测试M1(DLL)"), m1);
    btnTestM1_OCX = MakeButton(QStringLiteral("btnTestM1_OCX"), QStringLiteral("测试M1(OCX)"), m1);
    btnTestM1_OCX->setVisible(false);
    m1Grid->addWidget(btnTestM1, 0, 0, 1, 2);
    m1Grid->addWidget(btnTestM1_OCX, 0, 2, 1, 2);
    cmbSectorList =
        AddLabeledCombo(m1Grid, 1, 0, QStringLiteral("cmbSectorList"), QStringLiteral("扇区："));
    for (int sector = 0; sector < 40; ++sector) cmbSectorList->addItem(QString::number(sector));
    cmbSectorList->setCurrentIndex(0);
    const QString transportKey = QStringLiteral("FFFFFFFFFFFF");
    edtOldAPassWrod = AddLabeledEdit(m1Grid, 2, 0, QStringLiteral("edtOldAPassWrod"),
                                     QStringLiteral("原密码A："), transportKey, 12);
    edtNewAPassWord = AddLabeledEdit(m1Grid, 3, 0, QStringLiteral("edtNewAPassWord"),
                                     QStringLiteral("新密码A："), transportKey, 12);
    edtOldBPassWrod = AddLabeledEdit(m1Grid, 4, 0, QStringLiteral("edtOldBPassWrod"),
                                     QStringLiteral("原密码B："), transportKey, 12);
    edtNewBPassWord = AddLabeledEdit(m1Grid, 5, 0, QStringLiteral("edtNewBPassWord"),
                                     QStringLiteral("新密码B："), transportKey, 12);
    btnChangePassWord =
        MakeButton(QStringLiteral("btnChangePassWord"), QStringLiteral("修改密码"), m1);
    m1Grid->addWidget(btnChangePassWord, 6, 0, 1, 2);
    edtTextInfo = AddLabeledEdit(m1Grid, 7, 0, QStringLiteral("edtTextInfo"),
                                 QStringLiteral("文本信息："), QString());
    btnReadTextInfo = MakeButton(QStringLiteral("btnReadTextInfo"), QStringLiteral("读文本"), m1);
    btnWriteTextInfo = MakeButton(QStringLiteral("btnWriteTextInfo"), QStringLiteral("写文本"), m1);
    m1Grid->addWidget(btnReadTextInfo, 8, 0);
    m1Grid->addWidget(btnWriteTextInfo, 8, 1);
    controls->addWidget(m1);

    auto* cpu = MakeGroup(QStringLiteral("GroupBoxCpu"), QStringLiteral("CPU卡"), this);
    auto* cpuGrid = new QGridLayout(cpu);
    btnDeselectCpuCard =
        MakeButton(QStringLiteral("btnDeselectCpuCard"), QStringLiteral("CPU卡取消激活"), cpu);
    btnRestCpuCard = MakeButton(QStringLiteral("btnRestCpuCard"), QStringLiteral("CPU卡复位"), cpu);
    cpuGrid->addWidget(btnRestCpuCard, 0, 0);
    cpuGrid->addWidget(btnDeselectCpuCard, 0, 1);
    edtCOSCommand = AddLabeledEdit(cpuGrid, 1, 0, QStringLiteral("edtCOSCommand"),
                                   QStringLiteral("COS指令："), QStringLiteral("0084000004"));
    chkTypeB = MakeCheckBox(QStringLiteral("chkTypeB"), QStringLiteral("二代证"), false, cpu);
    btnExecCOSCommand =
        MakeButton(QStringLiteral("btnExecCOSCommand"), QStringLiteral("执行COS"), cpu);
    cpuGrid->addWidget(chkTypeB, 2, 0);
    cpuGrid->addWidget(btnExecCOSCommand, 2, 1);
    btnEasyApiTest =
        MakeButton(QStringLiteral("btnEasyApiTest"), QStringLiteral("简易API测试"), cpu);
    btnTestUltraLight =
        MakeButton(QStringLiteral("btnTestUltraLight"), QStringLiteral("测试UltraLight"), cpu);
    btnFelicaPolling =
        MakeButton(QStringLiteral("btnFelicaPolling"), QStringLiteral("Felica寻卡"), cpu);
    btnNfcCard = MakeButton(QStringLiteral("btnNfcCard"), QStringLiteral("手机NFC"), cpu);
    btnTestDESfire =
        MakeButton(QStringLiteral("btnTestDESfire"), QStringLiteral("测试DESfire/PLUS"), cpu);
    cpuGrid->addWidget(btnEasyApiTest, 3, 0);
    cpuGrid->addWidget(btnTestUltraLight, 3, 1);
    cpuGrid->addWidget(btnFelicaPolling, 4, 0);
    cpuGrid->addWidget(btnNfcCard, 4, 1);
    cpuGrid->addWidget(btnTestDESfire, 5, 0, 1, 2);
    controls->addWidget(cpu);

    topRight_->addStretch();
    controls->addLayout(topRight_);
    controls->addStretch();

    // Below: the WiFi group (placed by PlaceNetworkGroups), then the polling thread's group.
    page->addLayout(bottomRow_);
    auto* polling = MakeGroup(QStringLiteral("GroupBoxThread"), QStringLiteral("连续读卡"), this);
    auto* pollGrid = new QGridLayout(polling);
    btnGetCardNoStartThread = MakeButton(QStringLiteral("btnGetCardNoStartThread"),
                                         QStringLiteral("获取卡号线程启动"), polling);
    btnGetCardNoStopThread = MakeButton(QStringLiteral("btnGetCardNoStopThread"),
                                        QStringLiteral("获取卡号线程中止"), polling);
    chkTestId =
        MakeCheckBox(QStringLiteral("chkTestId"), QStringLiteral("线程测试二代证"), true, polling);
    chkCloseDevice = MakeCheckBox(QStringLiteral("chkCloseDevice"),
                                  QStringLiteral("线程执行关闭动作"), false, polling);
    btnGetCardNoEx =
        MakeButton(QStringLiteral("btnGetCardNoEx"), QStringLiteral("获取卡号扩展函数"), polling);
    lblCount = MakeLabel(QStringLiteral("lblCount"), QStringLiteral("计数："), polling);
    pollGrid->addWidget(btnGetCardNoStartThread, 0, 0);
    pollGrid->addWidget(btnGetCardNoStopThread, 1, 0);
    pollGrid->addWidget(btnGetCardNoEx, 2, 0);
    pollGrid->addWidget(chkTestId, 0, 1);
    pollGrid->addWidget(chkCloseDevice, 1, 1);
    pollGrid->addWidget(lblCount, 2, 1);
    bottomRow_->addWidget(polling);
    bottomRow_->addStretch();

    mmLog = new LogMemo(QStringLiteral("mmLog"), true, this);
    page->addWidget(mmLog, 1);
    btnClearLog = MakeClearLogButton(QStringLiteral("btnClearLog"), mmLog, this);
    page->addWidget(btnClearLog, 0, Qt::AlignRight);

    connect(chkTestId, &QCheckBox::toggled, this, [this](bool on) { testId_.store(on); });
    connect(chkCloseDevice, &QCheckBox::toggled, this, [this](bool on) { closeDevice_.store(on); });

    const std::pair<QPushButton*, void (HfBasicsPage::*)()> handlers[] = {
        {btnTestM1, &HfBasicsPage::btnTestM1Click},
        {btnTestM1_OCX, &HfBasicsPage::btnTestM1_OCXClick},
        {btnChangePassWord, &HfBasicsPage::btnChangePassWordClick},
        {btnDeselectCpuCard, &HfBasicsPage::btnDeselectCpuCardClick},
        {btnRestCpuCard, &HfBasicsPage::btnRestCpuCardClick},
        {btnExecCOSCommand, &HfBasicsPage::btnExecCOSCommandClick},
        {btnEasyApiTest, &HfBasicsPage::btnEasyApiTestClick},
        {btnTestUltraLight, &HfBasicsPage::btnTestUltraLightClick},
        {btnReadTextInfo, &HfBasicsPage::btnReadTextInfoClick},
        {btnWriteTextInfo, &HfBasicsPage::btnWriteTextInfoClick},
        {btnFelicaPolling, &HfBasicsPage::btnFelicaPollingClick},
        {btnNfcCard, &HfBasicsPage::btnNfcCardClick},
        {btnTestDESfire, &HfBasicsPage::btnTestDESfireClick},
        {btnGetCardNoStartThread, &HfBasicsPage::btnGetCardNoStartThreadClick},
        {btnGetCardNoStopThread, &HfBasicsPage::btnGetCardNoStopThreadClick},
        {btnGetCardNoEx, &HfBasicsPage::btnGetCardNoExClick},
    };
    for (const auto& [button, handler] : handlers) {
        OnClick(button, context_, [this, handler = handler] { (this->*handler)(); });
    }
}

void HfBasicsPage::btnTestM1Click() {
    HandlerRun run(context_, *mmLog, {.timeoutMs = 2000, .button = btnTestM1, .cardType = 'A'});
    if (!run.Begin()) return;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Check(QStringLiteral("KorviCardGetCardNo"), KorviCardGetCardNo(h, 0x26, &p))) return;
    LogCardNumber32(*mmLog, p);
    if (p.nCardType == 2) {
        run.Log(QStringLiteral("发现S70卡"));
    } else if (p.nCardType == 4) {
        run.Log(QStringLiteral("发现S50卡"));
    } else {
        run.Fail(QStringLiteral("非S50/S70卡!"));
        return;
    }
    SetTransportKey(p);
    if (!run.Check(QStringLiteral("KorviCardLoadKey"), KorviCardLoadKey(h, 0x60, 0, &p),
                   QStringLiteral("装载密码成功！")) ||
        !run.Check(QStringLiteral("KorviCardAuthentication"),
                   KorviCardAuthentication(h, 0x60, 0, &p), QStringLiteral("验证密码成功！"))) {
        return;
    }
    for (int pass = 0; pass < 2; ++pass) {
        if (!run.Expect(KorviCardRead(h, 1, &p), QStringLiteral("调用KorviCardRead失败!"))) return;
        run.Log(QStringLiteral("读取块1数据：") + BufferHex(p.arrBuffer, 16, 16, true));
    }
    for (int i = 0; i < 16; ++i) p.arrBuffer[i] = static_cast<std::uint8_t>(i);
    p.nBufferSize = 16;
    if (!run.Check(QStringLiteral("KorviCardWrite"), KorviCardWrite(h, 1, &p),
                   QStringLiteral("调用KorviCardWrite成功 写入1!")) ||
        !run.Check(QStringLiteral("KorviCardInitValue"), KorviCardInitValue(h, 2, 10),
                   QStringLiteral("初始化值成功！")) ||
        !run.Check(QStringLiteral("KorviCardIncrement"), KorviCardIncrement(h, 2, 1000),
                   QStringLiteral("增值成功！")) ||
        !run.Check(QStringLiteral("KorviCardDecrement"), KorviCardDecrement(h, 2, 1),
                   QStringLiteral("减值成功！")) ||
        !run.Check(QStringLiteral("KorviCardHalt"), KorviCardHalt(h))) {
        return;
    }
    run.Succeed();
}

void HfBasicsPage::btnTestM1_OCXClick() { mmLog->AddLog(QStringLiteral("暂时屏蔽了")); }

void HfBasicsPage::btnChangePassWordClick() {
    const QLineEdit* edits[] = {edtOldAPassWrod, edtOldBPassWrod, edtNewAPassWord, edtNewBPassWord};
    for (const QLineEdit* edit : edits) {
        if (edit->text().size() < 12) return;
    }
    const auto oldA = KeyFromHexText(edtOldAPassWrod->text());
    const auto oldB = KeyFromHexText(edtOldBPassWrod->text());
    KeyFromHexText(edtNewAPassWord->text());
    KeyFromHexText(edtNewBPassWord->text());
    const QByteArray newA = edtNewAPassWord->text().toLatin1();
    const QByteArray newB = edtNewBPassWord->text().toLatin1();
    const int sector = cmbSectorList->currentIndex();

    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 2000,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardGetCardNo(h, 0x26, &p), QStringLiteral("调用KorviCardRequest失败!"))) {
        return;
    }
    LogCardNumber32(*mmLog, p);
    SetKey(p, oldA);
    if (!run.Expect(KorviCardLoadKey(h, 0x60, sector, &p),
                    QStringLiteral("调用KorviCardLoadKey失败!"))) {
        return;
    }
    SetKey(p, oldB);
    if (!run.Expect(KorviCardLoadKey(h, 0x61, sector, &p),
                    QStringLiteral("调用KorviCardLoadKey失败!")) ||
        !run.Expect(KorviCardAuthentication(h, 0x60, sector, &p),
                    QStringLiteral("调用KorviCardAuthentication失败!"))) {
        return;
    }
    if (KorviCardChangePassword(h, sector, newA.constData(), newB.constData()) == 0) {
        if (!run.Expect(KorviCardGetCardNo(h, 0x26, &p),
                        QStringLiteral("再次调用KorviCardRequest失败!")) ||
            !run.Expect(KorviCardAuthentication(h, 0x60, sector, &p),
                        QStringLiteral("再次调用KorviCardAuthentication验证A密码失败!")) ||
            !run.Expect(KorviCardAuthentication(h, 0x61, sector, &p),
                        QStringLiteral("调用KorviCardAuthentication验证B密码失败!")) ||
            !run.Expect(KorviCardChangePassword(h, sector, newA.constData(), newB.constData()),
                        QStringLiteral("调用KorviCardChangePassword失败!"))) {
            return;
        }
    }
    run.Log(QStringLiteral("密码修改成功！"));
    run.Succeed();
}

void HfBasicsPage::btnDeselectCpuCardClick() {
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 0,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    KorviCardParam& p = run.Param();
    if (!run.Check(QStringLiteral("KorviCardDeselectCpuCard"),
                   KorviCardDeselectCpuCard(run.handle(), &p))) {
        return;
    }
    run.Log(QStringLiteral("返回值：") + ArrBufferHex(p, false));
    run.Succeed();
}

void HfBasicsPage::btnRestCpuCardClick() {
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 0,
                    .button = btnRestCpuCard,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Check(QStringLiteral("KorviCardGetCardNo"), KorviCardGetCardNo(h, 0x52, &p))) {
        run.SetReaderAtEnd(ReaderAtEnd::kClose);
        return;
    }
    LogCardNumber32(*mmLog, p);
    if (!run.Check(QStringLiteral("KorviCardResetCpuCard"),
                   KorviCardResetCpuCardNoGetCardNo(h, &p))) {
        return;
    }
    run.Log(QStringLiteral("ATS：") + ArrBufferHex(p, false));
    run.Succeed();
}

void HfBasicsPage::btnExecCOSCommandClick() {
    const QString text = edtCOSCommand->text().trimmed();
    const bool typeB = chkTypeB->isChecked();
    std::vector<std::uint8_t> command(static_cast<std::size_t>(text.size() / 2 + 1));
    int count = 0;
    HexToBytes(text, command, text.size(), count);
    if (count == 0) return;
    KorviCardParam probe{};
    const int room = typeB ? static_cast<int>(sizeof probe.arrBuffer)
                           : static_cast<int>(sizeof probe.arrCosSendBuffer);
    if (count > room) {
        mmLog->AddLog(QStringLiteral("指令长度%1字节，超过%2字节，未执行").arg(count).arg(room));
        return;
    }

    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 2000,
                    .beep = false,
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    int replyLength = 0;
    const std::uint8_t* reply = nullptr;
    std::size_t replyRoom = 0;
    if (!typeB) {
        std::memcpy(p.arrCosSendBuffer, command.data(), static_cast<std::size_t>(count));
        p.unCosSendBufferLength = static_cast<std::uint32_t>(count);
        run.Log(QStringLiteral("开始执行指令") + text);
        if (!run.Check(QStringLiteral("KorviCardSendCOSCommand"), KorviCardSendCOSCommand(h, &p))) {
            return;
        }
        replyLength = static_cast<int>(p.unCosReultBufferLength);
        reply = p.arrCosResultBuffer;
        replyRoom = sizeof p.arrCosResultBuffer;
    } else {
        std::memcpy(p.arrBuffer, command.data(), static_cast<std::size_t>(count));
        p.nBufferSize = count;
        run.Log(QStringLiteral("开始执行指令") + text);
        if (!run.Check(QStringLiteral("KorviCardSendCpuCommand"),
                       KorviCardSendCpuCommand(h, count, &p))) {
            return;
        }
        replyLength = p.nBufferSize;
        const bool longReply = replyLength > static_cast<int>(sizeof p.arrBuffer);
        reply = longReply ? p.arrCosResultBuffer : p.arrBuffer;
        replyRoom = longReply ? sizeof p.arrCosResultBuffer : sizeof p.arrBuffer;
    }
    run.Log(QStringLiteral("返回长度：") + QString::number(replyLength));
    run.Log(QStringLiteral("返回结果：") + BufferHex(reply, replyLength, replyRoom, false));
    run.Succeed();
}

void HfBasicsPage::btnEasyApiTestClick() {
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 2000,
                    .button = btnEasyApiTest,
                    .beep = false,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    const int h = run.handle();
    auto closeOnTimeout = [&] {
        if (KorviCardGetErrorCode(h) == 3) run.SetReaderAtEnd(ReaderAtEnd::kClose);
    };
    KorviCardParam& p = run.Param();
    SetTransportKey(p);
    if (!run.Check(QStringLiteral("KorviCardReadData"),
                   KorviCardReadData(h, 0x26, 5, 1, 10, 0, &p))) {
        closeOnTimeout();
        return;
    }
    LogCardNumber32(*mmLog, p);
    run.Log(QStringLiteral("读取块5数据：") + BufferHex(p.arrBuffer, 16, 16, true));
    ++easyApiCounter_;
    p.arrBuffer[0] = easyApiCounter_;
    for (int i = 1; i < 16; ++i) p.arrBuffer[i] = static_cast<std::uint8_t>(i);
    p.nBufferSize = 16;
    if (!run.Check(QStringLiteral("KorviCardWriteData"), KorviCardWriteData(h, 5, 10, 1, &p))) {
        closeOnTimeout();
        return;
    }
    run.Succeed();
}

bool HfBasicsPage::RequestAndAnticoll(HandlerRun& run, int requestMode) {
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardRequest(h, requestMode, &p),
                    QStringLiteral("调用KorviCardRequest失败!"))) {
        return false;
    }
    run.Log(CardTypeLine(p));
    if (!run.Expect(KorviCardAnticoll(h, &p), QStringLiteral("调用KorviCardAnticoll失败!"))) {
        return false;
    }
    LogCardNumberWide(*mmLog, p, 7);
    return true;
}

void HfBasicsPage::btnTestUltraLightClick() {
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 0, .cardType = 'A', .afterFailure = ReaderAtEnd::kKeepOpen});
    if (!run.Begin() || !RequestAndAnticoll(run, 0x26)) return;
    const int h = run.handle();
    KorviCardParam& p = run.Record();
    const std::pair<int, const char*> reads[] = {
        {32, "读取PAGE32-35数据："}, {4, "读取PAGE4-7数据："}, {8, "读取PAGE8-11数据："}};
    for (const auto& [page, label] : reads) {
        if (!run.Expect(KorviCardRead(h, page, &p), QStringLiteral("调用KorviCardRead失败!"))) {
            return;
        }
        run.Log(QString::fromUtf8(label) + BufferHex(p.arrBuffer, 16, 16, true));
    }
    for (int i = 0; i < 16; ++i) p.arrBuffer[i] = static_cast<std::uint8_t>(i);
    p.nBufferSize = 16;
    if (!run.Check(QStringLiteral("KorviCardWrite"), KorviCardWrite(h, 32, &p),
                   QStringLiteral("调用KorviCardWrite成功 写入PAGE32!"))) {
        return;
    }
    for (int i = 0; i < 4; ++i) p.arrBuffer[i] = static_cast<std::uint8_t>(4 + i);
    if (!run.Check(QStringLiteral("KorviCardWrite"), KorviCardWrite(h, 33, &p),
                   QStringLiteral("调用KorviCardWrite成功 写入PAGE33!"))) {
        return;
    }
    run.Succeed();
}

bool HfBasicsPage::OpenTextSector(HandlerRun& run, int sector) {
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardGetCardNo(h, 0x26, &p), QStringLiteral("调用KorviCardRequest失败!"))) {
        return false;
    }
    LogCardNumber32(*mmLog, p);
    SetTransportKey(p);
    const QString number = QString::number(sector);
    return run.Check(QStringLiteral("KorviCardLoadKey"), KorviCardLoadKey(h, 0x60, sector, &p),
                     QStringLiteral("装载扇区") + number + QStringLiteral("密码成功！")) &&
           run.Check(QStringLiteral("KorviCardAuthentication"),
                     KorviCardAuthentication(h, 0x60, sector, &p),
                     QStringLiteral("验证扇区") + number + QStringLiteral("密码成功！"));
}

void HfBasicsPage::btnReadTextInfoClick() {
    const int sector = cmbSectorList->currentIndex();
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 0, .cardType = 'A', .afterFailure = ReaderAtEnd::kKeepOpen});
    if (!run.Begin() || !OpenTextSector(run, sector)) return;
    char buffer[kTextBufferSize] = {};
    if (!run.Expect(KorviCardReadText(run.handle(), sector, buffer, kTextBufferSize - 1),
                    QStringLiteral("调用KorviCardReadText失败!"))) {
        return;
    }
    run.Log(QStringLiteral("读取扇区%1文本信息成功！").arg(sector));
    edtTextInfo->setText(FromGbk(buffer, sizeof buffer).trimmed());
    run.Succeed();
}

void HfBasicsPage::btnWriteTextInfoClick() {
    const int sector = cmbSectorList->currentIndex();
    const auto text = ToGbk(edtTextInfo->text().trimmed());
    if (!text) throw ConversionError(QStringLiteral("文本信息含有GBK以外的字符"));
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 0, .cardType = 'A', .afterFailure = ReaderAtEnd::kKeepOpen});
    if (!run.Begin() || !OpenTextSector(run, sector)) return;
    if (!run.Expect(KorviCardWriteText(run.handle(), sector, text->constData(),
                                       static_cast<int>(text->size())),
                    QStringLiteral("调用KorviCardWriteText失败!"))) {
        return;
    }
    run.Log(QStringLiteral("写入扇区%1文本信息成功！").arg(sector));
    run.Succeed();
}

void HfBasicsPage::btnFelicaPollingClick() {
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 0, .cardType = 'F', .afterFailure = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardFelicaPolling(run.handle(), 0, &p),
                    QStringLiteral("调用KorviCardFelicaPolling失败!"))) {
        return;
    }
    LogCardNumberWide(*mmLog, p, 8);
    run.Succeed();
}

void HfBasicsPage::btnNfcCardClick() {
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 500, .cardType = 'C', .afterFailure = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    const int h = run.handle();
    char buffer[kNfcBufferSize] = {};
    if (!run.Expect(KorviCardReadNfcBuffer(h, buffer, kNfcBufferSize),
                    QStringLiteral("调用KorviCardReadNfcBuffer 失败!"))) {
        return;
    }
    run.Log(QStringLiteral("读取:") +
            QString::fromUtf8(buffer, static_cast<qsizetype>(strnlen(buffer, sizeof buffer))));
    const QByteArray text = QByteArray(kNfcText);
    if (!run.Expect(KorviCardWriteNfcBuffer(h, text.constData(), static_cast<int>(text.size())),
                    QStringLiteral("调用KorviCardWriteNfcBuffer 失败!"))) {
        return;
    }
    run.Log(QStringLiteral("写入:") + QString::fromUtf8(text));
    run.Succeed();
}

void HfBasicsPage::btnTestDESfireClick() {
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 0,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin() || !RequestAndAnticoll(run, 0x52)) return;
    // A card answers RATS only once selected. The anticollision of a longer UID selects the
    // card at its last cascade level; a 4-byte UID card is still waiting for its select.
    KorviCardParam& p = run.Record();
    if (HasSingleSizeUid(p) &&
        !run.Check(QStringLiteral("KorviCardSelect"), KorviCardSelect(run.handle(), &p))) {
        return;
    }
    if (!run.Check(QStringLiteral("KorviCardResetCpuCard"),
                   KorviCardResetCpuCardNoGetCardNo(run.handle(), &p))) {
        return;
    }
    run.Log(QStringLiteral("ATS：") + ArrBufferHex(p, false));
    run.Succeed();
}

void HfBasicsPage::btnGetCardNoStartThreadClick() {
    if (chkTestId->isChecked()) {
        chkCloseDevice->setChecked(true);
        for (const char* name : {"GroupBox13", "WIFI"}) {
            if (auto* group = findChild<QWidget*>(QString::fromLatin1(name))) group->hide();
        }
        for (QPushButton* button : {btnGetCardNoEx, btnEasyApiTest, btnRestCpuCard,
                                    btnTestUltraLight, btnFelicaPolling, btnNfcCard}) {
            button->setEnabled(false);
        }
    }
    typeBIdPassCount_ = 0;
    btnGetCardNoStartThread->setEnabled(false);
    context_.pollingRunning.store(true);
    if (thread_ == nullptr) {
        thread_ = new TMyThread([this] {
            if (testId_.load()) {
                ReadTypeBIdPass();
            } else {
                PollCardOnce();
            }
        });
    }
    thread_->start();
}

void HfBasicsPage::btnGetCardNoStopThreadClick() { StopPollingThread(); }

void HfBasicsPage::StopPollingThread() {
    if (thread_ == nullptr) return;
    thread_->StopAndWait();
    delete thread_;
    thread_ = nullptr;
    context_.pollingRunning.store(false);
    btnGetCardNoStartThread->setEnabled(true);
}

bool HfBasicsPage::ConnectionPreTest() {
    const ReaderSelection selection = context_.Selection();
    if (context_.HasReader() || selection.model != ReaderModel::kNetwork ||
        !IsIpAddress(selection.ipAddress)) {
        return true;
    }
    bool portOk = false;
    const int port = selection.devicePort.trimmed().toInt(&portOk);
    if (!portOk || !CanConnect(selection.ipAddress, port, kConnectionTestMs)) {
        context_.ShowMessage(QStringLiteral("测试连接设备") + selection.ipAddress +
                             QStringLiteral("失败"));
        return false;
    }
    mmLog->AddLog(QStringLiteral("等1秒"));
    WaitMilliseconds(1000);
    return true;
}

void HfBasicsPage::btnGetCardNoExClick() {
    if (!ConnectionPreTest()) return;
    HandlerRun run(context_, *mmLog,
                   {.timeoutMs = 200,
                    .button = btnGetCardNoEx,
                    .beep = false,
                    .cardType = 'A',
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    const int h = run.handle();
    KorviCardParam& p = run.Param();
    if (!run.Expect(KorviCardGetCardNoEx(h, 0x26, 10, 0, 0, &p),
                    QStringLiteral("调用KorviCardGetCardNoEx失败!"))) {
        if (KorviCardGetErrorCode(h) == 3) run.SetReaderAtEnd(ReaderAtEnd::kClose);
        return;
    }
    LogCardNumber32(*mmLog, p);
    run.Succeed();
}

void HfBasicsPage::PollCardOnce() {
    ReaderLease lease(context_);
    if (!ConnectionPreTest() || !context_.OpenReaderDevice(200)) return;
    const int h = context_.hDevice();
    if (context_.curCardType() != 'A' && !context_.SetCardType('A')) return;
    KorviCardParam p{};
    if (KorviCardGetCardNo(h, 0x26, &p) == 0) return;
    if (KorviCardBeep(h, 10) == 0) {
        mmLog->AddLog(WithReaderErrorText(QStringLiteral("调用KorviCardBeep失败!"), h));
    }
    const KorviCardParam card = p;
    if (KorviCardResetCpuCardNoGetCardNo(h, &p) == 0 || p.nBufferSize == 0) {
        KorviCardParam wake{};
        KorviCardGetCardNo(h, 0x52, &wake);
        LogCardNumber32(*mmLog, card);
        KorviCardHalt(h);
        return;
    }
    mmLog->AddLog(QStringLiteral("调用KorviCardResetCpuCard成功!"));
    mmLog->AddLog(QStringLiteral("ATS：") + ArrBufferHex(p, false));
    char cardNo[32];
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::memset(cardNo, 0, sizeof cardNo);
        if (KorviCardGetBankCardNo(h, cardNo, sizeof cardNo) != 0) {
            mmLog->AddLog(QStringLiteral("银行卡号：") +
                          QString::fromLatin1(
                              cardNo, static_cast<qsizetype>(strnlen(cardNo, sizeof cardNo))));
            return;
        }
    }
    mmLog->AddLog(WithReaderErrorText(QStringLiteral("调用KorviCardGetBankCardNo失败!"), h));
}

void HfBasicsPage::ReadTypeBIdPass() {
    ReaderLease lease(context_);
    if (!context_.OpenReaderDevice(2000)) return;
    const int h = context_.hDevice();
    auto close = [this] {
        if (closeDevice_.load()) context_.CloseReaderDevice();
    };
    context_.ShowAnswerError(QString());
    if (context_.curCardType() != 'B' && !context_.SetCardType('B')) return close();
    KorviCardParam p{};
    if (KorviCardRequestB(h, 0, &p) == 0) return close();
    if (KorviCardSelectB(h, &p) == 0) {
        mmLog->AddLog(WithReaderErrorText(QStringLiteral("调用KorviCardSelectB失败!"), h));
        return close();
    }
    for (const TypeBIdStep& step : kTypeBIdSteps) {
        LoadStep(p, step);
        if (KorviCardSendCpuCommand(h, kTypeBIdCommandMode, &p) == 0) {
            mmLog->AddLog(
                WithReaderErrorText(QStringLiteral("调用KorviCardSendCpuCommand失败!"), h));
            return close();
        }
        if (!AnswerAccepted(p, step)) {
            const QString error = AnswerFormatError(p, step);
            mmLog->AddLog(error);
            context_.ShowAnswerError(error);
            return;
        }
    }
    mmLog->AddLog(QStringLiteral("DN码：") + AnswerText(p));
    SetPassCount(++typeBIdPassCount_);
    close();
}

void HfBasicsPage::SetPassCount(int count) {
    QMetaObject::invokeMethod(
        lblCount,
        [label = lblCount, count] { label->setText(QStringLiteral("计数:%1").arg(count)); },
        Qt::QueuedConnection);
}

}  // namespace bench
