#include "testbench/pages/ethernet_group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstring>

#include "korvicard/KorviCardDriver.h"
#include "testbench/core/bench_context.h"
#include "testbench/core/dispatch_line_types.h"
#include "testbench/core/driver_text.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/handler_table.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/ip_address.h"
#include "testbench/core/ip_packing.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/ping_series.h"
#include "testbench/core/widget_factory.h"
#include "testbench/pages/network_group_style.h"

namespace bench {

namespace {

constexpr int kConfigTimeoutMs = 2000;
constexpr std::size_t kMacBufferSize = 8;
constexpr std::size_t kMacSize = 6;

// A decimal text as an unsigned 32-bit value; nothing for any other text.
std::optional<std::uint32_t> DecimalValue(const QString& text) {
    bool ok = false;
    const std::uint32_t value = text.trimmed().toUInt(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

// A text field of the record up to its first zero, without leading and trailing blanks.
QString FieldText(const std::uint8_t* field, std::size_t size) {
    return FromGbk(reinterpret_cast<const char*>(field), size).trimmed();
}

}  // namespace

EthernetGroup::EthernetGroup(BenchContext& context, LogMemo& log, QWidget* parent)
    : QGroupBox(QStringLiteral("ETHERNET"), parent), context_(context), log_(log) {
    setObjectName(QStringLiteral("GroupBox13"));
    BuildControls();
}

void EthernetGroup::BuildControls() {
    QGridLayout* grid = CompactGrid(this);
    edtStaticIpEthernet =
        AddLabeledEdit(grid, 0, 0, QStringLiteral("edtStaticIpEthernet"),
                       QStringLiteral("设备IP："), QStringLiteral("192.168.1.252"));
    edtNetworkMaskEthernet =
        AddLabeledEdit(grid, 0, 2, QStringLiteral("edtNetworkMaskEthernet"),
                       QStringLiteral("掩码："), QStringLiteral("255.255.255.0"));
    edtServerPortEthernt = AddLabeledEdit(grid, 0, 4, QStringLiteral("edtServerPortEthernt"),
                                          QStringLiteral("PORT："), QStringLiteral("7777"));
    edtGateWayEthernet = AddLabeledEdit(grid, 1, 0, QStringLiteral("edtGateWayEthernet"),
                                        QStringLiteral("GW："), QStringLiteral("192.168.1.1"));
    edtDnsAddress = AddLabeledEdit(grid, 1, 2, QStringLiteral("edtDnsAddress"),
                                   QStringLiteral("DNS："), QStringLiteral("114.114.114.114"));
    edtDispatchPostCode = AddLabeledEdit(grid, 1, 4, QStringLiteral("edtDispatchPostCode"),
                                         QStringLiteral("邮编："), QStringLiteral("518000"), 6);
    edtServerIpEthernet =
        AddLabeledEdit(grid, 2, 0, QStringLiteral("edtServerIpEthernet"),
                       QStringLiteral("ServerIP："), QStringLiteral("192.168.1.10"));
    edtDispatchUrl =
        AddLabeledEdit(grid, 2, 2, QStringLiteral("edtDispatchUrl"), QStringLiteral("URL："),
                       QStringLiteral("dispatch.korvicard.cn"), 32);
    cmbDispatchLineType = AddLabeledCombo(grid, 2, 4, QStringLiteral("cmbDispatchLineType"),
                                          QStringLiteral("线路："));
    cmbDispatchLineType->addItems(DispatchLineTypes());
    cmbDispatchLineType->setCurrentIndex(0);
    edtOperatePassword =
        AddLabeledEdit(grid, 3, 0, QStringLiteral("edtOperatePassword"),
                       QStringLiteral("操作密码："), QStringLiteral("1357924680"), 32);
    edtDispatchPassword = AddLabeledEdit(grid, 3, 2, QStringLiteral("edtDispatchPassword"),
                                         QStringLiteral("密码："), QStringLiteral("246813"));
    edtDispatchAccount = AddLabeledEdit(grid, 3, 4, QStringLiteral("edtDispatchAccount"),
                                        QStringLiteral("调度账号："), QStringLiteral("99999"));

    chkSTM32IapEthernet =
        MakeCheckBox(QStringLiteral("chkSTM32IapEthernet"), QStringLiteral("允许IAP"), true, this);
    btnPingEthernet = MakeButton(QStringLiteral("btnPingEthernet"), QStringLiteral("Ping"), this);
    btnSetAppConfigEthernet =
        MakeButton(QStringLiteral("btnSetAppConfigEthernet"), QStringLiteral("设置配置"), this);
    btnGetAppConfigEthernet =
        MakeButton(QStringLiteral("btnGetAppConfigEthernet"), QStringLiteral("获取配置"), this);
    btnGetMcuMacAddressEx =
        MakeButton(QStringLiteral("btnGetMcuMacAddressEx"), QStringLiteral("获取MAC地址"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkSTM32IapEthernet);
    for (QPushButton* button : {btnPingEthernet, btnSetAppConfigEthernet, btnGetAppConfigEthernet,
                                btnGetMcuMacAddressEx}) {
        buttons->addWidget(button);
    }
    grid->addLayout(buttons, 4, 0, 1, 6);

    CompactRows(
        this, {edtServerPortEthernt, edtDispatchPostCode, cmbDispatchLineType, edtDispatchAccount});

    BindHandlers<EthernetGroup>(
        context_, this,
        {
            {btnPingEthernet, &EthernetGroup::btnPingEthernetClick},
            {btnSetAppConfigEthernet, &EthernetGroup::btnSetAppConfigEthernetClick},
            {btnGetAppConfigEthernet, &EthernetGroup::btnGetAppConfigEthernetClick},
            {btnGetMcuMacAddressEx, &EthernetGroup::btnGetMcuMacAddressExClick},
        });
}

bool EthernetGroup::ModelTakesConfig() {
    const ReaderModel model = context_.Selection().model;
    if (model == ReaderModel::kUsbHid || model == ReaderModel::kSerial) return true;
    log_.AddLog(QStringLiteral("仅USB RS232 通道支持配置"));
    return false;
}

void EthernetGroup::btnPingEthernetClick() {
    PingFourTimes(context_, log_, btnPingEthernet, edtStaticIpEthernet->text());
}

void EthernetGroup::btnGetAppConfigEthernetClick() {
    if (!ModelTakesConfig()) return;
    HandlerRun run(context_, log_,
                   {.timeoutMs = kConfigTimeoutMs,
                    .button = btnGetAppConfigEthernet,
                    .beep = false,
                    .afterFailure = ReaderAtEnd::kKeepOpen,
                    .atNormalEnd = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    KorviCardAppConfig config{};
    if (KorviCardGetAppConfig(run.handle(), &config) == 0) {
        run.Fail(QStringLiteral("调用KorviCardGetAppConfig失败!"));
        return;
    }
    run.Log(QStringLiteral("调用KorviCardGetAppConfig成功!"));
    chkSTM32IapEthernet->setChecked(std::any_of(std::begin(config.arrIapSwitch),
                                                std::end(config.arrIapSwitch),
                                                [](std::uint8_t b) { return b != 0; }));
    edtStaticIpEthernet->setText(DottedText(config.arrLocalIpAddress));
    edtNetworkMaskEthernet->setText(DottedText(config.arrLocalNetMaskAddress));
    edtGateWayEthernet->setText(DottedText(config.arrLocalGatewayAddress));
    edtOperatePassword->setText(
        FromGbk(reinterpret_cast<const char*>(config.arrPassWord), sizeof config.arrPassWord));
    edtServerIpEthernet->setText(DottedText(config.arrSeverIpAddress));
    edtServerPortEthernt->setText(QString::number(config.unSeverPort));
    edtDispatchPostCode->setText(QString::number(config.unDispatchPostCode));
    const bool knownLine =
        config.unDispatchLineType < static_cast<std::uint32_t>(cmbDispatchLineType->count());
    cmbDispatchLineType->setCurrentIndex(knownLine ? static_cast<int>(config.unDispatchLineType)
                                                   : -1);
    edtDispatchAccount->setText(QString::number(config.unDispatchAccount));
    edtDispatchPassword->setText(
        FieldText(config.arrDispatchPassword, sizeof config.arrDispatchPassword));
    edtDispatchUrl->setText(FieldText(config.arrDispatchUrl, sizeof config.arrDispatchUrl));
    edtDnsAddress->setText(DottedText(config.arrDnsAddress));
    run.Log(QStringLiteral("IP地址:") + DottedText(config.arrLocalIpAddress));
    run.Log(QStringLiteral("子网掩码:") + DottedText(config.arrLocalNetMaskAddress));
    run.Log(QStringLiteral("网关:") + DottedText(config.arrLocalGatewayAddress));
    run.Log(QStringLiteral("DNS:") + DottedText(config.arrDnsAddress));
    run.Succeed();
}

void EthernetGroup::btnSetAppConfigEthernetClick() {
    if (!ModelTakesConfig()) return;
    KorviCardAppConfig config{};
    const std::pair<QLineEdit*, const char*> numbers[] = {
        {edtServerPortEthernt, "端口不是整形数据类型!"},
        {edtDispatchAccount, "调度账号不是整形数据类型!"},
        {edtDispatchPostCode, "调度邮编不是整形数据类型!"},
    };
    std::uint32_t values[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto value = DecimalValue(numbers[i].first->text());
        if (!value) {
            log_.AddLog(QString::fromUtf8(numbers[i].second));
            return;
        }
        values[i] = *value;
    }
    if (values[0] > 65535) {
        log_.AddLog(QStringLiteral("端口不是整形数据类型!"));
        return;
    }
    config.unSeverPort = values[0];
    config.unDispatchAccount = values[1];
    config.unDispatchPostCode = values[2];
    config.unDispatchLineType =
        static_cast<std::uint32_t>(std::max(cmbDispatchLineType->currentIndex(), 0));
    const std::pair<QLineEdit*, std::uint8_t*> addresses[] = {
        {edtStaticIpEthernet, config.arrLocalIpAddress},
        {edtNetworkMaskEthernet, config.arrLocalNetMaskAddress},
        {edtGateWayEthernet, config.arrLocalGatewayAddress},
        {edtServerIpEthernet, config.arrSeverIpAddress},
        {edtDnsAddress, config.arrDnsAddress},
    };
    for (const auto& [edit, field] : addresses) {
        const auto octets = ParseDottedAddress(edit->text().trimmed());
        if (!octets) {
            log_.AddLog(QString::fromUtf8(kNotAnAddress));
            return;
        }
        std::copy(octets->begin(), octets->end(), field);
    }
    const std::tuple<QByteArray, std::span<std::uint8_t>, const char*> texts[] = {
        {GbkOrThrow(edtOperatePassword->text()), config.arrPassWord, "操作密码超过15字节，未执行"},
        {GbkOrThrow(edtDispatchPassword->text().trimmed()), config.arrDispatchPassword,
         "调度密码超过31字节，未执行"},
        {GbkOrThrow(edtDispatchUrl->text().trimmed()), config.arrDispatchUrl,
         "URL超过31字节，未执行"},
    };
    for (const auto& [text, field, line] : texts) {
        if (!PutZeroTerminated(field, text)) {
            log_.AddLog(QString::fromUtf8(line));
            return;
        }
    }
    std::fill(std::begin(config.arrIapSwitch), std::end(config.arrIapSwitch),
              chkSTM32IapEthernet->isChecked() ? 0xFF : 0x00);

    HandlerRun run(
        context_, log_,
        {.timeoutMs = kConfigTimeoutMs, .button = btnSetAppConfigEthernet, .beep = false});
    if (!run.Begin()) return;
    if (KorviCardSetAppConfig(run.handle(), &config) == 0) {
        run.Fail(QStringLiteral("调用KorviCardSetAppConfig失败!"));
        return;
    }
    run.Log(QStringLiteral("调用KorviCardSetAppConfig成功!"));
    run.Succeed();
}

void EthernetGroup::btnGetMcuMacAddressExClick() {
    HandlerRun run(context_, log_, {.timeoutMs = 0, .afterFailure = ReaderAtEnd::kKeepOpen});
    if (!run.Begin()) return;
    std::uint8_t mac[kMacBufferSize] = {};
    if (KorviCardGetDeviceMacAddress(run.handle(), mac, sizeof mac) == 0) {
        run.Fail(QStringLiteral("调用KorviCardGetDeviceMacAddress失败!"));
        return;
    }
    run.Log(QStringLiteral("调用KorviCardGetDeviceMacAddress成功!"));
    run.Log(QStringLiteral("返回值:") + BytesToHex(mac, kMacSize, false));
    run.Succeed();
}

}  // namespace bench
