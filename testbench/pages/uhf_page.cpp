#include "testbench/pages/uhf_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "korvicard/KorviCardDriver.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/guarded_run.h"
#include "testbench/core/handler_run.h"
#include "testbench/core/handler_table.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/core/widget_factory.h"
#include "testbench/pages/uhf_formats.h"

namespace bench {

namespace {

constexpr std::size_t kFwBufferSize = 64;
constexpr std::size_t kMultiEpcSize = 128;
constexpr std::size_t kScanBufferSize = 128;
constexpr std::size_t kTagDataSize = 64;
constexpr int kHexLimit = 63;

// Every UHF handler: time-out 0, its own beep lines, the reader left open after a failure.
HandlerRules UhfRules() {
    return {.timeoutMs = 0, .beep = false, .afterFailure = ReaderAtEnd::kKeepOpen};
}

QString Failed(const char* exportName) {
    return QStringLiteral("调用") + QLatin1String(exportName) + QStringLiteral("失败!");
}

// count bytes of a buffer of room bytes, never past it.
QString Hex(const std::uint8_t* bytes, int count, std::size_t room, bool withBlank) {
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(room)));
    return BytesToHex(std::span<const std::uint8_t>(bytes, room), n, withBlank);
}

QString TwoDigits(unsigned value) {
    return QStringLiteral("%1").arg(value & 0xFFu, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

UhfPage::UhfPage(BenchContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("TabSheet5"));
    BuildControls();
}

void UhfPage::BuildControls() {
    auto* page = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    page->addLayout(controls);

    auto* module = MakeGroup(QStringLiteral("GroupBoxUhfModule"), QStringLiteral("模块参数"), this);
    auto* moduleGrid = new QGridLayout(module);
    btnGetUhfFwVersion =
        MakeButton(QStringLiteral("btnGetUhfFwVersion"), QStringLiteral("获取UHF固件版本"), module);
    moduleGrid->addWidget(btnGetUhfFwVersion, 0, 0, 1, 2);
    cmbRegion =
        AddLabeledCombo(moduleGrid, 1, 0, QStringLiteral("cmbRegion"), QStringLiteral("区域："));
    for (const UhfRegion& region : kUhfRegions) cmbRegion->addItem(QString::fromUtf8(region.name));
    cmbRegion->setCurrentIndex(0);
    btnSetRegion = MakeButton(QStringLiteral("btnSetRegion"), QStringLiteral("设置"), module);
    moduleGrid->addWidget(btnSetRegion, 1, 2);
    edtPower = AddLabeledEdit(moduleGrid, 2, 0, QStringLiteral("edtPower"),
                              QStringLiteral("功率(dBm)："), QStringLiteral("20"));
    btnGetPower = MakeButton(QStringLiteral("btnGetPower"), QStringLiteral("读取"), module);
    btnSetPower = MakeButton(QStringLiteral("btnSetPower"), QStringLiteral("设置"), module);
    moduleGrid->addWidget(btnGetPower, 2, 2);
    moduleGrid->addWidget(btnSetPower, 2, 3);
    cmbRFChannel =
        AddLabeledCombo(moduleGrid, 3, 0, QStringLiteral("cmbRFChannel"), QStringLiteral("信道："));
    btnGetRFChannel = MakeButton(QStringLiteral("btnGetRFChannel"), QStringLiteral("读取"), module);
    btnSetRFChannel = MakeButton(QStringLiteral("btnSetRFChannel"), QStringLiteral("设置"), module);
    moduleGrid->addWidget(btnGetRFChannel, 3, 2);
    moduleGrid->addWidget(btnSetRFChannel, 3, 3);
    chkSetFHSS =
        MakeCheckBox(QStringLiteral("chkSetFHSS"), QStringLiteral("自动跳频"), true, module);
    chkSetCW = MakeCheckBox(QStringLiteral("chkSetCW"), QStringLiteral("连续载波"), true, module);
    moduleGrid->addWidget(chkSetFHSS, 4, 0);
    moduleGrid->addWidget(chkSetCW, 4, 1);
    cmbSetInventoryMode = AddLabeledCombo(moduleGrid, 5, 0, QStringLiteral("cmbSetInventoryMode"),
                                          QStringLiteral("轮询模式："));
    cmbSetInventoryMode->addItems(
        {QStringLiteral("模式0"), QStringLiteral("模式1"), QStringLiteral("模式2")});
    cmbSetInventoryMode->setCurrentIndex(-1);
    controls->addWidget(module);

    auto* commands = MakeGroup(QStringLiteral("GroupBoxUhfCommands"), QStringLiteral("指令"), this);
    auto* commandGrid = new QGridLayout(commands);
    btnInventory =
        MakeButton(QStringLiteral("btnInventory"), QStringLiteral("单次轮询指令"), commands);
    btnReadMulti =
        MakeButton(QStringLiteral("btnReadMulti"), QStringLiteral("多次轮询指令"), commands);
    btnStopMulti =
        MakeButton(QStringLiteral("btnStopMulti"), QStringLiteral("停止多次轮询指令"), commands);
    btnGetQueryParameter = MakeButton(QStringLiteral("btnGetQueryParameter"),
                                      QStringLiteral("获取QUERY参数"), commands);
    btnSetQueryParameter = MakeButton(QStringLiteral("btnSetQueryParameter"),
                                      QStringLiteral("设置QUERY参数"), commands);
    btnScanJammer = MakeButton(QStringLiteral("btnScanJammer"),
                               QStringLiteral("测试射频输入端阻塞信号"), commands);
    btnScanRssi =
        MakeButton(QStringLiteral("btnScanRssi"), QStringLiteral("测试信道 RSSI"), commands);
    btnReadModemParameter = MakeButton(QStringLiteral("btnReadModemParameter"),
                                       QStringLiteral("获取接收解调器参数"), commands);
    btnSetModemParameter = MakeButton(QStringLiteral("btnSetModemParameter"),
                                      QStringLiteral("设置接收解调器参数"), commands);
    const QPushButton* commandButtons[] = {
        btnInventory,         btnReadMulti,          btnStopMulti,
        btnGetQueryParameter, btnSetQueryParameter,  btnScanJammer,
        btnScanRssi,          btnReadModemParameter, btnSetModemParameter};
    int at = 0;
    for (const QPushButton* button : commandButtons) {
        commandGrid->addWidget(const_cast<QPushButton*>(button), at / 2, at % 2);
        ++at;
    }
    controls->addWidget(commands);

    controls->addStretch();

    auto* tag = MakeGroup(QStringLiteral("GroupBoxUhfTag"), QStringLiteral("标签操作"), this);
    auto* tagGrid = new QGridLayout(tag);
    cmbEpcList =
        AddLabeledCombo(tagGrid, 0, 0, QStringLiteral("cmbEpcList"), QStringLiteral("EPC："));
    cmbEpcList->setMinimumContentsLength(24);
    cmbMemBank =
        AddLabeledCombo(tagGrid, 0, 2, QStringLiteral("cmbMemBank"), QStringLiteral("存储区："));
    cmbMemBank->addItems({QStringLiteral("RFU"), QStringLiteral("EPC"), QStringLiteral("TID"),
                          QStringLiteral("User")});
    cmbMemBank->setCurrentIndex(1);
    edtStart = AddLabeledEdit(tagGrid, 0, 4, QStringLiteral("edtStart"),
                              QStringLiteral("起始地址："), QStringLiteral("0"));
    edtDataLength = AddLabeledEdit(tagGrid, 0, 6, QStringLiteral("edtDataLength"),
                                   QStringLiteral("长度(字)："), QStringLiteral("8"));
    edtMemData = AddLabeledEdit(tagGrid, 1, 0, QStringLiteral("edtMemData"),
                                QStringLiteral("数据："), QString());
    btnSetSelectParameter = MakeButton(QStringLiteral("btnSetSelectParameter"),
                                       QStringLiteral("设置Select 参数指令"), tag);
    btnUhfReadData = MakeButton(QStringLiteral("btnUhfReadData"), QStringLiteral("读取文本"), tag);
    btnUhfWriteData =
        MakeButton(QStringLiteral("btnUhfWriteData"), QStringLiteral("写入文本"), tag);
    btnLockUnlock = MakeButton(QStringLiteral("btnLockUnlock"), QStringLiteral("加锁解锁"), tag);
    btnKill = MakeButton(QStringLiteral("btnKill"), QStringLiteral("灭活操作"), tag);
    auto* tagButtons = new QHBoxLayout;
    for (QPushButton* button :
         {btnSetSelectParameter, btnUhfReadData, btnUhfWriteData, btnLockUnlock, btnKill}) {
        tagButtons->addWidget(button);
    }
    tagGrid->addLayout(tagButtons, 1, 2, 1, 6);
    page->addWidget(tag);

    mmUhfLog = new LogMemo(QStringLiteral("mmUhfLog"), true, this);
    page->addWidget(mmUhfLog, 1);
    page->addWidget(MakeClearLogButton(QStringLiteral("btnClearUhfLog"), mmUhfLog, this), 0,
                    Qt::AlignRight);

    BindHandlers<UhfPage>(context_, this,
                          {
                              {btnGetUhfFwVersion, &UhfPage::btnGetUhfFwVersionClick},
                              {btnInventory, &UhfPage::btnInventoryClick},
                              {btnReadMulti, &UhfPage::btnReadMultiClick},
                              {btnStopMulti, &UhfPage::btnStopMultiClick},
                              {btnGetPower, &UhfPage::btnGetPowerClick},
                              {btnSetPower, &UhfPage::btnSetPowerClick},
                              {btnSetRegion, &UhfPage::btnSetRegionClick},
                              {btnGetRFChannel, &UhfPage::btnGetRFChannelClick},
                              {btnSetRFChannel, &UhfPage::btnSetRFChannelClick},
                              {btnGetQueryParameter, &UhfPage::btnGetQueryParameterClick},
                              {btnSetQueryParameter, &UhfPage::btnSetQueryParameterClick},
                              {btnScanJammer, &UhfPage::btnScanJammerClick},
                              {btnScanRssi, &UhfPage::btnScanRssiClick},
                              {btnReadModemParameter, &UhfPage::btnReadModemParameterClick},
                              {btnSetModemParameter, &UhfPage::btnSetModemParameterClick},
                              {btnSetSelectParameter, &UhfPage::btnSetSelectParameterClick},
                              {btnUhfReadData, &UhfPage::btnUhfReadDataClick},
                              {btnUhfWriteData, &UhfPage::btnUhfWriteDataClick},
                              {btnLockUnlock, &UhfPage::btnLockUnlockClick},
                              {btnKill, &UhfPage::btnKillClick},
                          });
    connect(chkSetFHSS, &QCheckBox::clicked, this,
            [this] { RunGuarded(context_, [this] { chkSetFHSSClick(); }); });
    connect(chkSetCW, &QCheckBox::clicked, this,
            [this] { RunGuarded(context_, [this] { chkSetCWClick(); }); });
    connect(cmbSetInventoryMode, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded(context_, [this] { cmbSetInventoryModeChange(); }); });
    connect(cmbRegion, &QComboBox::currentIndexChanged, this, &UhfPage::cmbRegionChange);
}

