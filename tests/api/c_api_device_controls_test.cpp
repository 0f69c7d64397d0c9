#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "api_test_support.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/commands/device_commands.h"
#include "sim/device/reader_device.h"
#include "sim_fixture/request_log.h"

// The device-control exports against the simulated reader on the callback route: the
// request the reader decoded, the reader's state and the caller's outputs afterwards.

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Repeat(std::uint8_t value, std::size_t count) { return Bytes(count, value); }

Bytes Counting(std::uint8_t first, std::size_t count) {
    Bytes out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(first + i);
    return out;
}

KorviCardAppConfig ConfigWithPattern(std::uint8_t first) {
    KorviCardAppConfig config{};
    const Bytes pattern = Counting(first, sizeof config);
    std::memcpy(&config, pattern.data(), sizeof config);
    return config;
}

Bytes BytesOf(const KorviCardAppConfig& config, std::size_t count = sizeof(KorviCardAppConfig)) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&config);
    return Bytes(p, p + count);
}

class DeviceControlsApi : public ::testing::Test {
  protected:
    int Handle() const { return open.handle; }
    const std::vector<sim::Request>& Requests() const { return open.reader.Requests(); }
    void Clear() { open.reader.ClearRequests(); }
    // Replaces the reader's answer to command with a success carrying payload.
    void AnswerWith(std::uint8_t command, Bytes payload) {
        open.reader.SetHandler(command,
                               [payload](const sim::Request&) { return sim::Reply::Ok(payload); });
    }

    api_test::CallbackReader open;
    sim::ReaderDevice device;
    sim::DeviceCommands commands{open.reader, device};
};

