// The identity page's single steps on the reader's SAMV module and the administration of a
// networked identity server.

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "testbench/core/bench_context.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/id_card_texts.h"
#include "testbench/core/ip_address.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"
#include "testbench/pages/id_card_page.h"

namespace bench {

namespace {

constexpr int kOpenMs = 2000;
constexpr std::size_t kPasswordSize = 16;
constexpr int kTimeInfoCount = 80;
constexpr std::uint8_t kResetFrame[10] = {0xAA, 0xAA, 0xAA, 0x96, 0x69,
                                          0x00, 0x03, 0x10, 0xFF, 0xEC};
constexpr std::uint8_t kSelectFrame[10] = {0xAA, 0xAA, 0xAA, 0x96, 0x69,
                                           0x00, 0x03, 0x20, 0x02, 0x21};
constexpr std::uint8_t kReadFrame[10] = {0xAA, 0xAA, 0xAA, 0x96, 0x69,
                                         0x00, 0x03, 0x30, 0x01, 0x32};

// The identity server's initial configuration password, built when needed.
std::array<std::uint8_t, kPasswordSize> InitialConfigPassword() {
    std::array<std::uint8_t, kPasswordSize> password{};
    const char first[] = "KVIdBox";
    const char second[] = "InitPass!";
    std::memcpy(password.data(), first, sizeof first - 1);
    std::memcpy(password.data() + sizeof first - 1, second, sizeof second - 1);
    return password;
}

QString Dotted(const std::uint8_t (&octets)[4]) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(octets[0])
        .arg(octets[1])
        .arg(octets[2])
        .arg(octets[3]);
}

std::int64_t Le64(const std::uint8_t* bytes) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | bytes[i];
    return static_cast<std::int64_t>(value);
}

QByteArray AnsiBytes(const QString& text) { return ToGbk(text).value_or(text.toLocal8Bit()); }

}  // namespace