bool UhfPage::Begin(HandlerRun& run) {
    if (!context_.OpenReaderDevice(0)) return false;
    if (KorviCardBeep(run.handle(), 10) == 0) {
        run.Fail(QStringLiteral("调用KorviCardBeep失败!"));
        return false;
    }
    run.Log(QStringLiteral("调用KorviCardBeep成功!"));
    return true;
}

void UhfPage::RunQuiet(const char* exportName, const std::function<int(int handle)>& call) {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    if (!run.Expect(call(run.handle()), Failed(exportName))) return;
    run.Succeed();
}

void UhfPage::LogTag(std::uint8_t rssi, std::uint16_t pc, const QString& epcHex) {
    mmUhfLog->AddLog(QStringLiteral("RSSI：") + QString::number(static_cast<std::int8_t>(rssi)) +
                     QStringLiteral("dBm"));
    mmUhfLog->AddLog(QStringLiteral("PC：") + QLatin1Char(' ') + TwoDigits(pc >> 8) +
                     QLatin1Char(' ') + TwoDigits(pc));
    mmUhfLog->AddLog(QStringLiteral("EPC：") + epcHex);
}

void UhfPage::cmbRegionChange() {
    cmbRFChannel->clear();
    const int index = cmbRegion->currentIndex();
    if (index < 0 || index >= static_cast<int>(kUhfRegions.size())) return;
    const UhfRegion& region = kUhfRegions[static_cast<std::size_t>(index)];
    for (int channel = 0; channel < region.channels; ++channel) {
        cmbRFChannel->addItem(ChannelText(region, channel));
    }
    if (cmbRFChannel->count() > 0) cmbRFChannel->setCurrentIndex(0);
}

