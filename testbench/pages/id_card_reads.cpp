// The identity page's reading flows: the local read through the reader's SAMV module, its
// find-card test, and the reads in which the reader relays the card to an identity server.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>
#include <exception>

#include "testbench/core/bench_context.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/id_card_texts.h"
#include "testbench/core/log_memo.h"
#include "testbench/pages/id_card_page.h"

namespace bench {

namespace {

constexpr int kOpenMs = 2000;
constexpr int kPhotoBufferSize = 38862;
constexpr int kServerReadSeconds = 10;
constexpr int kIdCardIdTextSize = 48;
constexpr int kExternalCommandMode = 7;
constexpr std::uint32_t kExternalAccount = 10000;
constexpr char kExternalPassword[] = "ext";
constexpr std::uint8_t kFindCardFrame[10] = {0xAA, 0xAA, 0xAA, 0x96, 0x69,
                                             0x00, 0x03, 0x20, 0x01, 0x22};

// The page whose flow runs now; the driver's callbacks carry no context of their own.
IdCardPage* activePage = nullptr;

}  // namespace

// What one flow does besides its read.
struct IdCardPage::ReadFlow {
    QPushButton* button;
    bool resetCount;      // idCommandCount starts again
    bool externalDevice;  // registers the external-device callback instead of clearing it
    bool progress;        // registers the progress callback
    bool forceTypeB;      // switches to type B when chkSetTypeB is checked too
    const char* failureText;
    const char* exceptionText;
    const char* successText;
};

IdCardPage::ButtonHold::ButtonHold(QPushButton* button) : button_(button) {
    button_->setEnabled(false);
}

IdCardPage::ButtonHold::~ButtonHold() { button_->setEnabled(true); }

// The dispatch read's photo buffer: registered with the driver for the read, unregistered
// while the reader is still open and freed at every exit.
class IdCardPage::PhotoBufferLease {
  public:
    explicit PhotoBufferLease(IdCardPage& page) : page_(page) {
        page_.photoBuffer_ = std::make_unique<std::uint8_t[]>(kPhotoBufferSize);
        KorviCardSetIdPhotoAddress(page_.context_.hDevice(), page_.photoBuffer_.get(),
                                   kPhotoBufferSize, 0);
    }
    ~PhotoBufferLease() {
        KorviCardSetIdPhotoAddress(page_.context_.hDevice(), nullptr, 0, -1);
        page_.photoBuffer_.reset();
    }
    PhotoBufferLease(const PhotoBufferLease&) = delete;
    PhotoBufferLease& operator=(const PhotoBufferLease&) = delete;

  private:
    IdCardPage& page_;
};

namespace {

// The flow's page for the driver's callbacks while it runs.
class ActivePage {
  public:
    explicit ActivePage(IdCardPage* page) { activePage = page; }
    ~ActivePage() { activePage = nullptr; }
    ActivePage(const ActivePage&) = delete;
    ActivePage& operator=(const ActivePage&) = delete;
};

// Closes the reader when the flow ends, unless disarmed.
class CloseReaderAtExit {
  public:
    explicit CloseReaderAtExit(BenchContext& context) : context_(context) {}
    ~CloseReaderAtExit() {
        if (armed_) context_.CloseReaderDevice();
    }
    CloseReaderAtExit(const CloseReaderAtExit&) = delete;
    CloseReaderAtExit& operator=(const CloseReaderAtExit&) = delete;
    void Disarm() { armed_ = false; }