TEST_F(DeviceControlsApi, SettersSendTheirPayloadAndChangeTheReader) {
    const std::array<std::uint8_t, 12> uartBlock = {0, 0, 0, 0, 0x80, 0x25, 0, 0, 8, 0, 0, 0};
    const std::array<std::uint8_t, 4> ispOn = {0xFF, 0xFF, 0xFF, 0xFF};
    const Bytes states = Concat({Bytes{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}, Repeat(1, 6)});
    const Bytes password = Concat({Text("init-pass"), Repeat(0, 7)});
    const KorviCardAppConfig config = ConfigWithPattern(0x10);
    const KorviCardAppConfig second = ConfigWithPattern(0x80);
    struct Row {
        const char* name;
        std::function<int(int)> call;
        std::uint8_t command;
        Bytes payload;
        std::function<void(sim::ReaderDevice&)> check;
    };
    const Row rows[] = {
        {"RF off",
         [](int h) { return KorviCardSetRfOnOff(h, 0); },
         32,
         {0},
         [](sim::ReaderDevice& d) { EXPECT_FALSE(d.RfOn()); }},
        {"RF on",
         [](int h) { return KorviCardSetRfOnOff(h, 1); },
         32,
         {1},
         [](sim::ReaderDevice& d) { EXPECT_TRUE(d.RfOn()); }},
        {"red LED",
         [](int h) { return KorviCardSetLedStatus(h, 2); },
         33,
         {2},
         [](sim::ReaderDevice& d) { EXPECT_EQ(d.ledState, 2); }},
        {"RF chip reset",
         [](int h) { return KorviCardResetRfIc(h); },
         34,
         {},
         [](sim::ReaderDevice& d) { EXPECT_EQ(d.rfChipResets, 1); }},
        {"server address",
         [](int h) { return KorviCardSetServerIpPort(h, 0x3200A8C0u, 8080); },
         35,
         {0xC0, 0xA8, 0x00, 0x32, 0x90, 0x1F},
         [](sim::ReaderDevice& d) {
             EXPECT_EQ(d.serverAddress, (std::array<std::uint8_t, 4>{192, 168, 0, 50}));
             EXPECT_EQ(d.serverPort, 8080);
         }},
        {"ISP on",
         [&](int h) { return KorviCardSetIspOption(h, ispOn.data(), 4); },
         55,
         {0xFF, 0xFF, 0xFF, 0xFF},
         [](sim::ReaderDevice& d) { EXPECT_EQ(d.ispOption, 0xFFFFFFFFu); }},
        {"UART parameters", [&](int h) { return KorviCardSetMcuUartParam(h, uartBlock.data()); },
         214, Bytes(uartBlock.begin(), uartBlock.end()),
         [&](sim::ReaderDevice& d) { EXPECT_EQ(d.Uart(0).parameters, uartBlock); }},
        {"to the UART",
         [](int h) {
             const unsigned char at[] = {'A', 'T', '\r', '\n'};
             return KorviCardSendCommand2McuUart(h, 1, at, 4);
         },
         215,
         {1, 0, 0, 0, 'A', 'T', '\r', '\n'},
         [](sim::ReaderDevice& d) { EXPECT_EQ(d.Uart(1).transmitted, Text("AT\r\n")); }},
        {"application configuration", [&](int h) { return KorviCardSetAppConfig(h, &config); }, 217,
         BytesOf(config),
         [&](sim::ReaderDevice& d) {
             EXPECT_EQ(Bytes(d.appConfig.begin(), d.appConfig.end()), BytesOf(config));
         }},
        {"second configuration block", [&](int h) { return KorviCardSetAppConfigE2s(h, &second); },
         248, BytesOf(second, 48),
         [&](sim::ReaderDevice& d) {
             EXPECT_EQ(Bytes(d.appConfigE2s.begin(), d.appConfigE2s.end()), BytesOf(second, 48));
         }},
        {"relay 7 high", [](int h) { return KorviCardSetRelayStatus(h, 6, 1, ""); }, 228,
         Concat({Bytes{6, 1}, Repeat(0, 16)}),
         [](sim::ReaderDevice& d) { EXPECT_EQ(d.Relay(6), 1); }},
        {"relay start-up settings",
         [&](int h) { return KorviCardSetRelayInitStatus(h, states.data(), password.data(), 30); },
         226, Concat({states, password, Bytes{30, 0, 0, 0}}),
         [&](sim::ReaderDevice& d) {
             EXPECT_EQ(Bytes(d.relayInitial.states.begin(), d.relayInitial.states.end()), states);
             EXPECT_EQ(d.relayInitial.restoreSeconds, 30u);
         }},
        {"charge current 80 mA",
         [](int h) { return KorviCardSetChargeCurrent(h, 1); },
         233,
         {1, 0, 0, 0},
         [](sim::ReaderDevice& d) { EXPECT_EQ(d.chargeCurrent, 1); }},
        {"MCU reset",
         [](int h) { return KorviCardResetMcu(h); },
         236,
         {},
         [](sim::ReaderDevice& d) { EXPECT_EQ(d.mcuResets, 1); }},
        {"backup register",
         [](int h) { return KorviCardSetMcuBkp(h, 0x5A); },
         237,
         {0x5A},
         [](sim::ReaderDevice& d) { EXPECT_EQ(d.backupRegister, 0x5A); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clear();
        ASSERT_EQ(row.call(Handle()), 1);
        ASSERT_EQ(Requests().size(), 1u);
        EXPECT_EQ(Requests()[0].command, row.command);
        EXPECT_EQ(Requests()[0].payload, row.payload);
        EXPECT_EQ(KorviCardGetErrorCode(Handle()), 0);
        row.check(device);
    }
}

TEST_F(DeviceControlsApi, GettersCopyTheReadersValues) {
    device.macAddress = {0x00, 0x1A, 0x51, 0x0B, 0xC3, 0x4D, 0xEE, 0xEF};
    device.serverAddress = {10, 0, 0, 7};
    device.serverPort = 31213;
    device.mcuConfig = {0x11223344, 0xA0B0C0D0};
    device.ispOption = 0xCAFEF00D;
    device.appConfig = [] {
        std::array<std::uint8_t, 120> c{};
        for (std::size_t i = 0; i < c.size(); ++i) c[i] = static_cast<std::uint8_t>(200 - i);
        return c;
    }();
    device.appConfigE2s.fill(0x3C);
    device.chargeVoltage = 4.125f;
    device.chargeStatus = 2;
    device.chargeCurrent = 1;
    device.usbCharge = 5;
    device.debugBackupRegister = 0xDEADBEEF;
    device.relayInitial.states[3] = 1;
    device.relayInitial.password = {'p', 'w'};
    device.relayInitial.restoreSeconds = 600;
    std::array<std::uint8_t, 16> open16{};
    ASSERT_EQ(device.SetRelay(4, 1, open16), sim::DeviceStatus::kOk);
    struct Row {
        const char* name;
        std::function<void(int)> callAndCheck;
        std::uint8_t command;
        Bytes payload;
    };
    const Row rows[] = {
        {"MAC address",
         [](int h) {
             std::array<unsigned char, 8> mac{};
             ASSERT_EQ(KorviCardGetDeviceMacAddress(h, mac.data(), 8), 1);
             EXPECT_EQ(Bytes(mac.begin(), mac.end()),
                       (Bytes{0x00, 0x1A, 0x51, 0x0B, 0xC3, 0x4D, 0xEE, 0xEF}));
         },
         224,
         {}},
        {"server address",
         [](int h) {
             unsigned int address = 0;
             unsigned short port = 0;
             ASSERT_EQ(KorviCardGetServerIpPort(h, &address, &port), 1);
             EXPECT_EQ(address, 0x0700000Au);
             EXPECT_EQ(port, 31213);
         },
         36,
         {}},
        {"MCU configuration",
         [](int h) {
             std::array<unsigned char, 8> words{};
             ASSERT_EQ(KorviCardGetMcuConfig(h, words.data(), 8), 1);
             EXPECT_EQ(Bytes(words.begin(), words.end()),
                       (Bytes{0x44, 0x33, 0x22, 0x11, 0xD0, 0xC0, 0xB0, 0xA0}));
         },
         53,
         {}},
        {"ISP option",
         [](int h) {
             std::array<unsigned char, 4> option{};
             ASSERT_EQ(KorviCardGetIspOption(h, option.data(), 4), 1);
             EXPECT_EQ(Bytes(option.begin(), option.end()), (Bytes{0x0D, 0xF0, 0xFE, 0xCA}));
         },
         54,
         {}},
        {"application configuration",
         [&](int h) {
             KorviCardAppConfig config{};
             ASSERT_EQ(KorviCardGetAppConfig(h, &config), 1);
             EXPECT_EQ(BytesOf(config), Bytes(device.appConfig.begin(), device.appConfig.end()));
         },
         218,
         {}},
        {"second configuration block leaves the rest of the record",
         [](int h) {
             KorviCardAppConfig config = ConfigWithPattern(0);
             ASSERT_EQ(KorviCardGetAppConfigE2s(h, &config), 1);
             const Bytes bytes = BytesOf(config);
             EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 48), Repeat(0x3C, 48));
             EXPECT_EQ(Bytes(bytes.begin() + 48, bytes.end()), Counting(48, 72));
         },
         249,
         {}},
        {"relay status",
         [](int h) {
             unsigned char status = 0xEE;
             ASSERT_EQ(KorviCardGetRelayStatus(h, 4, &status), 1);
             EXPECT_EQ(status, 1);
         },
         227,
         {4}},
        {"relay start-up settings",
         [](int h) {
             std::array<unsigned char, 16> states{}, password{};
             unsigned int seconds = 0;
             ASSERT_EQ(KorviCardGetRelayInitStatus(h, states.data(), password.data(), &seconds), 1);
             EXPECT_EQ(states[3], 1);
             EXPECT_EQ(password[0], 'p');
             EXPECT_EQ(password[1], 'w');
             EXPECT_EQ(seconds, 600u);
         },
         225,
         {}},
        {"charge voltage",
         [](int h) {
             float voltage = 0;
             ASSERT_EQ(KorviCardGetChargeVoltage(h, &voltage), 1);
             EXPECT_FLOAT_EQ(voltage, 4.125f);
         },
         229,
         {}},
        {"battery status",
         [](int h) {
             unsigned char status = 0;
             ASSERT_EQ(KorviCardGetChargeStatus(h, &status), 1);
             EXPECT_EQ(status, 2);
         },
         232,
         {}},
        {"charge current",
         [](int h) {
             int current = -1;
             ASSERT_EQ(KorviCardGetChargeCurrent(h, &current), 1);
             EXPECT_EQ(current, 1);
         },
         234,
         {}},
        {"USB charge",
         [](int h) {
             int value = -1;
             ASSERT_EQ(KorviCardGetUsbCharge(h, &value), 1);
             EXPECT_EQ(value, 5);
         },
         235,
         {}},
        {"debug backup register",
         [](int h) {
             unsigned int value = 0;
             ASSERT_EQ(KorviCardGetMcuDebugBkp(h, &value), 1);
             EXPECT_EQ(value, 0xDEADBEEFu);
         },
         247,
         {}},
        {"firmware build time",
         [](int h) {
             char text[32];
             std::memset(text, 'x', sizeof text);
             ASSERT_EQ(KorviCardGetFirewareBuildTime(h, text, 32), 1);
             EXPECT_STREQ(text, "Mar  3 2021 10:22:01");
         },
         238,
         {}},
        {"MCU serial number",
         [](int h) {
             char text[64];
             std::memset(text, 'x', sizeof text);
             ASSERT_EQ(KorviCardGetMcuSerailNo(h, text, 64), 1);
             EXPECT_STREQ(text, "30314B56190720208A5C11E2");
         },
         56,
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clear();
        row.callAndCheck(Handle());
        ASSERT_EQ(Requests().size(), 1u);
        EXPECT_EQ(Requests()[0].command, row.command);
        EXPECT_EQ(Requests()[0].payload, row.payload);
    }
}

TEST_F(DeviceControlsApi, DeviceNumberNamesEachModel) {
    struct Row {
        std::uint32_t type;
        const char* text;
    };
    const Row rows[] = {
        {0x1002, "V1-S0000100200012345"},
        {0x1003, "V1-U0000100300012345"},
        {0x2002, "V2-U0000200200012345"},
        {0x3001, "V3-U0000300100012345"},
        {0x3002, "V3-W0000300200012345"},
        {0x6001, "V6-E0000600100012345"},
        {0x7001, "V7-U0000700100012345"},
        {0x8001, "V8-U0000800100012345"},
        {0x9001, "V9-E0000900100012345"},
        {0x1001, "Device Type Error"},
        {0x00001002u | 0x10000u, "Device Type Error"},
    };
    device.serialNumber = 0x12345;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        device.deviceType = row.type;
        Clear();
        char text[32];
        std::memset(text, 'x', sizeof text);
        ASSERT_EQ(KorviCardGetDeviceNo(Handle(), text, 32), 1);
        EXPECT_STREQ(text, row.text);
        ASSERT_EQ(Requests().size(), 1u);
        EXPECT_EQ(Requests()[0].command, 31);
        EXPECT_TRUE(Requests()[0].payload.empty());
    }
    device.deviceType = 0xABCD9001;
    device.serialNumber = 0xFEDCBA98;
    char text[32] = {};
    AnswerWith(31, {0x98, 0xBA, 0xDC, 0xFE, 0x01, 0x90, 0x00, 0x00});
    ASSERT_EQ(KorviCardGetDeviceNo(Handle(), text, 32), 1);
    EXPECT_STREQ(text, "V9-E00009001fedcba98") << "lower-case digits";
}

