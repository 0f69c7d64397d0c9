#include "sim/device/reader_device.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/byte_concat.h"

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Password = std::array<std::uint8_t, 16>;

Password PasswordBlock(const std::string& text) {
    Password block{};
    for (std::size_t i = 0; i < text.size() && i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(text[i]);
    }
    return block;
}

std::array<std::uint8_t, 12> UartBlock(std::uint32_t uart, std::uint32_t baud,
                                       std::uint8_t dataBits) {
    return {static_cast<std::uint8_t>(uart),
            static_cast<std::uint8_t>(uart >> 8),
            static_cast<std::uint8_t>(uart >> 16),
            static_cast<std::uint8_t>(uart >> 24),
            static_cast<std::uint8_t>(baud),
            static_cast<std::uint8_t>(baud >> 8),
            static_cast<std::uint8_t>(baud >> 16),
            static_cast<std::uint8_t>(baud >> 24),
            dataBits,
            0,
            0,
            0};
}

TEST(ReaderDeviceTest, RfSwitchDrivesTheTransmitterControlRegister) {
    ReaderDevice device;
    EXPECT_TRUE(device.RfOn());
    EXPECT_EQ(device.RfRegister(ReaderDevice::kTxControlRegister), 0x83);

    device.SetRf(false);
    EXPECT_FALSE(device.RfOn());
    EXPECT_EQ(device.RfRegister(ReaderDevice::kTxControlRegister), 0x80);

    std::uint8_t value = 0x81;  // transmitter 1 only, written straight into the chip
    ASSERT_EQ(device.AccessRfRegister(1, ReaderDevice::kTxControlRegister, value),
              DeviceStatus::kOk);
    EXPECT_TRUE(device.RfOn());

    device.SetRf(true);
    EXPECT_EQ(device.RfRegister(ReaderDevice::kTxControlRegister), 0x83);
}

TEST(ReaderDeviceTest, RfRegisterAccessByMode) {
    ReaderDevice device;
    device.SetChipVersion(0xB1);
    struct Row {
        const char* name;
        std::uint8_t mode, reg, value;
        DeviceStatus status;
        std::uint8_t answer;
    };
    const Row rows[] = {
        {"write", 1, 0x24, 0x26, DeviceStatus::kOk, 0x26},
        {"read back", 0, 0x24, 0x00, DeviceStatus::kOk, 0x26},
        {"read ignores the value", 0, 0x24, 0x55, DeviceStatus::kOk, 0x26},
        {"version", 0, ReaderDevice::kVersionRegister, 0, DeviceStatus::kOk, 0xB1},
        {"version is read-only", 1, ReaderDevice::kVersionRegister, 0x12, DeviceStatus::kOk, 0xB1},
        {"last register", 1, 63, 0x7F, DeviceStatus::kOk, 0x7F},
        {"no such register", 0, 64, 0, DeviceStatus::kRefused, 0},
        {"no such mode", 2, 0x24, 0x11, DeviceStatus::kRefused, 0x11},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::uint8_t value = row.value;
        EXPECT_EQ(device.AccessRfRegister(row.mode, row.reg, value), row.status);
        if (row.status == DeviceStatus::kOk) {
            EXPECT_EQ(value, row.answer);
        }
    }
    EXPECT_EQ(device.RfRegister(0x24), 0x26);

    device.ResetRfChip();
    EXPECT_EQ(device.rfChipResets, 1);
    EXPECT_EQ(device.RfRegister(0x24), 0x00);
    EXPECT_EQ(device.RfRegister(ReaderDevice::kVersionRegister), 0xB1);
    EXPECT_TRUE(device.RfOn());
}

TEST(ReaderDeviceTest, SettingsOutsideTheirRangeAreRefusedAndKeepTheOldValue) {
    ReaderDevice device;
    EXPECT_EQ(device.SetLed(3), DeviceStatus::kOk);
    EXPECT_EQ(device.SetLed(4), DeviceStatus::kRefused);
    EXPECT_EQ(device.ledState, 3);

    EXPECT_EQ(device.SetChargeCurrent(1), DeviceStatus::kOk);
    EXPECT_EQ(device.SetChargeCurrent(2), DeviceStatus::kRefused);
    EXPECT_EQ(device.SetChargeCurrent(-1), DeviceStatus::kRefused);
    EXPECT_EQ(device.chargeCurrent, 1);
}