void IdCardPage::BuildServerGroup(QWidget* column) {
    auto* group =
        MakeGroup(QStringLiteral("GroupBox12"), QStringLiteral("直接操作SAMV模块"), column);
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(2);
    cmbSamvServerIp =
        AddLabeledCombo(grid, 0, 0, QStringLiteral("cmbSamvServerIp"), QStringLiteral("IP："));
    MakeEditable(cmbSamvServerIp);
    cmbSamvServerIp->addItem(QStringLiteral("192.168.0.100"));
    edtSamvServerPort = AddLabeledEdit(grid, 0, 2, QStringLiteral("edtSamvServerPort"),
                                       QStringLiteral("端口："), QStringLiteral("10000"));
    const auto button = [group](const char* name, const char* text) {
        return MakeButton(QString::fromLatin1(name), QString::fromUtf8(text), group);
    };
    btnReadTwoIdInfoByServer = button("btnReadTwoIdInfoByServer", "网络(1.0/2.0)");
    btnReadTwoIdInfoByWireless = button("btnReadTwoIdInfoByWireless", "垃圾网络(2.0)");
    btnReadTwoIdInfoByPsam = button("btnReadTwoIdInfoByPsam", "PSAM(2.0)");
    btnGetSamvManagerMessage = button("btnGetSamvManagerMessage", "SAMV编号");
    btnSamvWaitTime = button("btnSamvWaitTime", "获取SAMV延时间隔");
    btnGetSamvLastErrorInfo = button("btnGetSamvLastErrorInfo", "获取SAMV最后错误");
    btnGetSamvSendReceiveTimeInfo = button("btnGetSamvSendReceiveTimeInfo", "获取SAMV收发时间信息");
    btnResetPsam = button("btnResetPsam", "复位PSAM");
    btnGetPsamChallenge = button("btnGetPsamChallenge", "PSAM随机数");
    btnGetTwoIdServerMacAddress = button("btnGetTwoIdServerMacAddress", "MAC地址");
    btnGetTwoIdServerMcuSerialNo = button("btnGetTwoIdServerMcuSerialNo", "McuNo");
    const QPushButton* rows[][3] = {
        {btnReadTwoIdInfoByServer, btnReadTwoIdInfoByWireless, btnReadTwoIdInfoByPsam},
        {btnGetSamvManagerMessage, btnSamvWaitTime, btnGetSamvLastErrorInfo},
        {btnGetSamvSendReceiveTimeInfo, btnResetPsam, btnGetPsamChallenge},
        {btnGetTwoIdServerMacAddress, btnGetTwoIdServerMcuSerialNo, nullptr},
    };
    auto* buttons = new QGridLayout;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (rows[r][c] != nullptr)
                buttons->addWidget(const_cast<QPushButton*>(rows[r][c]), r, c);
        }
    }
    grid->addLayout(buttons, 1, 0, 1, 4);
    edtSamvStaticIp = AddLabeledEdit(grid, 2, 0, QStringLiteral("edtSamvStaticIp"),
                                     QStringLiteral("静态IP："), QStringLiteral("192.168.0.50"));
    edtSamvNetMask = AddLabeledEdit(grid, 2, 2, QStringLiteral("edtSamvNetMask"),
                                    QStringLiteral("子网掩码："), QStringLiteral("255.255.255.0"));
    edtSamvGateWay = AddLabeledEdit(grid, 3, 0, QStringLiteral("edtSamvGateWay"),
                                    QStringLiteral("网关："), QStringLiteral("192.168.0.1"));
    chkSTM32Iap =
        MakeCheckBox(QStringLiteral("chkSTM32Iap"), QStringLiteral("允许IAP"), true, group);
    grid->addWidget(chkSTM32Iap, 3, 3);
    edtSamvAppPassword = AddLabeledEdit(grid, 4, 0, QStringLiteral("edtSamvAppPassword"),
                                        QStringLiteral("配置密码："),
                                        QStringLiteral("0123456789abcde"), kPasswordSize);
    edtNewAppConfigPassword = AddLabeledEdit(grid, 4, 2, QStringLiteral("edtNewAppConfigPassword"),
                                             QStringLiteral("新配置密码："),
                                             QStringLiteral("0123456789abcde"), kPasswordSize);
    chkUseInitPassWord = MakeCheckBox(QStringLiteral("chkUseInitPassWord"),
                                      QStringLiteral("使用初始密码"), true, group);
    btnGetAppConfig = button("btnGetAppConfig", "获取配置");
    btnSetAppConfig = button("btnSetAppConfig", "设置配置");
    btnClearAppConfig = button("btnClearAppConfig", "清除配置");
    btnChangeAppConfigPassword = button("btnChangeAppConfigPassword", "修改配置密码");
    btnPowerOffOtherDevice = button("btnPowerOffOtherDevice", "关闭外部电源");
    btnPowerOnOtherDevice = button("btnPowerOnOtherDevice", "打开外部电源");
    btnSamvLedOnOff = button("btnSamvLedOnOff", "开关LED");
    auto* config = new QGridLayout;
    config->addWidget(chkUseInitPassWord, 0, 0);
    config->addWidget(btnGetAppConfig, 0, 1);
    config->addWidget(btnSetAppConfig, 0, 2);
    config->addWidget(btnClearAppConfig, 0, 3);
    config->addWidget(btnChangeAppConfigPassword, 1, 0);
    config->addWidget(btnPowerOffOtherDevice, 1, 1);
    config->addWidget(btnPowerOnOtherDevice, 1, 2);
    config->addWidget(btnSamvLedOnOff, 1, 3);
    grid->addLayout(config, 5, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    column->layout()->addWidget(group);
}

void IdCardPage::BuildModuleGroup() {
    auto* local = findChild<QGroupBox*>(QStringLiteral("GroupBox10"));
    auto* grid = static_cast<QGridLayout*>(local->layout());
    const auto button = [local](const char* name, const char* text) {
        return MakeButton(QString::fromLatin1(name), QString::fromUtf8(text), local);
    };
    btnResetSamv = button("btnResetSamv", "安全模块复位");
    btnSamvSelectCard = button("btnSamvSelectCard", "安全模块选卡");
    btnSamvReadCard = button("btnSamvReadCard", "安全模块读卡");
    btnSamvReadCard->setVisible(false);
    btnSamvPowerOn = button("btnSamvPowerOn", "上电");
    btnSamvPowerOff = button("btnSamvPowerOff", "下电");
    btnSamvLastApdu = button("btnSamvLastApdu", "最后一条APDU");
    btnSamvLastApduResult = button("btnSamvLastApduResult", "最后一条APDU结果");
    btnGetSamvResult = button("btnGetSamvResult", "获取SAMV结果");
    grid->addWidget(btnResetSamv, 0, 2);
    grid->addWidget(btnSamvSelectCard, 0, 3);
    grid->addWidget(btnSamvPowerOn, 1, 0);
    grid->addWidget(btnSamvPowerOff, 1, 1);
    grid->addWidget(btnSamvLastApdu, 1, 2);
    grid->addWidget(btnSamvLastApduResult, 1, 3);
    grid->addWidget(btnGetSamvResult, 2, 0);
    grid->addWidget(btnSamvReadCard, 2, 1);
}

