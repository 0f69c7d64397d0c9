// Reader housekeeping commands: identity, RF chip, LEDs, network and MCU settings, the
// application configuration, charger, MCU reset and backup registers.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "core/protocol/device_query.h"
#include "core/util/hex_text.h"
#include "korvicard/KorviCardDriver.h"

namespace {

enum : std::uint8_t {
    kCmdGetDeviceNo = 31,
    kCmdSetRfOnOff = 32,
    kCmdSetLedStatus = 33,
    kCmdResetRfIc = 34,
    kCmdSetServerIpPort = 35,
    kCmdGetServerIpPort = 36,
    kCmdGetMcuConfig = 53,
    kCmdGetIspOption = 54,
    kCmdSetIspOption = 55,
    kCmdGetMcuSerailNo = 56,
    kCmdReadWriteRfRegister = 213,
    kCmdSetAppConfig = 217,
    kCmdGetAppConfig = 218,
    kCmdGetDeviceMacAddress = 224,
    kCmdGetChargeVoltage = 229,
    kCmdGetChargeStatus = 232,
    kCmdSetChargeCurrent = 233,
    kCmdGetChargeCurrent = 234,
    kCmdGetUsbCharge = 235,
    kCmdResetMcu = 236,
    kCmdSetMcuBkp = 237,
    kCmdGetFirewareBuildTime = 238,
    kCmdGetMcuDebugBkp = 247,
    kCmdSetAppConfigE2s = 248,
    kCmdGetAppConfigE2s = 249,
};

constexpr int kShortTimeout = 1000;
constexpr int kLongTimeout = 2000;
constexpr int kMinTextSize = 32;
constexpr int kMinSerialTextSize = 64;
constexpr int kMacFieldSize = 8;
constexpr std::size_t kAppConfigSize = 120;
constexpr std::size_t kAppConfigE2sSize = 48;

struct DeviceModel {
    std::uint32_t type;
    const char* prefix;
};

constexpr DeviceModel kModels[] = {
    {0x1002, "V1-S"}, {0x1003, "V1-U"}, {0x2002, "V2-U"}, {0x3001, "V3-U"}, {0x3002, "V3-W"},
    {0x6001, "V6-E"}, {0x7001, "V7-U"}, {0x8001, "V8-U"}, {0x9001, "V9-E"},
};

// A query whose reply bytes 0-3 are one little-endian value.
bool Query32(ReaderSession& session, std::uint8_t command, int timeout, std::uint32_t& value) {
    return DeviceQuery(session, command, {}, timeout, 4, [&](std::span<const std::uint8_t> r) {
        value = PayloadLittleEndian(r, 0, 4);
    });
}

// A query whose first `size` reply bytes go to `output`.
bool QueryBytes(ReaderSession& session, std::uint8_t command, int timeout, std::uint8_t* output,
                std::size_t size) {
    return DeviceQuery(session, command, {}, timeout, size, [&](std::span<const std::uint8_t>) {
        session.CopyReplyPayload(output, size);
    });
}

}  // namespace

bool ReaderSession::GetDeviceNo(char* text, int size) {
    if (text == nullptr || size < kMinTextSize) return false;
    return DeviceQuery(
        *this, kCmdGetDeviceNo, {}, kLongTimeout, 8, [&](std::span<const std::uint8_t> reply) {
            const std::uint32_t serial = PayloadLittleEndian(reply, 0, 4);
            const std::uint32_t type = PayloadLittleEndian(reply, 4, 4);
            const auto model = std::find_if(std::begin(kModels), std::end(kModels),
                                            [&](const DeviceModel& m) { return m.type == type; });
            const auto length = static_cast<std::size_t>(size);
            if (model == std::end(kModels)) {
                std::snprintf(text, length, "Device Type Error");
            } else {
                std::snprintf(text, length, "%s%08x%08x", model->prefix,
                              static_cast<unsigned>(type), static_cast<unsigned>(serial));
            }
        });
}

bool ReaderSession::GetDeviceMacAddress(std::uint8_t* output, int size) {
    if (output == nullptr || size < kMacFieldSize) return false;
    return QueryBytes(*this, kCmdGetDeviceMacAddress, kLongTimeout, output, kMacFieldSize);
}

bool ReaderSession::GetMcuSerailNo(char* text, int size) {
    if (text == nullptr || size < kMinSerialTextSize) return false;
    return CommandExchange(
        *this, kCmdGetMcuSerailNo, {}, kLongTimeout, [&](std::span<const std::uint8_t> reply) {
            const auto length = static_cast<std::size_t>(size);
            std::memset(text, 0, length);
            // Two digits a byte, one place kept for the terminator.
            BytesToHexText(reply.data(), text, std::min(reply.size(), (length - 1) / 2), 0);
        });
}

bool ReaderSession::SetRfOnOff(int on) {
    return ByteArgumentExchange(*this, kCmdSetRfOnOff, {on}, kShortTimeout);
}

bool ReaderSession::SetLedStatus(int state) {
    return ByteArgumentExchange(*this, kCmdSetLedStatus, {state}, kShortTimeout);
}

bool ReaderSession::ResetRfIc() { return CommandExchange(*this, kCmdResetRfIc, {}, kShortTimeout); }

bool ReaderSession::SetServerIpPort(std::uint32_t address, int port) {
    if (!ArgumentsFit(*this, {WordField(port)})) return false;
    const auto a = Le32Bytes(address);
    const std::uint8_t payload[] = {a[0], a[1], a[2], a[3], Low8(port), Low8(port >> 8)};
    return CommandExchange(*this, kCmdSetServerIpPort, payload, kShortTimeout);
}

