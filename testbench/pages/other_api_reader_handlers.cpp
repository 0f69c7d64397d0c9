// The reader utilities of the other-API page: device number, RF field, LEDs and registers,
// MCU options, the string command, the Bluetooth module, charging, build times and raw USB
// data.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "testbench/core/bench_context.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/hex_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/pages/other_api_frame.h"
#include "testbench/pages/other_api_tools.h"

namespace bench {

namespace {

constexpr int kTransmitControlRegister = 0x14;
constexpr int kTextBufferSize = 32;
constexpr int kBluetoothUart = 0;

}  // namespace

void OtherApiTools::btnGetDeviceNoClick() {
    mmOtherApiLog.AddLog(QStringLiteral("GetDeviceNo开始!"));
    {
        HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, false, 1000));
        if (!run.Begin()) return;
        run.Log(QStringLiteral("调用KorviCardGetDeviceNo开始!"));
        std::array<char, kTextBufferSize> buffer{};
        if (!run.Expect(KorviCardGetDeviceNo(run.handle(), buffer.data(), kTextBufferSize),
                        QStringLiteral("调用KorviCardGetDeviceNo失败!"))) {
            return;
        }
        run.Log(QStringLiteral("调用KorviCardGetDeviceNo成功!设备号:") +
                FromGbk(buffer.data(), buffer.size()).trimmed());
        run.Succeed();
    }
    mmOtherApiLog.AddLog(QStringLiteral("GetDeviceNo结束!"));
}

void OtherApiTools::SetRf(bool on) {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true));
    if (!run.Begin()) return;
    const int h = run.handle();
    const QString state = on ? QStringLiteral("打开射频") : QStringLiteral("关闭射频");
    auto logRegister = [&](const QString& moment) {
        const int value = KorviCardReadWriteRfRegister(h, 0, kTransmitControlRegister, 0);
        run.Log(state + moment + QStringLiteral("寄存器值：") + QString::number(value));
        run.Log(QStringLiteral("(16进制)") + state + moment + QStringLiteral("寄存器值：") +
                HexDigits(static_cast<std::uint8_t>(value), 2));
    };
    logRegister(QStringLiteral("前"));
    if (!run.Check(QStringLiteral("KorviCardSetRfOnOff"), KorviCardSetRfOnOff(h, on ? 1 : 0))) {
        return;
    }
    logRegister(QStringLiteral("后"));
    run.Succeed();
}

void OtherApiTools::btnSetRfOnClick() { SetRf(true); }
void OtherApiTools::btnSetRfOffClick() { SetRf(false); }

void OtherApiTools::SetLed(int state) {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, false));
    if (!run.Begin()) return;
    if (!run.Check(QStringLiteral("KorviCardSetLedStatus"),
                   KorviCardSetLedStatus(run.handle(), state))) {
        return;
    }
    run.Succeed();
}

void OtherApiTools::btnLedOffClick() { SetLed(0); }
void OtherApiTools::btnGreenLedOnClick() { SetLed(1); }
void OtherApiTools::btnRedLedOnClick() { SetLed(2); }
void OtherApiTools::btnLedOnClick() { SetLed(3); }

void OtherApiTools::btnResetRfIcClick() {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true));
    if (!run.Begin()) return;
    if (!run.Check(QStringLiteral("KorviCardResetRfIc"), KorviCardResetRfIc(run.handle()))) {
        return;
    }
    // The chip starts afresh: its protocol is set again whatever was set before.
    context_.SetCurCardType(BenchContext::kNoCardType);
    if (!run.EnsureCardType('A')) return;
    run.Succeed();
}