void UhfPage::btnGetUhfFwVersionClick() {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    const QString labels[] = {QStringLiteral("硬件版本："), QStringLiteral("软件版本："),
                              QStringLiteral("生产商：")};
    for (int kind = 0; kind < 3; ++kind) {
        char buffer[kFwBufferSize] = {};
        if (KorviCardGetUhfFwVersion(run.handle(), kind, buffer, sizeof buffer) == 0) {
            run.Fail(Failed("KorviCardGetUhfFwVersion"));
            return;
        }
        run.Log(labels[kind] + FromGbk(buffer, sizeof buffer).trimmed());
    }
    run.Succeed();
}

void UhfPage::btnInventoryClick() {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    int count = 0;
    if (!run.Expect(KorviCardM100UhfInventory(run.handle(), &count),
                    Failed("KorviCardM100UhfInventory"))) {
        return;
    }
    run.Log(QStringLiteral("发现标签") + QString::number(count) + QStringLiteral("张"));
    cmbEpcList->clear();
    for (int n = 0; n < count; ++n) {
        M100UhfInventoryStruct record{};
        if (KorviCardM100UhfGetInventoryStruct(run.handle(), n, &record) == 0) break;
        LogTag(record.ucRssi, record.usPc,
               Hex(record.arrEpc, record.ucEpcLength, sizeof record.arrEpc, true));
        cmbEpcList->addItem(Hex(record.arrEpc, record.ucEpcLength, sizeof record.arrEpc, false));
    }
    if (cmbEpcList->count() > 0) cmbEpcList->setCurrentIndex(0);
    run.Succeed();
}