bool ReaderSession::GetServerIpPort(std::uint32_t* address, std::uint16_t* port) {
    if (address == nullptr || port == nullptr) return false;
    return DeviceQuery(*this, kCmdGetServerIpPort, {}, kShortTimeout, 6,
                       [&](std::span<const std::uint8_t> reply) {
                           *address = PayloadLittleEndian(reply, 0, 4);
                           *port = static_cast<std::uint16_t>(PayloadLittleEndian(reply, 4, 2));
                       });
}

bool ReaderSession::GetMcuConfig(std::uint8_t* output, int size) {
    if (output == nullptr || size < 8) return false;
    return QueryBytes(*this, kCmdGetMcuConfig, kShortTimeout, output, 8);
}

bool ReaderSession::GetIspOption(std::uint8_t* output, int size) {
    if (output == nullptr || size < 4) return false;
    return QueryBytes(*this, kCmdGetIspOption, kShortTimeout, output, 4);
}

bool ReaderSession::SetIspOption(const std::uint8_t* data, int length) {
    if (data == nullptr || length < 4) return false;
    return CommandExchange(*this, kCmdSetIspOption,
                           std::span(data, static_cast<std::size_t>(length)), kShortTimeout);
}

std::uint8_t ReaderSession::ReadWriteRfRegister(int mode, int reg, int value) {
    if (!ArgumentsFit(*this, {ByteField(mode), ByteField(reg), ByteField(value)})) return 0;
    const std::uint8_t payload[] = {Low8(mode), Low8(reg), Low8(value)};
    std::uint8_t result = 0;
    DeviceQuery(*this, kCmdReadWriteRfRegister, payload, kShortTimeout, 2,
                [&](std::span<const std::uint8_t> reply) { result = reply[1]; });
    return result;
}

bool ReaderSession::SetAppConfig(const KorviCardAppConfig* config) {
    if (config == nullptr) return false;
    static_assert(sizeof(KorviCardAppConfig) == kAppConfigSize);
    return CommandExchange(*this, kCmdSetAppConfig,
                           std::span(reinterpret_cast<const std::uint8_t*>(config), kAppConfigSize),
                           kShortTimeout);
}

bool ReaderSession::GetAppConfig(KorviCardAppConfig* config) {
    if (config == nullptr) return false;
    return QueryBytes(*this, kCmdGetAppConfig, kShortTimeout,
                      reinterpret_cast<std::uint8_t*>(config), kAppConfigSize);
}

bool ReaderSession::SetAppConfigE2s(const std::uint8_t* block) {
    if (block == nullptr) return false;
    return CommandExchange(*this, kCmdSetAppConfigE2s, std::span(block, kAppConfigE2sSize),
                           kShortTimeout);
}

bool ReaderSession::GetAppConfigE2s(std::uint8_t* block) {
    if (block == nullptr) return false;
    return QueryBytes(*this, kCmdGetAppConfigE2s, kShortTimeout, block, kAppConfigE2sSize);
}

bool ReaderSession::GetChargeVoltage(float* voltage) {
    if (voltage == nullptr) return false;
    std::uint32_t bits = 0;
    if (!Query32(*this, kCmdGetChargeVoltage, kLongTimeout, bits)) return false;
    *voltage = std::bit_cast<float>(bits);
    return true;
}

bool ReaderSession::GetChargeStatus(std::uint8_t* status) {
    if (status == nullptr) return false;
    return QueryBytes(*this, kCmdGetChargeStatus, kLongTimeout, status, 1);
}

bool ReaderSession::SetChargeCurrent(std::int32_t current) {
    return CommandExchange(*this, kCmdSetChargeCurrent,
                           Le32Bytes(static_cast<std::uint32_t>(current)), kLongTimeout);
}

bool ReaderSession::GetChargeCurrent(std::int32_t* current) {
    if (current == nullptr) return false;
    std::uint32_t value = 0;
    if (!Query32(*this, kCmdGetChargeCurrent, kLongTimeout, value)) return false;
    *current = static_cast<std::int32_t>(value);
    return true;
}

bool ReaderSession::GetUsbCharge(std::int32_t* value) {
    if (value == nullptr) return false;
    std::uint32_t raw = 0;
    if (!Query32(*this, kCmdGetUsbCharge, kLongTimeout, raw)) return false;
    *value = static_cast<std::int32_t>(raw);
    return true;
}

bool ReaderSession::ResetMcu() { return CommandExchange(*this, kCmdResetMcu, {}, kLongTimeout); }

bool ReaderSession::SetMcuBkp(int value) {
    return ByteArgumentExchange(*this, kCmdSetMcuBkp, {value}, kLongTimeout);
}

bool ReaderSession::GetMcuDebugBkp(std::uint32_t* value) {
    if (value == nullptr) return false;
    return Query32(*this, kCmdGetMcuDebugBkp, kLongTimeout, *value);
}

bool ReaderSession::GetFirewareBuildTime(char* text, int size) {
    if (text == nullptr || size < kMinTextSize) return false;
    return CommandExchange(
        *this, kCmdGetFirewareBuildTime, {}, kLongTimeout, [&](std::span<const std::uint8_t>) {
            const auto length = static_cast<std::size_t>(size);
            const std::size_t copied =
                CopyReplyPayload(reinterpret_cast<std::uint8_t*>(text), length - 1);
            std::memset(text + copied, 0, length - copied);
        });
}