void OtherApiTools::btnMcuConfigClick() {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true));
    if (!run.Begin()) return;
    std::array<std::uint8_t, 8> config{};
    if (!run.Expect(KorviCardGetMcuConfig(run.handle(), config.data(), 8),
                    QStringLiteral("调用KorviCardGetMcuConfig失败!"))) {
        return;
    }
    run.Log(QStringLiteral("调用KorviCardGetMcuConfig成功!配置0:") +
            HexDigits(LittleEndian32(config.data()), 8) + QStringLiteral(" 配置1:") +
            HexDigits(LittleEndian32(config.data() + 4), 8));
    run.Succeed();
}

void OtherApiTools::btnGetIspOptionClick() {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true));
    if (!run.Begin()) return;
    std::array<std::uint8_t, 4> option{};
    if (!run.Expect(KorviCardGetIspOption(run.handle(), option.data(), 4),
                    QStringLiteral("调用KorviCardGetIspOption失败!"))) {
        return;
    }
    run.Log(QStringLiteral("调用KorviCardGetIspOption成功!选项值:") +
            HexDigits(LittleEndian32(option.data()), 8));
    run.Succeed();
}

void OtherApiTools::SetIsp(std::uint32_t option) {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, false));
    if (!run.Begin()) return;
    const std::array<std::uint8_t, 4> bytes = {
        static_cast<std::uint8_t>(option), static_cast<std::uint8_t>(option >> 8),
        static_cast<std::uint8_t>(option >> 16), static_cast<std::uint8_t>(option >> 24)};
    if (!run.Check(QStringLiteral("KorviCardSetIspOption"),
                   KorviCardSetIspOption(run.handle(), bytes.data(), 4))) {
        return;
    }
    run.Succeed();
}

void OtherApiTools::btnEnableIspClick() { SetIsp(0xFFFFFFFFu); }
void OtherApiTools::btnDisableIspClick() { SetIsp(0); }

void OtherApiTools::RfRegister(bool write) {
    const QString registerText = edtRfRegister->text();
    const auto reg = static_cast<int>(HexTextToValue(registerText));
    const auto value = static_cast<int>(HexTextToValue(edtRfRegisterValue->text()));
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, write));
    if (!run.Begin()) return;
    const int result = KorviCardReadWriteRfRegister(run.handle(), write ? 1 : 0, reg, value);
    run.Log(QStringLiteral("寄存器0x") + registerText + QStringLiteral("值：") +
            QString::number(result));
    run.Log(QStringLiteral("寄存器0x") + registerText + QStringLiteral("(16进制)值：") +
            HexDigits(static_cast<std::uint8_t>(result), 2));
    run.Succeed();
}

void OtherApiTools::btnReadRfRegiterClick() { RfRegister(false); }
void OtherApiTools::btnWriteRfRegiterClick() { RfRegister(true); }

void OtherApiTools::btnExecStringCommandClick() {
    mmOtherApiLog.AddLog(QStringLiteral("调用ExecStringCommand开始!"));
    {
        HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, false, 1000));
        if (!run.Begin()) return;
        // The command stays empty: the reader answers an empty command with its own text.
        std::array<char, 256> command{};
        std::array<char, 256> result{};
        if (!run.Expect(
                KorviCardExecStringCommand(run.handle(), command.data(), 256, result.data(), 256),
                QStringLiteral("调用ExecStringCommand失败!"))) {
            return;
        }
        run.Log(QStringLiteral("调用ExecStringCommand成功!返回字串结果:") +
                FromGbk(result.data(), result.size()).trimmed());
        run.Succeed();
    }
    mmOtherApiLog.AddLog(QStringLiteral("ExecStringCommand结束!"));
}

bool OtherApiTools::BluetoothAllowed() {
    if (context_.Selection().model == ReaderModel::kUsbHid) return true;
    mmOtherApiLog.AddLog(QStringLiteral("USB接口才能使用！"));
    return false;
}

