#include "testbench/pages/wifi_group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "korvicard/KorviCardDriver.h"
#include "testbench/core/bench_context.h"
#include "testbench/core/driver_text.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/handler_table.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/ip_packing.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"
#include "testbench/pages/network_group_style.h"
#include "testbench/pages/wifi_records.h"

namespace bench {

namespace {

constexpr int kScanWaitMs = 5000;
constexpr int kStaReadPauseMs = 100;
constexpr int kSwitchTimeoutMs = 2000;
const char kDiagnosticSsid[] = "KorviCard-Diag";
const char kDiagnosticPassPhrase[] = "Diag1357924680";

HandlerRules WifiRules(QPushButton* button = nullptr) {
    return {.timeoutMs = 0, .button = button, .beep = false};
}

// Server-address rules: a beep first, the reader closed only after success.
HandlerRules ServerAddressRules() {
    return {.timeoutMs = 0, .afterFailure = ReaderAtEnd::kKeepOpen};
}

// The name, RSSI, channel and encryption lines of an access point.
void LogAccessPoint(LogMemo& log, const AccessPoint& ap) {
    log.AddLog(ap.ssid);
    log.AddLog(QString::number(ap.rssi) + QStringLiteral("DB"));
    log.AddLog(QStringLiteral("通道") + QString::number(ap.channel));
    log.AddLog(QStringLiteral("加密") + QString::number(ap.encryption));
}

int PortOrThrow(const QString& text) {
    const int port = DecimalTextToValue(text);
    if (port < 0 || port > 65535) {
        throw ConversionError(QStringLiteral("“%1”不是有效的端口").arg(text));
    }
    return port;
}

void PutAddress(StationRecord& record, std::size_t at, const std::array<std::uint8_t, 4>& octets) {
    std::copy(octets.begin(), octets.end(), record.begin() + static_cast<long>(at));
}

}  // namespace

WifiGroup::WifiGroup(BenchContext& context, LogMemo& log, QLineEdit* edtIPAdress, QWidget* parent)
    : QGroupBox(QStringLiteral("WIFI"), parent),
      context_(context),
      log_(log),
      edtIPAdress_(edtIPAdress) {
    setObjectName(QStringLiteral("WIFI"));
    BuildControls();
}

void WifiGroup::BuildControls() {
    QGridLayout* grid = CompactGrid(this);
    cmbWifiMode =
        AddLabeledCombo(grid, 0, 0, QStringLiteral("cmbWifiMode"), QStringLiteral("模式："));
    cmbWifiMode->addItems(
        {QStringLiteral("STATION"), QStringLiteral("SOFTAP"), QStringLiteral("SOFTAP+STASION")});
    cmbWifiMode->setCurrentIndex(2);
    cmbApList = AddLabeledCombo(grid, 0, 2, QStringLiteral("cmbApList"), QStringLiteral("AP："));
    cmbApList->setEditable(true);
    NameForAccessibility(cmbApList->lineEdit(), QStringLiteral("AP："));
    edtWifiPassWord = AddLabeledEdit(grid, 1, 0, QStringLiteral("edtWifiPassWord"),
                                     QStringLiteral("密码："), QStringLiteral("1357924680"));
    edtStaticIp = AddLabeledEdit(grid, 1, 2, QStringLiteral("edtStaticIp"), QStringLiteral("IP："),
                                 QStringLiteral("192.168.1.40"));
    edtNetworkMask = AddLabeledEdit(grid, 2, 0, QStringLiteral("edtNetworkMask"),
                                    QStringLiteral("掩码："), QStringLiteral("255.255.255.0"));
    edtGateWay = AddLabeledEdit(grid, 2, 2, QStringLiteral("edtGateWay"), QStringLiteral("GW："),
                                QStringLiteral("192.168.1.1"));
    edtDns = AddLabeledEdit(grid, 3, 0, QStringLiteral("edtDns"), QStringLiteral("DNS："),
                            QStringLiteral("114.114.114.114"));
    for (QLineEdit* edit : {edtStaticIp, edtNetworkMask, edtDns, edtGateWay}) {
        edit->setEnabled(false);
    }
    edtServerIp = AddLabeledEdit(grid, 3, 2, QStringLiteral("edtServerIp"),
                                 QStringLiteral("服务器："), QStringLiteral("192.168.1.10"));
    edtServerPort = AddLabeledEdit(grid, 4, 0, QStringLiteral("edtServerPort"),
                                   QStringLiteral("端口："), QStringLiteral("7777"));
    chkUseDhcp = MakeCheckBox(QStringLiteral("chkUseDhcp"), QStringLiteral("使用DHCP"), true, this);
    grid->addWidget(chkUseDhcp, 4, 2, 1, 2);

    btnGetWifiMode = MakeButton(QStringLiteral("btnGetWifiMode"), QStringLiteral("获取模式"), this);
    btnSetMode = MakeButton(QStringLiteral("btnSetMode"), QStringLiteral("设置模式"), this);
    btnScanAp = MakeButton(QStringLiteral("btnScanAp"), QStringLiteral("扫描AP"), this);
    btnSetStaInfo = MakeButton(QStringLiteral("btnSetStaInfo"), QStringLiteral("设置STA"), this);
    btnGetIP = MakeButton(QStringLiteral("btnGetIP"), QStringLiteral("获取IP"), this);
    btnWifiDisable = MakeButton(QStringLiteral("btnWifiDisable"), QStringLiteral("禁用WIFI"), this);
    btnWifiEnable = MakeButton(QStringLiteral("btnWifiEnable"), QStringLiteral("启用WIFI"), this);
    btnSetIpPort = MakeButton(QStringLiteral("btnSetIpPort"), QStringLiteral("设置IP/PORT"), this);
    btnGetIpPort = MakeButton(QStringLiteral("btnGetIpPort"), QStringLiteral("获取IP/PORT"), this);
    const QPushButton* columns[][2] = {{btnGetWifiMode, btnSetMode},
                                       {btnScanAp, btnSetStaInfo},
                                       {btnGetIP, nullptr},
                                       {btnWifiDisable, btnWifiEnable},
                                       {btnSetIpPort, btnGetIpPort}};
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 2; ++column) {
            if (const QPushButton* button = columns[row][column]) {
                grid->addWidget(const_cast<QPushButton*>(button), row, 4 + column);
            }
        }
    }

    Button1 = MakeButton(QStringLiteral("Button1"), QStringLiteral("SetSTA"), this);
    Button2 = MakeButton(QStringLiteral("Button2"), QStringLiteral("SetMode3"), this);
    Button1->setVisible(false);
    Button2->setVisible(false);

    CompactRows(this);

    BindHandlers<WifiGroup>(context_, this,
                            {
                                {btnGetWifiMode, &WifiGroup::btnGetWifiModeClick},
                                {btnSetMode, &WifiGroup::btnSetModeClick},
                                {btnScanAp, &WifiGroup::btnScanApClick},
                                {btnSetStaInfo, &WifiGroup::btnSetStaInfoClick},
                                {btnGetIP, &WifiGroup::btnGetIPClick},
                                {btnWifiDisable, &WifiGroup::btnWifiDisableClick},
                                {btnWifiEnable, &WifiGroup::btnWifiEnableClick},
                                {btnSetIpPort, &WifiGroup::btnSetIpPortClick},
                                {btnGetIpPort, &WifiGroup::btnGetIpPortClick},
                                {Button1, &WifiGroup::Button1Click},
                                {Button2, &WifiGroup::Button2Click},
                            });
    connect(chkUseDhcp, &QCheckBox::clicked, this, &WifiGroup::chkUseDhcpClick);
}