void UhfPage::btnReadMultiClick() {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    unsigned char rssi = 0;
    unsigned short pc = 0;
    unsigned char epc[kMultiEpcSize] = {};
    int length = 0;
    if (!run.Expect(KorviCardM100UhfReadMulti(run.handle(), &rssi, &pc, epc, sizeof epc, &length),
                    Failed("KorviCardM100UhfReadMulti"))) {
        return;
    }
    LogTag(rssi, pc, Hex(epc, length, sizeof epc, true));
    run.Succeed();
}

void UhfPage::btnStopMultiClick() {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    if (KorviCardM100UhfStopMulti(run.handle()) == 0) {
        run.Fail(Failed("KorviCardM100UhfStopMulti"));
        return;
    }
    run.Succeed();
}

void UhfPage::btnGetPowerClick() {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    unsigned short power = 0;
    if (!run.Expect(KorviCardM100UhfGetPower(run.handle(), &power),
                    Failed("KorviCardM100UhfGetPower"))) {
        return;
    }
    edtPower->setText(PowerText(power));
    run.Log(QStringLiteral("功率：") + PowerText(power) + QStringLiteral("dBm"));
    run.Succeed();
}

void UhfPage::btnSetPowerClick() {
    const int power = PowerFromText(edtPower->text());
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    if (!run.Expect(KorviCardM100UhfSetPower(run.handle(), power),
                    Failed("KorviCardM100UhfSetPower"))) {
        return;
    }
    run.Log(QStringLiteral("功率：") + PowerText(static_cast<std::uint16_t>(power)) +
            QStringLiteral("dBm"));
    run.Succeed();
}