  private:
    BenchContext& context_;
    bool armed_ = true;
};

}  // namespace

void IdCardPage::IdCommandCallback(int, int, int, int) {
    if (activePage != nullptr) activePage->ShowIdCommandCount();
}

int IdCardPage::IdCardExtendReadWriteCallback(unsigned char* buffer, int length) {
    return activePage != nullptr ? activePage->ExternalIdCommand(buffer, length) : 0;
}

void IdCardPage::ShowIdCommandCount() {
    ++idCommandCount_;
    lblIdCommandCount->setText(QStringLiteral("指令计数：") + QString::number(idCommandCount_));
    ProcessPendingMessages();
}

// Steps from the clearing of the display to the type-B switch. False when the flow ends.
bool IdCardPage::PrepareRead(const ReadFlow& flow) {
    if (chkClearTwoIdInfo->isChecked()) ClearTwoIdInfo();
    context_.OpenReaderDevice(kOpenMs);
    if (flow.resetCount) idCommandCount_ = 0;
    if (!context_.HasReader()) return false;
    const int h = context_.hDevice();
    KorviCardSetIdDeviceExtendReadWrite(
        h, flow.externalDevice ? IdCardExtendReadWriteCallback : nullptr);
    if (flow.progress) KorviCardSetIdCallBack(h, IdCommandCallback);
    if (KorviCardBeep(h, 10) == 0) {
        TwoIdLog(QStringLiteral("调用KorviCardBeep失败!"));
        context_.CloseReaderDevice();
        return false;
    }
    TwoIdLog(QStringLiteral("调用KorviCardBeep成功!"));
    return SwitchToTypeB(flow.forceTypeB && chkSetTypeB->isChecked());
}

// Switches the reader to type B when curCardType differs or force is set; a failure closes
// the reader and ends the flow.
bool IdCardPage::SwitchToTypeB(bool force) {
    if (context_.curCardType() == 'B' && !force) return true;
    if (!context_.SetCardType('B')) {
        TwoIdLog(QStringLiteral("调用KorviCardSetCardType 设置TYPE B失败!"));
        context_.CloseReaderDevice();
        return false;
    }
    TwoIdLog(QStringLiteral("设置读卡器TYPE B成功"));
    return true;
}

void IdCardPage::ReportReadFailure(const QString& failureText, bool withText) {
    ++failCount_;
    const int code = KorviCardGetTwoIdErrorCode(context_.hDevice());
    TwoIdLog(failureText + (withText ? TwoIdErrorDetail(code) : QString::number(code)));
}

void IdCardPage::ReportReadSuccess(const QString& successText, const TwoIdInfoParam& record,
                                   const QString& decoderHost) {
    ++okCount_;
    TwoIdLog(successText);
    ShowTwoIdInfo(record, decoderHost);
}

void IdCardPage::btnReadTwoIdInfoClick() {
    ReaderLease lease(context_);
    ButtonHold hold(btnReadTwoIdInfo);
    if (chkClearTwoIdInfo->isChecked()) ClearTwoIdInfo();
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    const int h = context_.hDevice();
    if (!SwitchToTypeB(false)) return;
    char id[kIdCardIdTextSize] = {};
    if (KorviCardGetTwoGenerationIDCardNo(h, id, sizeof id) == 0) {
        TwoIdLog(QStringLiteral("调用KorviCardGetTwoGenerationIDCardNo失败!"));
        return;
    }
    TwoIdLog(QStringLiteral("二代证ID：") + QString::fromLatin1(id, qstrnlen(id, sizeof id)));
    TwoIdInfoParam record{};
    if (KorviCardGetTwoIdInfo(h, &record) == 0) {
        ReportReadFailure(QStringLiteral("调用KorviCardGetTwoIdInfo失败!错误编码:"), false);
        return;
    }
    ReportReadSuccess(QStringLiteral("调用KorviCardGetTwoIdInfo成功!"), record,
                      cmbWlDecodeServerIp->currentText());
}

void IdCardPage::btnSamvTestClick() {
    ReaderLease lease(context_);
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    const int h = context_.hDevice();
    if (!SwitchToTypeB(false)) return;
    KorviCardParam p{};
    std::memcpy(p.arrCosSendBuffer, kFindCardFrame, sizeof kFindCardFrame);
    p.unCosSendBufferLength = sizeof kFindCardFrame;
    if (KorviCardSendSamvCommand(h, &p) == 0) {
        TwoIdLog(QStringLiteral("调用KorviCardSendSamvCommand失败!"));
        context_.CloseReaderDevice();
        return;
    }
    TwoIdLog(QStringLiteral("SAMV返回数据:") + CosResultHex(p));
}

void IdCardPage::ServerRead(const ReadFlow& flow,
                            int (*plain)(int, const char*, int, TwoIdInfoParam*, int),
                            int (*withFingerprint)(int, const char*, int, TwoIdInfoParam*, int),
                            bool unregisterPhoto) {
    ReaderLease lease(context_);
    int port = 0;
    if (!ServerPort(port)) return;
    ButtonHold hold(flow.button);
    ActivePage active(this);
    if (!PrepareRead(flow)) return;
    const int h = context_.hDevice();
    TwoIdInfoParam record{};
    int result = 0;
    try {
        if (unregisterPhoto) KorviCardSetIdPhotoAddress(h, nullptr, 0, -1);
        const QByteArray host = ServerHost();
        const int seconds = withFingerprint == nullptr ? kServerReadSeconds
                                                       : DecimalTextToValue(edtRecvTimeOut->text());
        const auto read = withFingerprint != nullptr && chkRequestFingerprint->isChecked()
                              ? withFingerprint
                              : plain;
        result = read(h, host.constData(), port, &record, seconds);
        if (result == 0) {
            ReportReadFailure(QString::fromUtf8(flow.failureText));
            return;
        }
    } catch (const std::exception& error) {
        TwoIdLog(QString::fromUtf8(flow.exceptionText) + QString::fromUtf8(error.what()));
        return;
    }
    ReportReadSuccess(QString::fromUtf8(flow.successText), record, QString());
}

void IdCardPage::btnReadTwoIdInfoByServerClick() {
    ServerRead({btnReadTwoIdInfoByServer, false, false, false, false,
                "调用KorviCardGetTwoIdInfoByServer失败!错误编码:",
                "调用KorviCardGetTwoIdInfoByServer异常!", "调用KorviCardGetTwoIdInfoByServer成功!"},
               KorviCardGetTwoIdInfoByServerEx, nullptr, true);
}

void IdCardPage::btnReadTwoIdInfoByWirelessClick() {
    ServerRead({btnReadTwoIdInfoByWireless, true, false, false, false,
                "调用KorviCardGetTwoIdInfoByWirelessEx失败!错误编码:",
                "调用KorviCardGetTwoIdInfoByWirelessEx异常!",
                "调用KorviCardGetTwoIdInfoByWirelessEx成功!"},
               KorviCardGetTwoIdInfoByWireless, KorviCardGetTwoIdInfoByWirelessEx, true);
}

void IdCardPage::btnReadTwoIdInfoByPsamClick() {
    ServerRead({btnReadTwoIdInfoByPsam, true, false, false, false,
                "调用KorviCardGetTwoIdInfoByPsamServer失败!错误编码:",
                "调用KorviCardGetTwoIdInfoByPsamServer异常!",
                "调用KorviCardGetTwoIdInfoByPsamServer成功!"},
               KorviCardGetTwoIdInfoByPsamServer, KorviCardGetTwoIdInfoByPsamServerEx, false);
}

namespace {
constexpr char kMcuFailure[] = "调用KorviCardGetTwoIdInfoByMcuServer失败!错误编码:";
constexpr char kMcuException[] = "调用KorviCardGetTwoIdInfoByMcuServer异常!";
constexpr char kMcuSuccess[] = "调用KorviCardGetTwoIdInfoByMcuServer成功!";
}  // namespace

void IdCardPage::btnGetTwoIdInfoByMcuServerClick() {
    ReaderLease lease(context_);
    const ReadFlow flow{btnGetTwoIdInfoByMcuServer,
                        true,
                        false,
                        true,
                        true,
                        kMcuFailure,
                        kMcuException,
                        kMcuSuccess};
    ButtonHold hold(flow.button);
    ActivePage active(this);
    if (!PrepareRead(flow)) return;
    const int h = context_.hDevice();
    TwoIdInfoParam record{};
    bool read = false;
    CloseReaderAtExit closer(context_);
    PhotoBufferLease photo(*this);
    try {
        const QByteArray host = cmbDispatchServerIp->currentText().toLocal8Bit();
        const auto account =
            static_cast<std::uint32_t>(DecimalTextToValue(edtSamvServerUserName->text()));
        const QByteArray password = edtSamvServerPassword->text().toLocal8Bit();
        const auto postCode = static_cast<std::uint32_t>(DecimalTextToValue(edtPostCode->text()));
        const auto lineType = static_cast<std::uint32_t>(cmbLineType->currentIndex());
        const int seconds = DecimalTextToValue(edtRecvTimeOut->text());
        const auto call = chkRequestFingerprint->isChecked() ? KorviCardGetTwoIdInfoByMcuServerEx
                                                             : KorviCardGetTwoIdInfoByMcuServer;
        read = call(h, host.constData(), &account, password.constData(), &record, postCode,
                    lineType, seconds) != 0;
    } catch (const std::exception& error) {
        closer.Disarm();
        TwoIdLog(QString::fromUtf8(kMcuException) + QString::fromUtf8(error.what()));
        return;
    }
    if (read) {
        ReportReadSuccess(QString::fromUtf8(kMcuSuccess), record,
                          cmbWlDecodeServerIp->currentText());
    } else {
        ReportReadFailure(QString::fromUtf8(kMcuFailure));
        LogDispatchDiagnostics(KorviCardGetTwoIdErrorCode(h));
    }
}

void IdCardPage::LogDispatchDiagnostics(int code) {
    const int h = context_.hDevice();
    if (code == 31) {
        char text[128] = {};
        KorviCardGetTwoIdDispatchServerErrorInfo(h, text, sizeof text);
        TwoIdLog(QStringLiteral("调度服务器错误信息:") + TrimControls(FromGbk(text, sizeof text)));
        return;
    }
    if (code == 24) return;
    SamvLastErrorInfo info{};
    if (KorviCardGetSamvLastErrorInfo(h, "", 0, &info) == 0) {
        const int now = KorviCardGetTwoIdErrorCode(h);
        TwoIdLog(QStringLiteral("调用KorviCardGetSamvLastErrorInfo失败!错误编码:") +
                 TwoIdErrorDetail(now));
        return;
    }
    LogLastErrorRecord(info);
}

void IdCardPage::btnGetTwoIdInfoByExtendIdDeviceClick() {
    ReaderLease lease(context_);
    const ReadFlow flow{btnGetTwoIdInfoByExtendIdDevice,
                        false,
                        true,
                        false,
                        false,
                        kMcuFailure,
                        kMcuException,
                        kMcuSuccess};
    ButtonHold hold(flow.button);
    ActivePage active(this);
    if (!PrepareRead(flow)) return;
    TwoIdInfoParam record{};
    try {
        const QByteArray host = cmbDispatchServerIp->currentText().toLocal8Bit();
        const std::uint32_t account = kExternalAccount;
        const auto postCode = static_cast<std::uint32_t>(DecimalTextToValue(edtPostCode->text()));
        const int seconds = DecimalTextToValue(edtRecvTimeOut->text());
        if (KorviCardGetTwoIdInfoByMcuServer(
                context_.hDevice(), host.constData(), &account, kExternalPassword, &record,
                postCode, static_cast<std::uint32_t>(cmbLineType->currentIndex()), seconds) == 0) {
            ReportReadFailure(QString::fromUtf8(kMcuFailure));
            return;
        }
    } catch (const std::exception& error) {
        TwoIdLog(QString::fromUtf8(kMcuException) + QString::fromUtf8(error.what()));
        return;
    }
    ReportReadSuccess(QString::fromUtf8(kMcuSuccess), record, QString());
}

// The answer goes back only when it fits the caller's buffer after its length byte; the
// reader stays open whatever happens, for the flow that called the driver to close.
int IdCardPage::ExternalIdCommand(std::uint8_t* buffer, int size) {
    if (buffer == nullptr || size < 1) return 0;
    KorviCardParam p{};
    const int n = buffer[0];
    if (n + 1 > size || n > static_cast<int>(sizeof p.arrBuffer)) return 0;
    p.nBufferSize = n;
    std::memcpy(p.arrBuffer, buffer + 1, static_cast<std::size_t>(n));
    TwoIdLog(QStringLiteral("外部指令：") + BytesToHex(std::span<const std::uint8_t>(p.arrBuffer),
                                                       static_cast<std::size_t>(n), false));
    if (KorviCardSendCpuCommand(context_.hDevice(), kExternalCommandMode, &p) == 0) {
        TwoIdLog(QStringLiteral("调用KorviCardSendCpuCommand失败!"));
        return 0;
    }
    const std::uint32_t m = p.unCosReultBufferLength;
    if (m > sizeof p.arrCosResultBuffer || m > 0xFF || static_cast<int>(m) + 1 > size) {
        TwoIdLog(QStringLiteral("调用KorviCardSendCpuCommand失败!"));
        return 0;
    }
    buffer[0] = static_cast<std::uint8_t>(m);
    std::memcpy(buffer + 1, p.arrCosResultBuffer, m);
    TwoIdLog(QStringLiteral("调用KorviCardSendCpuCommand成功!"));
    TwoIdLog(QStringLiteral("结果：") +
             BytesToHex(std::span<const std::uint8_t>(p.arrCosResultBuffer), m, false));
    return 1;
}

}  // namespace bench