TEST_F(DeviceControlsApi, KeysArePlayedWithTheirBreakCodes) {
    struct Row {
        const char* name;
        std::function<int(int, unsigned int*)> call;
        Bytes sent;
        Bytes stroke;
    };
    const auto ps2 = [](Bytes keys) {
        return [keys](int h, unsigned int* result) {
            return KorviCardSendPs2Key(h, keys.data(), static_cast<int>(keys.size()), result);
        };
    };
    const auto ticai = [](int index) {
        return [index](int h, unsigned int* result) {
            return KorviCardSendTiCaiKey(h, index, result);
        };
    };
    const Row rows[] = {
        {"A", ps2({0x1C}), {0x1C, 0xF0, 0x1C}, {0x1C}},
        {"keypad /", ps2({0xE0, 0x4A}), {0xE0, 0x4A, 0xF0, 0xE0, 0x4A}, {0xE0, 0x4A}},
        {"Print Screen",
         ps2({0xE0, 0x12, 0xE0, 0x7C}),
         {0xE0, 0x12, 0xE0, 0x7C, 0xE0, 0xF0, 0x7C, 0xE0, 0xF0, 0x12},
         {0xE0, 0x12, 0xE0, 0x7C}},
        {"Pause",
         ps2({0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77}),
         {0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77},
         {0xE1, 0x14, 0x77}},
        {"lottery F1", ticai(0), {0x05, 0xF0, 0x05}, {0x05}},
        {"lottery F7", ticai(6), {0x83, 0xF0, 0x83}, {0x83}},
        {"lottery H", ticai(17), {0x33, 0xF0, 0x33}, {0x33}},
        {"lottery keypad /", ticai(22), {0xE0, 0x4A, 0xF0, 0xE0, 0x4A}, {0xE0, 0x4A}},
        {"lottery left arrow", ticai(27), {0xE0, 0x6B, 0xF0, 0xE0, 0x6B}, {0xE0, 0x6B}},
        {"lottery right arrow", ticai(29), {0xE0, 0x74, 0xF0, 0xE0, 0x74}, {0xE0, 0x74}},
        {"lottery 0", ticai(34), {0x45, 0xF0, 0x45}, {0x45}},
        {"lottery Tab", ticai(44), {0x0D, 0xF0, 0x0D}, {0x0D}},
        {"lottery Enter", ticai(48), {0x5A, 0xF0, 0x5A}, {0x5A}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clear();
        device.keyboard.Clear();
        unsigned int result = 0;
        ASSERT_EQ(row.call(Handle(), &result), 1);
        ASSERT_EQ(Requests().size(), 1u);
        EXPECT_EQ(Requests()[0].command, 219);
        EXPECT_EQ(Requests()[0].payload, row.sent);
        EXPECT_EQ(result, row.sent.size()) << "the reader's answer";
        EXPECT_EQ(device.keyboard.Strokes(), std::vector<Bytes>{row.stroke});
    }
}

TEST_F(DeviceControlsApi, KeysTheReaderCannotPlayAreRefusedBeforeSending) {
    const Bytes refused[] = {
        {},
        {0x12, 0x1C, 0x1B},
        {0xE0, 0x12, 0xE0, 0x7D},
        {0xE0, 0x12, 0xE0, 0x7C, 0x00},
        {0x01, 0x02, 0x03, 0x04, 0x05, 0x06},
        {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07},
        {0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x78},
        {0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77, 0x00},
    };
    for (const Bytes& keys : refused) {
        SCOPED_TRACE(keys.size());
        unsigned int result = 7;
        const unsigned char none = 0;
        EXPECT_EQ(KorviCardSendPs2Key(Handle(), keys.empty() ? &none : keys.data(),
                                      static_cast<int>(keys.size()), &result),
                  0);
        EXPECT_EQ(result, 7u);
    }
    const unsigned char key = 0x1C;
    unsigned int result = 7;
    EXPECT_EQ(KorviCardSendPs2Key(Handle(), &key, -1, &result), 0);
    EXPECT_EQ(KorviCardSendPs2Key(Handle(), nullptr, 1, &result), 0);
    EXPECT_EQ(KorviCardSendPs2Key(Handle(), &key, 1, nullptr), 0);
    for (int index : {49, -1, 1000}) {
        SCOPED_TRACE(index);
        result = 7;
        EXPECT_EQ(KorviCardSendTiCaiKey(Handle(), index, &result), 0);
        EXPECT_EQ(result, 255u);
    }
    EXPECT_EQ(KorviCardSendTiCaiKey(Handle(), 0, nullptr), 0);
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(KorviCardGetErrorCode(Handle()), 0);
}

TEST_F(DeviceControlsApi, BadArgumentsFailWithoutReachingTheReader) {
    char text[64] = {};
    unsigned char bytes[64] = {};
    unsigned int word = 0;
    unsigned short port = 0;
    int length = 8;
    const Bytes long125(125, 0x41);
    struct Row {
        const char* name;
        std::function<int(int)> call;
    };
    const Row rows[] = {
        {"device number, null", [&](int h) { return KorviCardGetDeviceNo(h, nullptr, 32); }},
        {"device number, 31 bytes", [&](int h) { return KorviCardGetDeviceNo(h, text, 31); }},
        {"MAC, null", [&](int h) { return KorviCardGetDeviceMacAddress(h, nullptr, 8); }},
        {"MAC, 7 bytes", [&](int h) { return KorviCardGetDeviceMacAddress(h, bytes, 7); }},
        {"serial, null", [&](int h) { return KorviCardGetMcuSerailNo(h, nullptr, 64); }},
        {"serial, 63 bytes", [&](int h) { return KorviCardGetMcuSerailNo(h, text, 63); }},
        {"server, no address", [&](int h) { return KorviCardGetServerIpPort(h, nullptr, &port); }},
        {"server, no port", [&](int h) { return KorviCardGetServerIpPort(h, &word, nullptr); }},
        {"MCU config, 7 bytes", [&](int h) { return KorviCardGetMcuConfig(h, bytes, 7); }},
        {"MCU config, null", [&](int h) { return KorviCardGetMcuConfig(h, nullptr, 8); }},
        {"ISP option, 3 bytes", [&](int h) { return KorviCardGetIspOption(h, bytes, 3); }},
        {"set ISP option, 3 bytes", [&](int h) { return KorviCardSetIspOption(h, bytes, 3); }},
        {"set ISP option, null", [&](int h) { return KorviCardSetIspOption(h, nullptr, 4); }},
        {"UART parameters, null", [&](int h) { return KorviCardSetMcuUartParam(h, nullptr); }},
        {"to the UART, nothing",
         [&](int h) { return KorviCardSendCommand2McuUart(h, 0, bytes, 0); }},
        {"to the UART, 125 bytes",
         [&](int h) { return KorviCardSendCommand2McuUart(h, 0, long125.data(), 125); }},
        {"to the UART, null",
         [&](int h) { return KorviCardSendCommand2McuUart(h, 0, nullptr, 4); }},
        {"from the UART, null buffer",
         [&](int h) { return KorviCardReceiveResultOfMcuUart(h, 0, nullptr, &length); }},
        {"from the UART, null length",
         [&](int h) { return KorviCardReceiveResultOfMcuUart(h, 0, bytes, nullptr); }},
        {"from the UART, negative length",
         [&](int h) {
             int negative = -1;
             return KorviCardReceiveResultOfMcuUart(h, 0, bytes, &negative);
         }},
        {"set configuration, null", [&](int h) { return KorviCardSetAppConfig(h, nullptr); }},
        {"get configuration, null", [&](int h) { return KorviCardGetAppConfig(h, nullptr); }},
        {"set second block, null", [&](int h) { return KorviCardSetAppConfigE2s(h, nullptr); }},
        {"get second block, null", [&](int h) { return KorviCardGetAppConfigE2s(h, nullptr); }},
        {"relay, null password", [&](int h) { return KorviCardSetRelayStatus(h, 0, 1, nullptr); }},
        {"relay status, null", [&](int h) { return KorviCardGetRelayStatus(h, 0, nullptr); }},
        {"relay settings, null states",
         [&](int h) { return KorviCardSetRelayInitStatus(h, nullptr, bytes, 0); }},
        {"relay settings, null password",
         [&](int h) { return KorviCardSetRelayInitStatus(h, bytes, nullptr, 0); }},
        {"read relay settings, null seconds",
         [&](int h) { return KorviCardGetRelayInitStatus(h, bytes, bytes + 16, nullptr); }},
        {"voltage, null", [&](int h) { return KorviCardGetChargeVoltage(h, nullptr); }},
        {"battery, null", [&](int h) { return KorviCardGetChargeStatus(h, nullptr); }},
        {"current, null", [&](int h) { return KorviCardGetChargeCurrent(h, nullptr); }},
        {"USB charge, null", [&](int h) { return KorviCardGetUsbCharge(h, nullptr); }},
        {"debug backup, null", [&](int h) { return KorviCardGetMcuDebugBkp(h, nullptr); }},
        {"build time, null", [&](int h) { return KorviCardGetFirewareBuildTime(h, nullptr, 32); }},
        {"build time, 31 bytes", [&](int h) { return KorviCardGetFirewareBuildTime(h, text, 31); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.call(Handle()), 0);
    }
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(KorviCardGetErrorCode(Handle()), 0) << "the error code is not touched";
}

TEST_F(DeviceControlsApi, EveryExportAnswersZeroForAHandleThatNamesNoReader) {
    char text[64] = {};
    unsigned char bytes[64] = {};
    unsigned int word = 0;
    unsigned short port = 0;
    int length = 8;
    float voltage = 0;
    int value = 0;
    KorviCardAppConfig config{};
    const std::function<int(int)> calls[] = {
        [&](int h) { return KorviCardGetDeviceNo(h, text, 64); },
        [&](int h) { return KorviCardGetDeviceMacAddress(h, bytes, 8); },
        [&](int h) { return KorviCardGetMcuSerailNo(h, text, 64); },
        [&](int h) { return KorviCardSetRfOnOff(h, 1); },
        [&](int h) { return KorviCardSetLedStatus(h, 1); },
        [&](int h) { return KorviCardResetRfIc(h); },
        [&](int h) { return KorviCardSetServerIpPort(h, 1, 2); },
        [&](int h) { return KorviCardGetServerIpPort(h, &word, &port); },
        [&](int h) { return KorviCardGetMcuConfig(h, bytes, 8); },
        [&](int h) { return KorviCardGetIspOption(h, bytes, 4); },
        [&](int h) { return KorviCardSetIspOption(h, bytes, 4); },
        [&](int h) { return KorviCardReadWriteRfRegister(h, 0, 0x37, 0); },
        [&](int h) { return KorviCardSetMcuUartParam(h, bytes); },
        [&](int h) { return KorviCardSendCommand2McuUart(h, 0, bytes, 4); },
        [&](int h) { return KorviCardReceiveResultOfMcuUart(h, 0, bytes, &length); },
        [&](int h) { return KorviCardSetAppConfig(h, &config); },
        [&](int h) { return KorviCardGetAppConfig(h, &config); },
        [&](int h) { return KorviCardSetAppConfigE2s(h, &config); },
        [&](int h) { return KorviCardGetAppConfigE2s(h, &config); },
        [&](int h) { return KorviCardSendPs2Key(h, bytes, 1, &word); },
        [&](int h) { return KorviCardSendTiCaiKey(h, 0, &word); },
        [&](int h) { return KorviCardSetRelayStatus(h, 0, 1, ""); },
        [&](int h) { return KorviCardGetRelayStatus(h, 0, bytes); },
        [&](int h) { return KorviCardSetRelayInitStatus(h, bytes, bytes + 16, 0); },
        [&](int h) { return KorviCardGetRelayInitStatus(h, bytes, bytes + 16, &word); },
        [&](int h) { return KorviCardGetChargeVoltage(h, &voltage); },
        [&](int h) { return KorviCardGetChargeStatus(h, bytes); },
        [&](int h) { return KorviCardSetChargeCurrent(h, 0); },
        [&](int h) { return KorviCardGetChargeCurrent(h, &value); },
        [&](int h) { return KorviCardGetUsbCharge(h, &value); },
        [&](int h) { return KorviCardResetMcu(h); },
        [&](int h) { return KorviCardSetMcuBkp(h, 0); },
        [&](int h) { return KorviCardGetMcuDebugBkp(h, &word); },
        [&](int h) { return KorviCardGetFirewareBuildTime(h, text, 32); },
    };
    int closed = 0;
    {
        api_test::CallbackReader other;
        closed = other.handle;
    }
    for (int handle : {0, -1, closed, 0x7FFFFFF0}) {
        SCOPED_TRACE(handle);
        for (std::size_t i = 0; i < std::size(calls); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(calls[i](handle), 0);
        }
    }
    EXPECT_TRUE(Requests().empty());
}

TEST_F(DeviceControlsApi, ReaderRefusalsCarryTheReadersCode) {
    device.SetRelayPassword("secret");
    struct Row {
        const char* name;
        std::function<int(int)> call;
        int code;
    };
    const Row rows[] = {
        {"relay password wrong", [](int h) { return KorviCardSetRelayStatus(h, 1, 1, "secreT"); },
         9},
        {"relay password too short",
         [](int h) { return KorviCardSetRelayStatus(h, 1, 1, "secre"); }, 9},
        {"no relay 11", [](int h) { return KorviCardSetRelayStatus(h, 10, 1, "secret"); }, 19},
        {"relay status 2", [](int h) { return KorviCardSetRelayStatus(h, 0, 2, "secret"); }, 19},
        {"no LED state 4", [](int h) { return KorviCardSetLedStatus(h, 4); }, 19},
        {"no charge current 2", [](int h) { return KorviCardSetChargeCurrent(h, 2); }, 19},
        {"no UART 2",
         [](int h) {
             const unsigned char at[] = {'A', 'T'};
             return KorviCardSendCommand2McuUart(h, 2, at, 2);
         },
         19},
        {"no RF register 64", [](int h) { return KorviCardReadWriteRfRegister(h, 0, 64, 0); }, 19},
        {"no RF register mode 2", [](int h) { return KorviCardReadWriteRfRegister(h, 2, 1, 0); },
         19},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Clear();
        EXPECT_EQ(row.call(Handle()), 0);
        EXPECT_EQ(Requests().size(), 1u);
        EXPECT_EQ(KorviCardGetErrorCode(Handle()), row.code);
    }
    EXPECT_EQ(device.Relay(1), 0);
    EXPECT_EQ(device.ledState, 0);
    EXPECT_EQ(KorviCardSetRelayStatus(Handle(), 1, 1, "secret"), 1);
    EXPECT_EQ(device.Relay(1), 1);
}

TEST_F(DeviceControlsApi, ShortAnswersFailAndLeaveTheOutputs) {
    struct Row {
        const char* name;
        std::uint8_t command;
        Bytes answer;
        std::function<void(int)> callAndCheck;
    };
    const Row rows[] = {
        {"device number", 31, Bytes(7, 0x01),
         [](int h) {
             char text[32] = "untouched";
             EXPECT_EQ(KorviCardGetDeviceNo(h, text, 32), 0);
             EXPECT_STREQ(text, "untouched");
         }},
        {"MAC address", 224, Bytes(6, 0x01),
         [](int h) {
             std::array<unsigned char, 8> mac{};
             EXPECT_EQ(KorviCardGetDeviceMacAddress(h, mac.data(), 8), 0);
             EXPECT_EQ(mac, (std::array<unsigned char, 8>{}));
         }},
        {"server address", 36, Bytes(5, 0x01),
         [](int h) {
             unsigned int address = 9;
             unsigned short port = 9;
             EXPECT_EQ(KorviCardGetServerIpPort(h, &address, &port), 0);
             EXPECT_EQ(address, 9u);
             EXPECT_EQ(port, 9);
         }},
        {"application configuration", 218, Bytes(119, 0x01),
         [](int h) {
             KorviCardAppConfig config{};
             EXPECT_EQ(KorviCardGetAppConfig(h, &config), 0);
             EXPECT_EQ(BytesOf(config), Bytes(120, 0));
         }},
        {"relay start-up settings", 225, Bytes(35, 0x01),
         [](int h) {
             std::array<unsigned char, 16> states{}, password{};
             unsigned int seconds = 9;
             EXPECT_EQ(KorviCardGetRelayInitStatus(h, states.data(), password.data(), &seconds), 0);
             EXPECT_EQ(states, (std::array<unsigned char, 16>{}));
             EXPECT_EQ(seconds, 9u);
         }},
        {"charge voltage", 229, Bytes(3, 0x01),
         [](int h) {
             float voltage = 1.5f;
             EXPECT_EQ(KorviCardGetChargeVoltage(h, &voltage), 0);
             EXPECT_EQ(voltage, 1.5f);
         }},
        {"battery status", 232, Bytes{},
         [](int h) {
             unsigned char status = 9;
             EXPECT_EQ(KorviCardGetChargeStatus(h, &status), 0);
             EXPECT_EQ(status, 9);
         }},
        {"RF register", 213, Bytes{0x14},
         [](int h) { EXPECT_EQ(KorviCardReadWriteRfRegister(h, 0, 0x14, 0), 0); }},
        {"PS/2 answer", 219, Bytes{3, 0, 0},
         [](int h) {
             const unsigned char key = 0x1C;
             unsigned int result = 9;
             EXPECT_EQ(KorviCardSendPs2Key(h, &key, 1, &result), 0);
             EXPECT_EQ(result, 9u);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AnswerWith(row.command, row.answer);
        row.callAndCheck(Handle());
        EXPECT_EQ(KorviCardGetErrorCode(Handle()), 3);
    }
}

TEST_F(DeviceControlsApi, TextAnswersStayInsideTheCallersBufferAndEndTerminated) {
    // 40 serial bytes do not fit 64 characters: 31 bytes and the terminator do.
    device.mcuSerial = Counting(0xA0, 40);
    std::array<char, 80> serial;
    serial.fill('#');
    ASSERT_EQ(KorviCardGetMcuSerailNo(Handle(), serial.data(), 64), 1);
    std::string expected;
    for (int i = 0; i < 31; ++i) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const int byte = 0xA0 + i;
        expected += kDigits[byte >> 4];
        expected += kDigits[byte & 15];
    }
    EXPECT_STREQ(serial.data(), expected.c_str());
    EXPECT_EQ(std::string(serial.data() + 64, 16), std::string(16, '#'));

    device.firmwareBuildTime = std::string(40, 'T');
    std::array<char, 48> build;
    build.fill('#');
    ASSERT_EQ(KorviCardGetFirewareBuildTime(Handle(), build.data(), 32), 1);
    EXPECT_EQ(std::string(build.data()), std::string(31, 'T'));
    EXPECT_EQ(std::string(build.data() + 32, 16), std::string(16, '#'));

    // The UART hands over what it received; the caller's length bounds the copy.
    device.Uart(0).received.assign(100, 0x55);
    std::array<unsigned char, 48> uart;
    uart.fill(0xEE);
    int length = 32;
    ASSERT_EQ(KorviCardReceiveResultOfMcuUart(Handle(), 0, uart.data(), &length), 1);
    EXPECT_EQ(length, 32);
    EXPECT_EQ(Bytes(uart.begin(), uart.begin() + 32), Repeat(0x55, 32));
    EXPECT_EQ(Bytes(uart.begin() + 32, uart.end()), Repeat(0xEE, 16));
}

TEST_F(DeviceControlsApi, RelayPasswordIsCutToItsBlock) {
    device.SetRelayPassword("0123456789ABCDEF");
    ASSERT_EQ(KorviCardSetRelayStatus(Handle(), 3, 1, "0123456789ABCDEFGHIJ"), 1);
    EXPECT_EQ(Requests().back().payload, Concat({Bytes{3, 1}, Text("0123456789ABCDEF")}));
    EXPECT_EQ(device.Relay(3), 1);
}

TEST_F(DeviceControlsApi, UartLengthLimitIsTheRequestRoom) {
    const Bytes data(124, 0x41);
    ASSERT_EQ(KorviCardSendCommand2McuUart(Handle(), 0, data.data(), 124), 1);
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0].payload.size(), 128u);
    EXPECT_EQ(device.Uart(0).transmitted, data);
}

TEST_F(DeviceControlsApi, BluetoothAtCommandRoundTrip) {
    device.Uart(0).peripheral = [](std::span<const std::uint8_t> sent) {
        return Text(Bytes(sent.begin(), sent.end()) == Text("AT+BAUD\r\n") ? "+BAUD=9600\r\nOK\r\n"
                                                                           : "ERROR\r\n");
    };
    const std::array<std::uint8_t, 12> params = {0, 0, 0, 0, 0x80, 0x25, 0, 0, 8, 0, 0, 0};
    ASSERT_EQ(KorviCardSetMcuUartParam(Handle(), params.data()), 1);
    const Bytes command = Text("AT+BAUD\r\n");
    ASSERT_EQ(
        KorviCardSendCommand2McuUart(Handle(), 0, command.data(), static_cast<int>(command.size())),
        1);
    std::array<unsigned char, 32> result{};
    int length = 32;
    ASSERT_EQ(KorviCardReceiveResultOfMcuUart(Handle(), 0, result.data(), &length), 1);
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(result.data()), static_cast<std::size_t>(length)),
        "+BAUD=9600\r\nOK\r\n");
    EXPECT_EQ(Requests().back().command, 216);
    EXPECT_EQ(Requests().back().payload, (Bytes{0, 0, 0, 0}));
}