void UhfPage::btnSetRegionClick() {
    const int index = cmbRegion->currentIndex();
    if (index < 0) return;
    const int code = kUhfRegions[static_cast<std::size_t>(index)].code;
    RunQuiet("KorviCardM100UhfSetRegion",
             [code](int h) { return KorviCardM100UhfSetRegion(h, code); });
}

void UhfPage::btnGetRFChannelClick() {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    unsigned char channel = 0;
    if (!run.Expect(KorviCardM100UhfGetRfChannel(run.handle(), &channel),
                    Failed("KorviCardM100UhfGetRfChannel"))) {
        return;
    }
    const int index = std::max(cmbRegion->currentIndex(), 0);
    const QString text = ChannelText(kUhfRegions[static_cast<std::size_t>(index)], channel);
    cmbRFChannel->setCurrentIndex(cmbRFChannel->findText(text));
    run.Log(QStringLiteral("当前信道：") + text);
    run.Succeed();
}

void UhfPage::btnSetRFChannelClick() {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    if (!run.Expect(KorviCardM100UhfSetRfChannel(run.handle(), cmbRFChannel->currentIndex()),
                    Failed("KorviCardM100UhfSetRfChannel"))) {
        return;
    }
    run.Log(QStringLiteral("当前信道：") + cmbRFChannel->currentText());
    run.Succeed();
}

void UhfPage::chkSetFHSSClick() {
    const bool on = chkSetFHSS->isChecked();
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    if (!run.Expect(KorviCardM100UhfSetFHSS(run.handle(), on ? 0xFF : 0x00),
                    Failed("KorviCardM100UhfSetFHSS"))) {
        return;
    }
    run.Log(on ? QStringLiteral("设置自动跳频成功!") : QStringLiteral("取消自动跳频成功!"));
    run.Succeed();
}

void UhfPage::chkSetCWClick() {
    const bool on = chkSetCW->isChecked();
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    if (!run.Expect(KorviCardM100UhfSetCW(run.handle(), on ? 0xFF : 0x00),
                    Failed("KorviCardM100UhfSetCW"))) {
        return;
    }
    run.Log(on ? QStringLiteral("设置发射连续载波成功!") : QStringLiteral("取消发射连续载波成功!"));
    run.Succeed();
}

void UhfPage::btnGetQueryParameterClick() {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    unsigned short value = 0;
    if (!run.Expect(KorviCardM100UhfGetQueryParamter(run.handle(), &value),
                    Failed("KorviCardM100UhfGetQueryParamter"))) {
        return;
    }
    run.Log(QStringLiteral("QUERY参数:0x") + QueryParameterHex(value) + QLatin1Char('!'));
    run.Succeed();
}

void UhfPage::btnSetQueryParameterClick() {
    RunQuiet("KorviCardM100UhfSetQueryParamter",
             [](int h) { return KorviCardM100UhfSetQueryParamter(h, 0); });
}

void UhfPage::LogScan(const char* exportName,
                      int (*scan)(int, unsigned char*, unsigned char*, unsigned char*, int*)) {
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    unsigned char start = 0;
    unsigned char end = 0;
    unsigned char buffer[kScanBufferSize] = {};
    int length = sizeof buffer;
    if (!run.Expect(scan(run.handle(), &start, &end, buffer, &length), Failed(exportName))) return;
    run.Log(QStringLiteral("返回数据:") + Hex(buffer, length, sizeof buffer, true));
    run.Succeed();
}