bool WifiGroup::ModelReachesWifi(const QString& message) {
    const ReaderModel model = context_.Selection().model;
    if (model == ReaderModel::kUsbHid || model == ReaderModel::kSerial) return true;
    context_.ShowMessage(message);
    return false;
}

bool WifiGroup::OpenForWifi(HandlerRun& run) {
    if (run.Begin()) return true;
    context_.ShowMessage(QStringLiteral("打开设备失败!"));
    return false;
}

bool WifiGroup::ReadMode(HandlerRun& run, unsigned char& mode) {
    if (KorviCardGetWifiMode(run.handle(), &mode) == 0) {
        context_.ShowMessage(QStringLiteral("获取WIFI模式失败!"));
        return false;
    }
    run.Log(QStringLiteral("当前模式：") + WifiModeName(mode));
    return true;
}

void WifiGroup::btnGetWifiModeClick() {
    if (!ModelReachesWifi(QStringLiteral("型号请选v1-u!"))) return;
    HandlerRun run(context_, log_, WifiRules());
    if (!OpenForWifi(run)) return;
    unsigned char mode = 0;
    if (!ReadMode(run, mode)) return;
    cmbWifiMode->setCurrentIndex(mode >= 1 && mode <= 3 ? mode - 1 : -1);
    run.Succeed();
}