void OtherApiTools::btnSendBluetoothAtCommandClick() {
    if (!BluetoothAllowed()) return;
    const QByteArray command =
        (edtBluetoothAtCommand->text().trimmed() + QStringLiteral("\r\n")).toLatin1();
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true));
    if (!run.Begin()) return;
    const int h = run.handle();
    if (!run.Check(QStringLiteral("KorviCardSendCommand2McuUart 0"),
                   KorviCardSendCommand2McuUart(
                       h, kBluetoothUart, reinterpret_cast<const unsigned char*>(command.data()),
                       static_cast<int>(command.size())))) {
        return;
    }
    WaitMilliseconds(200);
    std::array<std::uint8_t, kTextBufferSize> result{};
    int length = kTextBufferSize;
    if (!run.Check(QStringLiteral("KorviCardReceiveResultOfMcuUart 0"),
                   KorviCardReceiveResultOfMcuUart(h, kBluetoothUart, result.data(), &length))) {
        return;
    }
    const int shown = std::clamp(length, 0, kTextBufferSize);
    run.Log(QStringLiteral("返回数据(hex):") +
            BoundedHex(result.data(), result.size(), shown, true));
    run.Log(QStringLiteral("返回数据(string):") +
            FromGbk(reinterpret_cast<const char*>(result.data()), static_cast<std::size_t>(shown)));
    run.Log(QStringLiteral("返回数据长度:") + QString::number(length));
    run.Succeed();
}

void OtherApiTools::btnSetBluetoothBaudRateClick() {
    if (!BluetoothAllowed()) return;
    const auto baud =
        static_cast<std::uint32_t>(DecimalTextToValue(cmbBlueToolthBaudReate->currentText()));
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true));
    if (!run.Begin()) return;
    // UART index (4 bytes), baud rate (4 bytes), 8 data bits, stop bits, parity, reserved.
    const std::array<std::uint8_t, 12> block = {0,
                                                0,
                                                0,
                                                0,
                                                static_cast<std::uint8_t>(baud),
                                                static_cast<std::uint8_t>(baud >> 8),
                                                static_cast<std::uint8_t>(baud >> 16),
                                                static_cast<std::uint8_t>(baud >> 24),
                                                8,
                                                0,
                                                0,
                                                0};
    if (!run.Expect(KorviCardSetMcuUartParam(run.handle(), block.data()),
                    QStringLiteral("调用KorviCardSetMcuUartParam 0 失败!"))) {
        return;
    }
    run.Log(QStringLiteral("调用KorviCardSetMcuUartParam 0成功!"));
    run.Succeed();
}

void OtherApiTools::btnBeepClick() {
    const int length = DecimalTextToValue(edtBeepLen->text());
    HandlerRun run(context_, mmOtherApiLog, {.timeoutMs = 0, .button = btnBeep, .beep = false});
    if (!run.Begin()) return;
    if (!run.Check(QStringLiteral("KorviCardBeep"), KorviCardBeep(run.handle(), length))) return;
    run.Succeed();
}

void OtherApiTools::SimpleCall(const QString& exportName, const std::function<int(int)>& call,
                               const std::function<void(HandlerRun&)>& onSuccess) {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, false));
    if (!run.Begin()) return;
    if (!run.Check(exportName, call(run.handle()))) return;
    if (onSuccess) onSuccess(run);
    run.Succeed();
}

void OtherApiTools::btnGetChargeVoltageClick() {
    float voltage = 0;
    SimpleCall(
        QStringLiteral("KorviCardGetChargeVoltage"),
        [&](int h) { return KorviCardGetChargeVoltage(h, &voltage); },
        [&](HandlerRun& run) {
            run.Log(QStringLiteral("充电电压") +
                    QString::asprintf("%2.5f", static_cast<double>(voltage)) + QStringLiteral("V"));
        });
}

void OtherApiTools::btnGetUsbChargeStatusClick() {
    int value = 0;
    SimpleCall(
        QStringLiteral("KorviCardGetUsbCharge"),
        [&](int h) { return KorviCardGetUsbCharge(h, &value); },
        [&](HandlerRun& run) { run.Log(QStringLiteral("USB充电状态") + QString::number(value)); });
}