TEST_F(DeviceControlsApi, RfSwitchShowsInTheTransmitterRegister) {
    EXPECT_EQ(KorviCardReadWriteRfRegister(Handle(), 0, 0x14, 0), 0x83);
    ASSERT_EQ(KorviCardSetRfOnOff(Handle(), 0), 1);
    EXPECT_EQ(KorviCardReadWriteRfRegister(Handle(), 0, 0x14, 0), 0x80);
    ASSERT_EQ(KorviCardSetRfOnOff(Handle(), 1), 1);
    EXPECT_EQ(KorviCardReadWriteRfRegister(Handle(), 0, 0x14, 0), 0x83);
    EXPECT_EQ(Requests().front().payload, (Bytes{0, 0x14, 0}));

    EXPECT_EQ(KorviCardReadWriteRfRegister(Handle(), 1, 0x24, 0x26), 0x26);
    EXPECT_EQ(Requests().back().payload, (Bytes{1, 0x24, 0x26}));
    EXPECT_EQ(device.RfRegister(0x24), 0x26);
    EXPECT_EQ(KorviCardResetRfIc(Handle()), 1);
    EXPECT_EQ(KorviCardReadWriteRfRegister(Handle(), 0, 0x24, 0), 0);
    EXPECT_EQ(KorviCardGetErrorCode(Handle()), 0) << "a register holding 0 is no failure";
}