// One module call on the record: its answer logged after resultLabel, or the failure line
// and the reader closed.
bool IdCardPage::SamvCommand(KorviCardParam& param, const char* exportName,
                             int (*call)(int, KorviCardParam*), const QString& resultLabel) {
    if (call(context_.hDevice(), &param) == 0) {
        TwoIdLog(QStringLiteral("调用") + QString::fromLatin1(exportName) +
                 QStringLiteral("失败!"));
        context_.CloseReaderDevice();
        return false;
    }
    TwoIdLog(resultLabel + CosResultHex(param));
    return true;
}

void IdCardPage::SendModuleFrame(const std::uint8_t (&frame)[10], bool typeB) {
    ReaderLease lease(context_);
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    if (typeB && !SwitchToTypeB(false)) return;
    KorviCardParam p{};
    std::memcpy(p.arrCosSendBuffer, frame, sizeof frame);
    p.unCosSendBufferLength = sizeof frame;
    SamvCommand(p, "KorviCardSendSamvCommand", KorviCardSendSamvCommand,
                QStringLiteral("SAMV返回数据:"));
}

void IdCardPage::btnResetSamvClick() { SendModuleFrame(kResetFrame, false); }

void IdCardPage::btnSamvSelectCardClick() { SendModuleFrame(kSelectFrame, true); }

void IdCardPage::btnSamvReadCardClick() {
    ReaderLease lease(context_);
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    if (KorviCardBeep(context_.hDevice(), 10) == 0) {
        TwoIdLog(QStringLiteral("调用KorviCardBeep失败!"));
        context_.CloseReaderDevice();
        return;
    }
    KorviCardParam p{};
    std::memcpy(p.arrCosSendBuffer, kReadFrame, sizeof kReadFrame);
    p.unCosSendBufferLength = sizeof kReadFrame;
    if (!SamvCommand(p, "KorviCardSendSamvCommand", KorviCardSendSamvCommand,
                     QStringLiteral("SAMV返回数据:"))) {
        return;
    }
    p = KorviCardParam{};
    p.arrCosSendBuffer[0] = 0x90;
    p.arrCosSendBuffer[1] = 0x00;
    p.unCosSendBufferLength = 2;
    SamvCommand(p, "KorviCardSendCosResult2Samv", KorviCardSendCosResult2Samv,
                QStringLiteral("SAMV返回数据:"));
}

void IdCardPage::SamvPower(int status) {
    ReaderLease lease(context_);
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    const QString line = QStringLiteral("调用KorviCardSetSamvPowerStatus ") +
                         (status != 0 ? QStringLiteral("ON") : QStringLiteral("Off"));
    if (KorviCardSetSamvPowerStatus(context_.hDevice(), status) == 0) {
        TwoIdLog(line + QStringLiteral("失败!"));
        context_.CloseReaderDevice();
        return;
    }
    TwoIdLog(line + QStringLiteral("成功!"));
}

void IdCardPage::btnSamvPowerOnClick() { SamvPower(1); }

void IdCardPage::btnSamvPowerOffClick() { SamvPower(0); }

void IdCardPage::SamvResultBytes(int (*call)(int, KorviCardParam*), const char* exportName,
                                 const QString& label) {
    ReaderLease lease(context_);
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    KorviCardParam p{};
    SamvCommand(p, exportName, call, label);
}

void IdCardPage::btnSamvLastApduClick() {
    SamvResultBytes(KorviCardGetSamvLastApdu, "KorviCardGetSamvLastApdu",
                    QStringLiteral("SAMV LastApdu:"));
}

void IdCardPage::btnSamvLastApduResultClick() {
    SamvResultBytes(KorviCardGetSamvLastApduResult, "KorviCardGetSamvLastApduResult",
                    QStringLiteral("SAMV LastApduResult:"));
}

void IdCardPage::btnGetSamvResultClick() {
    SamvResultBytes(KorviCardGetSamvUartData, "KorviCardGetSamvUartData",
                    QStringLiteral("SAMV UART:"));
}