void WifiGroup::btnSetModeClick() {
    if (!ModelReachesWifi(QStringLiteral("型号请选v1-u!"))) return;
    HandlerRun run(context_, log_, WifiRules(btnSetMode));
    if (!OpenForWifi(run)) return;
    unsigned char mode = 0;
    if (!ReadMode(run, mode)) return;
    const int wanted = cmbWifiMode->currentIndex() + 1;
    if (wanted == mode) {
        context_.ShowMessage(QStringLiteral("当前模式已经是：") + WifiModeName(mode));
        run.Succeed();
        return;
    }
    if (!run.Expect(KorviCardSetWifiMode(run.handle(), wanted),
                    QStringLiteral("设置WIFI模式失败!"))) {
        return;
    }
    run.Log(QStringLiteral("设置WIFI模式成功!"));
    run.Succeed();
}

void WifiGroup::btnScanApClick() {
    if (!ModelReachesWifi(QStringLiteral("型号请选v1-u!"))) return;
    HandlerRun run(context_, log_, WifiRules(btnScanAp));
    int found = 0;
    const auto summary = [&] {
        run.Log(QStringLiteral("扫描完成，共") + QString::number(found) + QStringLiteral("个AP"));
    };
    if (!OpenForWifi(run)) {
        summary();
        return;
    }
    ScanBuffer records{};
    unsigned char mode = 0;
    if (!run.Expect(KorviCardGetWifiMode(run.handle(), &mode),
                    QStringLiteral("获取WIFI模式失败!"))) {
        return;
    }
    run.Log(QStringLiteral("当前模式：") + WifiModeName(mode));
    cmbWifiMode->setCurrentIndex(mode >= 1 && mode <= 3 ? mode - 1 : -1);
    if (mode == 2) {
        context_.ShowMessage(QStringLiteral("SOFTAP模式不能扫描AP!"));
        return;
    }
    cmbApList->clear();
    if (KorviCardScanAp(run.handle(), records.data(), kApRecords, kScanWaitMs) == 0) {
        context_.ShowMessage(QStringLiteral("执行扫描动作失败!"));
        run.FailWithErrorText(QString());
        return;
    }
    for (const AccessPoint& ap : AccessPointsOf(records)) {
        cmbApList->addItem(ap.ssid.trimmed());
        LogAccessPoint(log_, ap);
        run.Log(QStringLiteral("是否隐藏") + QString::number(ap.hidden));
        run.Log(QStringLiteral("频率偏移") + QString::number(ap.frequencyOffset));
        run.Log(QStringLiteral("频率修正") + QString::number(ap.frequencyCorrection));
        ++found;
    }
    if (cmbApList->count() > 0) cmbApList->setCurrentIndex(0);
    summary();
    run.Succeed();
}

void WifiGroup::btnSetStaInfoClick() {
    if (!ModelReachesWifi(QStringLiteral("型号请选V1-U/V3-U!"))) return;
    const bool dhcp = chkUseDhcp->isChecked();
    if (!dhcp) {
        const std::pair<QLineEdit*, const char*> required[] = {
            {edtStaticIp, "静态IP地址不能为空"},
            {edtNetworkMask, "子网掩码地址不能为空"},
            {edtGateWay, "GW地址不能为空"},
            {edtDns, "DNS地址不能为空"},
        };
        for (const auto& [edit, line] : required) {
            if (edit->text().trimmed().isEmpty()) {
                log_.AddLog(QString::fromUtf8(line));
                return;
            }
        }
    }
    StationRecord record{};
    const QString ssid = cmbApList->currentText().trimmed();
    if (ssid.isEmpty()) return;
    if (!dhcp) {
        PutAddress(record, kStaAddress, AddressOrThrow(edtStaticIp->text()));
        PutAddress(record, kStaMask, AddressOrThrow(edtNetworkMask->text()));
        PutAddress(record, kStaDns, AddressOrThrow(edtDns->text()));
        PutAddress(record, kStaGateway, AddressOrThrow(edtGateWay->text()));
    }
    const std::span<std::uint8_t> fields(record);
    if (!PutZeroTerminated(fields.subspan(kStaSsid, kStaTextSize), GbkOrThrow(ssid))) {
        log_.AddLog(QStringLiteral("SSID超过15字节，未执行"));
        return;
    }
    if (!PutZeroTerminated(fields.subspan(kStaPassPhrase, kStaTextSize),
                           GbkOrThrow(edtWifiPassWord->text().trimmed()))) {
        log_.AddLog(QStringLiteral("WIFI密码超过15字节，未执行"));
        return;
    }
    HandlerRun run(context_, log_, WifiRules(btnSetStaInfo));
    if (!OpenForWifi(run)) return;
    run.Log(KorviCardSetStaInfo(run.handle(), record.data()) != 0
                ? QStringLiteral("设置STA信息成功")
                : QStringLiteral("设置STA信息失败"));
    run.Succeed();
}