TEST_F(DeviceControlsApi, RelaysTakeTheirStartUpStatesAtMcuReset) {
    std::array<unsigned char, 16> states{};
    states[0] = 1;
    states[9] = 1;
    std::array<unsigned char, 16> password{};
    ASSERT_EQ(KorviCardSetRelayInitStatus(Handle(), states.data(), password.data(), 5), 1);
    ASSERT_EQ(KorviCardSetRelayStatus(Handle(), 4, 1, ""), 1);
    ASSERT_EQ(KorviCardResetMcu(Handle()), 1);
    for (int relay = 0; relay < 10; ++relay) {
        SCOPED_TRACE(relay);
        unsigned char status = 0xEE;
        ASSERT_EQ(KorviCardGetRelayStatus(Handle(), relay, &status), 1);
        EXPECT_EQ(status, relay == 0 || relay == 9 ? 1 : 0);
    }
}

TEST_F(DeviceControlsApi, ChargerAndMcuCommandsWaitLongerThanTheOthers) {
    // A reader that takes 1.3 s to answer: the 2000 ms commands get their reply, the
    // 1000 ms ones time out (the last call of the test, so the late reply meets no other).
    sim::Fault slow;
    slow.kind = sim::FaultKind::kDelay;
    slow.delayMs = 1300;
    slow.times = 3;
    open.reader.QueueFault(slow);
    int value = -1;
    EXPECT_EQ(KorviCardGetUsbCharge(Handle(), &value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(KorviCardSetMcuBkp(Handle(), 0x5A), 1);
    EXPECT_EQ(KorviCardSetLedStatus(Handle(), 1), 0);
    EXPECT_EQ(KorviCardGetErrorCode(Handle()), 3);
}

TEST(DeviceControlsTcp, SettingsTravelOverTheNetworkRoute) {
    sim::SimulatedReader reader;
    sim::ReaderDevice device;
    sim::DeviceCommands commands(reader, device);
    sim::ReaderPort port(reader);
    sim::TcpServer server(port);
    ASSERT_TRUE(server.Start());
    const int handle = KorviCardOpenDevice("127.0.0.1", server.Port(), 0, 0, 1000, nullptr);
    ASSERT_GT(handle, 0);

    char text[32] = {};
    EXPECT_EQ(KorviCardGetDeviceNo(handle, text, 32), 1);
    EXPECT_STREQ(text, "V1-U0000100300012345");
    EXPECT_EQ(KorviCardSetServerIpPort(handle, 0x0100007Fu, 12345), 1);
    unsigned int address = 0;
    unsigned short serverPort = 0;
    EXPECT_EQ(KorviCardGetServerIpPort(handle, &address, &serverPort), 1);
    EXPECT_EQ(address, 0x0100007Fu);
    EXPECT_EQ(serverPort, 12345);
    unsigned int result = 0;
    EXPECT_EQ(KorviCardSendTiCaiKey(handle, 27, &result), 1);
    EXPECT_EQ(KorviCardSetRelayStatus(handle, 2, 1, "wrong"), 0);
    EXPECT_EQ(KorviCardGetErrorCode(handle), 9);
    KorviCardCloseDevice(handle);
    server.Stop();

    port.WithReader([&](sim::SimulatedReader& r) {
        EXPECT_EQ(RequestCommands(r.Requests()), (Bytes{31, 35, 36, 219, 228}));
        EXPECT_EQ(r.Requests()[3].payload, (Bytes{0xE0, 0x6B, 0xF0, 0xE0, 0x6B}));
        return 0;
    });
    EXPECT_EQ(device.keyboard.Strokes(), std::vector<Bytes>{(Bytes{0xE0, 0x6B})});
}

}  // namespace