void OtherApiTools::btnGetChargeCurrentClick() {
    int value = 0;
    SimpleCall(
        QStringLiteral("KorviCardGetChargeCurrent"),
        [&](int h) { return KorviCardGetChargeCurrent(h, &value); },
        [&](HandlerRun& run) { run.Log(QStringLiteral("USB充电电流") + QString::number(value)); });
}

void OtherApiTools::btnGetChargeStatusClick() {
    unsigned char value = 0;
    SimpleCall(
        QStringLiteral("KorviCardGetChargeStatus"),
        [&](int h) { return KorviCardGetChargeStatus(h, &value); },
        [&](HandlerRun& run) { run.Log(QStringLiteral("电池充电状态") + QString::number(value)); });
}

void OtherApiTools::btnSetChargeCurrentClick() {
    const int current = cmbChargeCurrent->currentIndex();
    SimpleCall(QStringLiteral("KorviCardSetChargeCurrent"),
               [current](int h) { return KorviCardSetChargeCurrent(h, current); });
}

void OtherApiTools::btnResetMcuClick() {
    SimpleCall(QStringLiteral("KorviCardResetMcu"), [](int h) { return KorviCardResetMcu(h); });
}

void OtherApiTools::btnSetMcuBkpClick() {
    SimpleCall(QStringLiteral("KorviCardSetMcuBkp"),
               [](int h) { return KorviCardSetMcuBkp(h, 0); });
}

void OtherApiTools::btnGetDebugBkpClick() {
    unsigned int value = 0;
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, false));
    if (!run.Begin()) return;
    if (!run.Expect(KorviCardGetMcuDebugBkp(run.handle(), &value),
                    QStringLiteral("调用KorviCardGetMcuDebugBkp失败!"))) {
        return;
    }
    run.Log(QStringLiteral("调用KorviCardGetMcuDebugBkp成功!") + HexDigits(value, 8));
    run.Succeed();
}

void OtherApiTools::btnGetDeviceMacAddressClick() {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true));
    if (!run.Begin()) return;
    std::array<std::uint8_t, 8> mac{};
    if (!run.Check(QStringLiteral("KorviCardGetDeviceMacAddress"),
                   KorviCardGetDeviceMacAddress(run.handle(), mac.data(), 8))) {
        return;
    }
    run.Log(QStringLiteral("返回值:") + BoundedHex(mac.data(), mac.size(), 6, false));
    run.Succeed();
}

void OtherApiTools::BuildTime(const QString& exportName, int (*call)(int, char*, int)) {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, true));
    if (!run.Begin()) return;
    std::array<char, kTextBufferSize> buffer{};
    if (!run.Check(exportName, call(run.handle(), buffer.data(), kTextBufferSize))) return;
    run.Log(QStringLiteral("返回值:") + FromGbk(buffer.data(), buffer.size()));
    run.Succeed();
}

void OtherApiTools::btnFirewareBuildTimeClick() {
    BuildTime(QStringLiteral("KorviCardGetFirewareBuildTime"), KorviCardGetFirewareBuildTime);
}

void OtherApiTools::btnLibBuildTimeClick() {
    BuildTime(QStringLiteral("KorviCardGetLibBuildTime"), KorviCardGetLibBuildTime);
}

void OtherApiTools::btnReadUsbClick() {
    HandlerRun run(context_, mmOtherApiLog, OtherApiRules(nullptr, false));
    if (!run.Begin()) return;
    std::array<std::uint8_t, 64> data{};
    if (!run.Check(QStringLiteral("KorviCardReadUsbData"),
                   KorviCardReadUsbData(run.handle(), data.data(), 64, 2000))) {
        return;
    }
    run.Log(QStringLiteral("返回值:") + BoundedHex(data.data(), data.size(), 64, true));
    run.Succeed();
}

}  // namespace bench