TEST(ReaderDeviceTest, RelaysNeedTheirPasswordAndStartFromTheirInitialStates) {
    ReaderDevice device;
    device.SetRelayPassword("relay-pass");
    const Password right = PasswordBlock("relay-pass");

    EXPECT_EQ(device.SetRelay(6, 1, right), DeviceStatus::kOk);
    EXPECT_EQ(device.Relay(6), 1);
    EXPECT_EQ(device.SetRelay(6, 0, PasswordBlock("relay-pas")), DeviceStatus::kWrongPassword);
    EXPECT_EQ(device.SetRelay(6, 0, PasswordBlock("")), DeviceStatus::kWrongPassword);
    EXPECT_EQ(device.Relay(6), 1);
    EXPECT_EQ(device.SetRelay(10, 1, right), DeviceStatus::kRefused);
    EXPECT_EQ(device.SetRelay(0, 2, right), DeviceStatus::kRefused);

    std::uint8_t status = 0xEE;
    EXPECT_EQ(device.GetRelay(6, status), DeviceStatus::kOk);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(device.GetRelay(10, status), DeviceStatus::kRefused);

    device.relayInitial.states = {1, 0, 7, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1};
    device.ResetMcu();
    EXPECT_EQ(device.mcuResets, 1);
    const std::array<std::uint8_t, 10> expected = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    for (int relay = 0; relay < ReaderDevice::kRelayCount; ++relay) {
        SCOPED_TRACE(relay);
        EXPECT_EQ(device.Relay(relay), expected[static_cast<std::size_t>(relay)]);
    }
}

TEST(ReaderDeviceTest, FreshDeviceTakesTheEmptyRelayPassword) {
    ReaderDevice device;
    EXPECT_EQ(device.SetRelay(0, 1, PasswordBlock("")), DeviceStatus::kOk);
    device.SetRelayPassword("0123456789abcdefXYZ");  // kept to its first 16 bytes
    EXPECT_EQ(device.SetRelay(0, 0, PasswordBlock("0123456789abcdef")), DeviceStatus::kOk);
}

TEST(ReaderDeviceTest, UartCarriesDataToThePeripheralAndItsAnswerBack) {
    ReaderDevice device;
    device.Uart(0).peripheral = [](std::span<const std::uint8_t> sent) {
        return test_bytes::Concat({{'O', 'K', ':'}, Bytes(sent.begin(), sent.end())});
    };
    const Bytes command = {'A', 'T', '\r', '\n'};
    ASSERT_EQ(device.SendToUart(0, command), DeviceStatus::kOk);
    EXPECT_EQ(device.Uart(0).transmitted, command);

    Bytes out;
    ASSERT_EQ(device.ReceiveFromUart(0, 5, out), DeviceStatus::kOk);
    EXPECT_EQ(out, (Bytes{'O', 'K', ':', 'A', 'T'}));
    ASSERT_EQ(device.ReceiveFromUart(0, 100, out), DeviceStatus::kOk);
    EXPECT_EQ(out, (Bytes{'\r', '\n'}));
    ASSERT_EQ(device.ReceiveFromUart(0, 100, out), DeviceStatus::kOk);
    EXPECT_TRUE(out.empty());

    EXPECT_EQ(device.SendToUart(1, command), DeviceStatus::kOk);  // no peripheral attached
    ASSERT_EQ(device.ReceiveFromUart(1, 100, out), DeviceStatus::kOk);
    EXPECT_TRUE(out.empty());

    EXPECT_EQ(device.SendToUart(2, command), DeviceStatus::kRefused);
    EXPECT_EQ(device.SendToUart(0, Bytes{}), DeviceStatus::kRefused);
    EXPECT_EQ(device.ReceiveFromUart(2, 1, out), DeviceStatus::kRefused);
}

TEST(ReaderDeviceTest, UartParametersAreCheckedBeforeTheyAreTaken) {
    ReaderDevice device;
    const auto good = UartBlock(1, 9600, 8);
    ASSERT_EQ(device.SetUartParameters(good), DeviceStatus::kOk);
    EXPECT_EQ(device.Uart(1).parameters, good);

    struct Row {
        const char* name;
        std::array<std::uint8_t, 12> block;
    };
    const Row rows[] = {
        {"no such UART", UartBlock(2, 9600, 8)},
        {"UART index in the high bytes", UartBlock(0x100, 9600, 8)},
        {"baud rate 0", UartBlock(0, 0, 8)},
        {"data bits 4", UartBlock(0, 9600, 4)},
        {"data bits 10", UartBlock(0, 9600, 10)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(device.SetUartParameters(row.block), DeviceStatus::kRefused);
    }
    EXPECT_EQ(device.Uart(0).parameters, (std::array<std::uint8_t, 12>{}));
}

}  // namespace
}  // namespace sim