void WifiGroup::btnGetIPClick() {
    if (!ModelReachesWifi(QStringLiteral("型号请选v1-u!"))) return;
    HandlerRun run(context_, log_, WifiRules());
    if (!OpenForWifi(run)) return;
    StationRecord record{};
    int result = 0;
    for (int reading = 0; reading < 3; ++reading) {
        if (reading > 0) WaitMilliseconds(kStaReadPauseMs);
        result = KorviCardGetStaInfo(run.handle(), record.data());
    }
    if (result == 0) return;
    const QString ip = DottedText(&record[kStaAddress]);
    run.Log(ip);
    if (record[kStaAddress + 3] != 0) edtIPAdress_->setText(ip);
    const char* bytes = reinterpret_cast<const char*>(record.data());
    const QString ssid = FromGbk(bytes + kStaSsid, kStaTextSize).trimmed();
    if (cmbApList->count() == 0) {
        cmbApList->addItem(ssid);
        cmbApList->setCurrentIndex(0);
    } else {
        cmbApList->setEditText(ssid);
    }
    edtWifiPassWord->setText(FromGbk(bytes + kStaPassPhrase, kStaTextSize).trimmed());
    edtStaticIp->setText(ip);
    edtNetworkMask->setText(DottedText(&record[kStaMask]));
    edtDns->setText(DottedText(&record[kStaDns]));
    edtGateWay->setText(DottedText(&record[kStaGateway]));
    run.Succeed();
}

void WifiGroup::SwitchModule(const char* exportName, int (*call)(int handle)) {
    HandlerRun run(context_, log_, {.timeoutMs = kSwitchTimeoutMs, .beep = false});
    if (!run.Begin()) return;
    const QString name = QStringLiteral("调用") + QLatin1String(exportName);
    if (call(run.handle()) == 0) {
        run.Fail(name + QStringLiteral("失败!"));
        return;
    }
    run.Log(name + QStringLiteral("成功!"));
    run.Succeed();
}

void WifiGroup::btnWifiDisableClick() {
    SwitchModule("KorviCardWifiDisable", KorviCardWifiDisable);
}

void WifiGroup::btnWifiEnableClick() { SwitchModule("KorviCardWifiEnable", KorviCardWifiEnable); }

void WifiGroup::btnSetIpPortClick() {
    const std::uint32_t address = PackLowByteFirst(AddressOrThrow(edtServerIp->text()));
    const int port = PortOrThrow(edtServerPort->text());
    HandlerRun run(context_, log_, ServerAddressRules());
    if (!run.Begin()) return;
    if (KorviCardSetServerIpPort(run.handle(), address, port) == 0) {
        run.Fail(QStringLiteral("调用KorviCardSetServerIpPort失败!"));
        return;
    }
    run.Log(QStringLiteral("调用KorviCardSetServerIpPort成功!"));
    run.Succeed();
}

void WifiGroup::btnGetIpPortClick() {
    HandlerRun run(context_, log_, ServerAddressRules());
    if (!run.Begin()) return;
    unsigned int address = 0;
    unsigned short port = 0;
    if (KorviCardGetServerIpPort(run.handle(), &address, &port) == 0) {
        run.Fail(QStringLiteral("调用KorviCardGetServerIpPort失败!"));
        return;
    }
    run.Log(QStringLiteral("调用KorviCardGetServerIpPort成功!"));
    edtServerPort->setText(QString::number(port));
    edtServerIp->setText(UnpackLowByteFirst(address));
    run.Succeed();
}

void WifiGroup::chkUseDhcpClick() {
    const bool manual = !chkUseDhcp->isChecked();
    for (QLineEdit* edit : {edtStaticIp, edtNetworkMask, edtDns, edtGateWay}) {
        edit->setEnabled(manual);
    }
}

bool WifiGroup::HasOpenReader() {
    if (context_.HasReader()) return true;
    log_.AddLog(QStringLiteral("设备未打开，未执行"));
    return false;
}

void WifiGroup::Button1Click() {
    ReaderLease lease(context_);
    if (!HasOpenReader()) return;
    StationRecord record{};
    std::memcpy(record.data() + kStaSsid, kDiagnosticSsid, sizeof kDiagnosticSsid);
    std::memcpy(record.data() + kStaPassPhrase, kDiagnosticPassPhrase,
                sizeof kDiagnosticPassPhrase);
    KorviCardSetStaInfo(context_.hDevice(), record.data());
}

void WifiGroup::Button2Click() {
    ReaderLease lease(context_);
    if (!HasOpenReader()) return;
    ScanBuffer records{};
    KorviCardScanAp(context_.hDevice(), records.data(), kApRecords, 0);
    for (const AccessPoint& ap : AccessPointsOf(records)) LogAccessPoint(log_, ap);
}

}  // namespace bench