bool IdCardPage::ServerPort(int& port) {
    bool ok = false;
    port = edtSamvServerPort->text().trimmed().toInt(&ok, 10);
    if (!ok) TwoIdLog(QStringLiteral("端口不是整形数据类型!"));
    return ok;
}

QByteArray IdCardPage::ServerHost() const { return cmbSamvServerIp->currentText().toLocal8Bit(); }

void IdCardPage::ServerHandler(QPushButton* button, const std::function<bool()>& checks,
                               const std::function<void(int, const char*, int)>& body) {
    ReaderLease lease(context_);
    int port = 0;
    if (!ServerPort(port)) return;
    if (checks && !checks()) return;
    ButtonHold hold(button);
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    const QByteArray host = ServerHost();
    body(context_.hDevice(), host.constData(), port);
}

void IdCardPage::ServerFailure(const QString& exportName, bool withCode) {
    QString line = QStringLiteral("调用") + exportName + QStringLiteral("失败!");
    if (withCode) {
        const int code = KorviCardGetTwoIdErrorCode(context_.hDevice());
        line += QStringLiteral("错误编码:") + TwoIdErrorDetail(code);
    }
    TwoIdLog(line);
}

void IdCardPage::btnGetSamvManagerMessageClick() {
    ServerHandler(btnGetSamvManagerMessage, {}, [this](int h, const char* host, int port) {
        char text[200] = {};
        if (KorviCardGetSamvManagerMessageByServer(h, host, port, text, sizeof text) == 0) {
            ServerFailure(QStringLiteral("KorviCardGetSamvManagerMessageByServer"), true);
            return;
        }
        TwoIdLog(QStringLiteral("调用KorviCardGetSamvManagerMessageByServer成功!"));
        QString number = QString::fromLocal8Bit(text, qstrnlen(text, sizeof text));
        qsizetype begin = 0;
        while (begin < number.size() && number[begin].unicode() <= u' ') ++begin;
        TwoIdLog(QStringLiteral("SAMV编号:") + number.mid(begin));
    });
}

void IdCardPage::btnSamvWaitTimeClick() {
    ServerHandler(btnSamvWaitTime, {}, [this](int h, const char* host, int port) {
        std::uint8_t buffer[32] = {};
        if (KorviCardGetSamvWaitTimeByInterval(h, host, port, buffer, sizeof buffer) == 0) {
            ServerFailure(QStringLiteral("KorviCardGetSamvWaitTimeByInterval"), true);
            return;
        }
        const std::int64_t t0 = Le64(buffer);
        const std::int64_t t1 = Le64(buffer + 8);
        const std::int64_t t2 = Le64(buffer + 16);
        TwoIdLog(QStringLiteral("调用KorviCardGetSamvWaitTimeByInterval成功!"));
        TwoIdLog(QStringLiteral("第一间隔:") + QString::number(t1 - t0));
        TwoIdLog(QStringLiteral("第二间隔:") + QString::number(t2 - t1));
    });
}

void IdCardPage::LogLastErrorRecord(const SamvLastErrorInfo& info) {
    TwoIdLog(QStringLiteral("调用KorviCardGetSamvLastErrorInfo成功!"));
    TwoIdLog(QStringLiteral("UART返回值:") +
             BytesToHex(info.arrUartResult, sizeof info.arrUartResult, true));
    TwoIdLog(QStringLiteral("指令:") +
             BytesToHex(info.arrLastCommand, sizeof info.arrLastCommand, true));
    TwoIdLog(QStringLiteral("SAM数据类型:") + QString::number(info.nSamDataType) +
             SamDataTypeName(static_cast<std::uint8_t>(info.nSamDataType & 0xFF)));
    TwoIdLog(QStringLiteral("执行结果:") + QString::number(info.nExecResult));
    TwoIdLog(QStringLiteral("最后接收到的数据包索引:") + QString::number(info.unLastPacketIndex));
    TwoIdLog(QStringLiteral("最后发送给SAMV数据:") +
             BytesToHex(info.arrLastSendData, sizeof info.arrLastSendData, true));
    TwoIdLog(QStringLiteral("最近两次指令发送间隔:") +
             QString::number(info.llLastCommandTime - info.llPreviousCommandTime));
}