void UhfPage::btnScanJammerClick() {
    LogScan("KorviCardM100UhfScanJammer", KorviCardM100UhfScanJammer);
}

void UhfPage::btnScanRssiClick() { LogScan("KorviCardM100UhfScanRssi", KorviCardM100UhfScanRssi); }

void UhfPage::btnReadModemParameterClick() {
    RunQuiet("KorviCardM100UhfReadModemParameter", [](int h) {
        unsigned char mixerGain = 0;
        unsigned char ifGain = 0;
        unsigned short threshold = 0;
        return KorviCardM100UhfReadModemParameter(h, &mixerGain, &ifGain, &threshold);
    });
}

void UhfPage::btnSetModemParameterClick() {
    RunQuiet("KorviCardM100UhfSetModemParameter",
             [](int h) { return KorviCardM100UhfSetModemParameter(h, 3, 6, 0x01B0); });
}

void UhfPage::cmbSetInventoryModeChange() {
    const int mode = cmbSetInventoryMode->currentIndex();
    if (mode < 0) return;
    RunQuiet("KorviCardM100UhfSetInventoryMode",
             [mode](int h) { return KorviCardM100UhfSetInventoryMode(h, mode); });
}

void UhfPage::btnSetSelectParameterClick() {
    if (cmbEpcList->count() == 0) return;
    std::uint8_t mask[kTagDataSize] = {};
    int maskSize = 0;
    HexToBytes(cmbEpcList->currentText(), mask, kHexLimit, maskSize);
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    if (!run.Expect(
            KorviCardM100UhfSetSelectParameter(run.handle(), 0x01, 0x20, 0x60, 0, mask, maskSize),
            Failed("KorviCardM100UhfSetSelectParameter"))) {
        return;
    }
    run.Log(QStringLiteral("调用KorviCardM100UhfSetSelectParameter成功!"));
    run.Succeed();
}

void UhfPage::btnUhfReadDataClick() {
    const int start = DecimalTextToValue(edtStart->text());
    const int count = DecimalTextToValue(edtDataLength->text());
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    std::uint8_t buffer[kTagDataSize] = {};
    int length = sizeof buffer;
    if (!run.Expect(KorviCardM100UhfReadData(run.handle(), 0, cmbMemBank->currentIndex(), start,
                                             count, buffer, &length),
                    Failed("KorviCardM100UhfReadData"))) {
        return;
    }
    const int shown = std::min(2 * count, length);
    run.Log(QStringLiteral("返回数据:") + Hex(buffer, shown, sizeof buffer, true));
    edtMemData->setText(Hex(buffer, shown, sizeof buffer, false));
    run.Succeed();
}

void UhfPage::btnUhfWriteDataClick() {
    const int start = DecimalTextToValue(edtStart->text());
    const int count = DecimalTextToValue(edtDataLength->text());
    std::uint8_t data[kTagDataSize] = {};
    int length = 0;
    HexToBytes(edtMemData->text(), data, kHexLimit, length);
    HandlerRun run(context_, *mmUhfLog, UhfRules());
    if (!Begin(run)) return;
    if (!run.Expect(KorviCardM100UhfWriteData(run.handle(), 0, cmbMemBank->currentIndex(), start,
                                              count, data, &length),
                    Failed("KorviCardM100UhfWriteData"))) {
        return;
    }
    run.Log(QStringLiteral("调用KorviCardM100UhfWriteData成功!"));
    run.Succeed();
}

void UhfPage::btnLockUnlockClick() {
    RunQuiet("KorviCardM100UhfLockUnLock", [](int h) {
        const unsigned char payload[3] = {};
        return KorviCardM100UhfLockUnLock(h, 0, payload, sizeof payload);
    });
}

void UhfPage::btnKillClick() {
    RunQuiet("KorviCardM100UhfKill", [](int h) { return KorviCardM100UhfKill(h, 0); });
}

}  // namespace bench