void IdCardPage::btnGetSamvLastErrorInfoClick() {
    ServerHandler(btnGetSamvLastErrorInfo, {}, [this](int h, const char* host, int port) {
        SamvLastErrorInfo info{};
        if (KorviCardGetSamvLastErrorInfo(h, host, port, &info) == 0) {
            ServerFailure(QStringLiteral("KorviCardGetSamvLastErrorInfo"), true);
            return;
        }
        LogLastErrorRecord(info);
    });
}

void IdCardPage::btnGetSamvSendReceiveTimeInfoClick() {
    ServerHandler(btnGetSamvSendReceiveTimeInfo, {}, [this](int h, const char* host, int port) {
        SamvTimeInfoEntry entries[kTimeInfoCount] = {};
        if (KorviCardGetSamvSendReceivTimeInfo(h, host, port, entries, kTimeInfoCount) == 0) {
            ServerFailure(QStringLiteral("KorviCardGetSamvSendReceivTimeInfo"), true);
            return;
        }
        TwoIdLog(QStringLiteral("调用KorviCardGetSamvSendReceivTimeInfo成功!"));
        std::uint32_t largest = 0;
        std::uint32_t smallest = 0;
        for (int i = 0; i < kTimeInfoCount && entries[i].unTimeStamp != 0; ++i) {
            const std::uint32_t time = entries[i].unTimeStamp;
            const std::uint32_t interval = i == 0 ? 0 : time - entries[i - 1].unTimeStamp;
            if (i == 1) largest = smallest = interval;
            if (i > 1) {
                largest = std::max(largest, interval);
                smallest = std::min(smallest, interval);
            }
            TwoIdLog(QStringLiteral("索引[%1]SAMV%2+%3间隔%4毫秒")
                         .arg(i)
                         .arg(entries[i].nDirection != 0 ? QStringLiteral("发送到MCU")
                                                         : QStringLiteral("接收自MCU"))
                         .arg(time)
                         .arg(interval));
        }
        TwoIdLog(QStringLiteral("最大间隔%1毫秒，最小间隔%2毫秒。").arg(largest).arg(smallest));
    });
}

// The bytes of a server answer: result is at least minimum for success; shown are the
// bytes logged after "返回值:".
void IdCardPage::ServerBytes(const QString& exportName, bool withCode, bool success,
                             std::span<const std::uint8_t> shown, bool withBlank) {
    if (!success) {
        ServerFailure(exportName, withCode);
        return;
    }
    TwoIdLog(QStringLiteral("调用") + exportName + QStringLiteral("成功!"));
    TwoIdLog(QStringLiteral("返回值:") + BytesToHex(shown, shown.size(), withBlank));
}

void IdCardPage::btnResetPsamClick() {
    ServerHandler(btnResetPsam, {}, [this](int h, const char* host, int port) {
        std::uint8_t buffer[128] = {};
        const int n = KorviCardResetPsamByServer(h, host, port, buffer, sizeof buffer);
        ServerBytes(QStringLiteral("KorviCardResetPsamByServer"), true, n > 0,
                    std::span(buffer).first(std::clamp<std::size_t>(n, 0, sizeof buffer)), true);
    });
}

void IdCardPage::btnGetPsamChallengeClick() {
    ServerHandler(btnGetPsamChallenge, {}, [this](int h, const char* host, int port) {
        std::uint8_t buffer[256] = {0x00, 0x84, 0x00, 0x00, 0x04};
        const int n = KorviCardPsamCommandByServer(h, host, port, buffer, 5, sizeof buffer);
        ServerBytes(QStringLiteral("KorviCardPsamCommandByServer"), true, n > 0,
                    std::span(buffer).first(std::clamp<std::size_t>(n, 0, sizeof buffer)), true);
    });
}

void IdCardPage::btnGetTwoIdServerMacAddressClick() {
    ServerHandler(btnGetTwoIdServerMacAddress, {}, [this](int h, const char* host, int port) {
        std::uint8_t buffer[8] = {};
        const int n = KorviCardGetTwoIdServerMacAddress(h, host, port, buffer, sizeof buffer);
        ServerBytes(QStringLiteral("KorviCardGetTwoIdServerMacAddress"), false, n >= 1,
                    std::span(buffer).first(6), false);
    });
}

void IdCardPage::btnGetTwoIdServerMcuSerialNoClick() {
    ServerHandler(btnGetTwoIdServerMcuSerialNo, {}, [this](int h, const char* host, int port) {
        std::uint8_t buffer[16] = {};
        const int n = KorviCardGetTwoIdServerMcuSerialNo(h, host, port, buffer, sizeof buffer);
        ServerBytes(QStringLiteral("KorviCardGetTwoIdServerMcuSerialNo"), false, n >= 1,
                    std::span(buffer).first(12), false);
    });
}

// The password rules: with chkUseInitPassWord unchecked the trimmed password edit, neither
// empty nor longer than 16 bytes. False (after its message) when the handler ends here.
bool IdCardPage::PasswordRules(QByteArray& password, const QString& emptyText,
                               const QString& longText) {
    if (chkUseInitPassWord->isChecked()) return true;
    return PasswordText(edtSamvAppPassword, emptyText, longText, password);
}

// The trimmed text of edit as ANSI bytes, neither empty nor longer than 16 bytes.
bool IdCardPage::PasswordText(const QLineEdit* edit, const QString& emptyText,
                              const QString& longText, QByteArray& password) {
    password = AnsiBytes(TrimControls(edit->text()));
    if (password.isEmpty()) {
        TwoIdLog(emptyText);
        return false;
    }
    if (static_cast<std::size_t>(password.size()) > kPasswordSize) {
        TwoIdLog(longText);
        return false;
    }
    return true;
}

void IdCardPage::FillPassword(std::uint8_t* field, const QByteArray& password) const {
    std::memset(field, 0, kPasswordSize);
    if (chkUseInitPassWord->isChecked()) {
        const auto initial = InitialConfigPassword();
        std::memcpy(field, initial.data(), kPasswordSize);
        return;
    }
    std::memcpy(field, password.constData(),
                std::min<std::size_t>(static_cast<std::size_t>(password.size()), kPasswordSize));
}

void IdCardPage::btnGetAppConfigClick() {
    ServerHandler(btnGetAppConfig, {}, [this](int h, const char* host, int port) {
        KorviCardAppConfig config{};
        if (KorviCardGetTwoIdServerAppConfig(h, host, port, &config) <= 0) {
            ServerFailure(QStringLiteral("KorviCardGetTwoIdServerAppConfig"), false);
            return;
        }
        TwoIdLog(QStringLiteral("调用KorviCardGetTwoIdServerAppConfig成功!"));
        edtSamvStaticIp->setText(Dotted(config.arrLocalIpAddress));
        edtSamvNetMask->setText(Dotted(config.arrLocalNetMaskAddress));
        edtSamvGateWay->setText(Dotted(config.arrLocalGatewayAddress));
        chkSTM32Iap->setChecked(std::any_of(std::begin(config.arrIapSwitch),
                                            std::end(config.arrIapSwitch),
                                            [](std::uint8_t b) { return b != 0; }));
        TwoIdLog(QStringLiteral("IP地址:") + Dotted(config.arrLocalIpAddress));
        TwoIdLog(QStringLiteral("子网掩码:") + Dotted(config.arrLocalNetMaskAddress));
        TwoIdLog(QStringLiteral("网关:") + Dotted(config.arrLocalGatewayAddress));
    });
}

void IdCardPage::btnSetAppConfigClick() {
    KorviCardAppConfig config{};
    QByteArray password;
    const auto checks = [&] {
        std::uint8_t* fields[] = {config.arrLocalIpAddress, config.arrLocalNetMaskAddress,
                                  config.arrLocalGatewayAddress};
        const QLineEdit* edits[] = {edtSamvStaticIp, edtSamvNetMask, edtSamvGateWay};
        for (int i = 0; i < 3; ++i) {
            const auto octets = ParseDottedAddress(edits[i]->text());
            if (!octets) {
                TwoIdLog(QStringLiteral("Ip不是整形数据类型!"));
                return false;
            }
            std::memcpy(fields[i], octets->data(), octets->size());
        }
        return PasswordRules(password, QStringLiteral("密码不能为空!"),
                             QStringLiteral("密码不能超过16个字符为空!"));
    };
    ServerHandler(btnSetAppConfig, checks, [&](int h, const char* host, int port) {
        std::memset(config.arrIapSwitch, chkSTM32Iap->isChecked() ? 0xFF : 0x00,
                    sizeof config.arrIapSwitch);
        FillPassword(config.arrPassWord, password);
        if (KorviCardSetTwoIdServerAppConfig(h, host, port, &config) <= 0) {
            ServerFailure(QStringLiteral("KorviCardSetTwoIdServerAppConfig"), false);
            return;
        }
        TwoIdLog(QStringLiteral("调用KorviCardSetTwoIdServerAppConfig成功!"));
    });
}

void IdCardPage::btnClearAppConfigClick() {
    QByteArray password;
    const auto checks = [&] {
        return PasswordRules(password, QStringLiteral("密码不能为空!"),
                             QStringLiteral("密码不能超过16个字符为空!"));
    };
    ServerHandler(btnClearAppConfig, checks, [&](int h, const char* host, int port) {
        KorviCardAppConfig config{};
        FillPassword(config.arrPassWord, password);
        if (KorviCardClearTwoIdServerAppConfig(h, host, port, &config) <= 0) {
            ServerFailure(QStringLiteral("KorviCardClearTwoIdServerAppConfig"), false);
            return;
        }
        TwoIdLog(QStringLiteral("调用KorviCardClearTwoIdServerAppConfig成功!"));
    });
}

void IdCardPage::btnChangeAppConfigPasswordClick() {
    char oldPassword[20] = {};
    char newPassword[20] = {};
    QByteArray old;
    const auto checks = [&] {
        if (!PasswordRules(old, QStringLiteral("旧密码不能为空!"),
                           QStringLiteral("旧密码不能超过16个字符为空!"))) {
            return false;
        }
        QByteArray fresh;
        if (!PasswordText(edtNewAppConfigPassword, QStringLiteral("新密码不能为空!"),
                          QStringLiteral("新密码不能超过16个字符为空!"), fresh)) {
            return false;
        }
        std::memcpy(newPassword, fresh.constData(), static_cast<std::size_t>(fresh.size()));
        return true;
    };
    ServerHandler(btnChangeAppConfigPassword, checks, [&](int h, const char* host, int port) {
        FillPassword(reinterpret_cast<std::uint8_t*>(oldPassword), old);
        if (KorviCardChangeTwoIdServerAppConfigPassword(h, host, port, oldPassword, newPassword) <=
            0) {
            ServerFailure(QStringLiteral("KorviCardChangeTwoIdServerAppConfigPassword"), false);
            return;
        }
        TwoIdLog(QStringLiteral("调用KorviCardChangeTwoIdServerAppConfigPassword成功!"));
    });
}

void IdCardPage::PowerOnOffOtherDevice(int state) {
    ReaderLease lease(context_);
    int port = 0;
    if (!ServerPort(port)) return;
    QByteArray password;
    if (!PasswordRules(password, QStringLiteral("密码不能为空!"),
                       QStringLiteral("密码不能超过16个字符为空!"))) {
        return;
    }
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    std::uint8_t block[kPasswordSize];
    FillPassword(block, password);
    const QByteArray host = ServerHost();
    const bool done = KorviCardPowerOnOffOtherDevice(context_.hDevice(), host.constData(), port,
                                                     state, block) > 0;
    TwoIdLog(QStringLiteral("调用KorviCardPowerOnOffOtherDevice 状态") + QString::number(state) +
             (done ? QStringLiteral("成功!") : QStringLiteral("失败!")));
}

void IdCardPage::btnPowerOffOtherDeviceClick() {
    ButtonHold hold(btnPowerOffOtherDevice);
    PowerOnOffOtherDevice(0);
}

void IdCardPage::btnPowerOnOtherDeviceClick() {
    ButtonHold hold(btnPowerOnOtherDevice);
    PowerOnOffOtherDevice(1);
}

void IdCardPage::SamvLedOnOff(int state) {
    ReaderLease lease(context_);
    int port = 0;
    if (!ServerPort(port)) return;
    if (!context_.OpenReaderDevice(kOpenMs)) return;
    const QByteArray host = ServerHost();
    const bool done = KorviCardSamvLedOnOff(context_.hDevice(), host.constData(), port, state) > 0;
    TwoIdLog(QStringLiteral("调用KorviCardLedOnOff 状态") + QString::number(state) +
             (done ? QStringLiteral("成功!") : QStringLiteral("失败!")));
}

void IdCardPage::btnSamvLedOnOffClick() {
    ButtonHold hold(btnSamvLedOnOff);
    const int state = ledState_ != 0 ? 0 : 1;
    ledState_ = state;
    SamvLedOnOff(state);
}

}  // namespace bench
