// The MCU's auxiliary UARTs and the reader's relays.
#include <cstring>
#include <vector>

#include "core/protocol/device_query.h"

namespace {

enum : std::uint8_t {
    kCmdSetMcuUartParam = 214,
    kCmdSendCommand2McuUart = 215,
    kCmdReceiveResultOfMcuUart = 216,
    kCmdGetRelayInitStatus = 225,
    kCmdSetRelayInitStatus = 226,
    kCmdGetRelayStatus = 227,
    kCmdSetRelayStatus = 228,
};

constexpr int kTimeout = 1000;
constexpr std::size_t kUartParamSize = 12;
// A UART request (selector and data) is at most this long.
constexpr int kUartRequestRoom = 128;
constexpr std::size_t kRelayBlockSize = 16;

}  // namespace

bool ReaderSession::SetMcuUartParam(const std::uint8_t* block) {
    if (block == nullptr) return false;
    return CommandExchange(*this, kCmdSetMcuUartParam, std::span(block, kUartParamSize), kTimeout);
}

bool ReaderSession::SendCommand2McuUart(std::uint32_t uart, const std::uint8_t* data, int length) {
    if (data == nullptr || length <= 0 || length > kUartRequestRoom - 4) return false;
    const auto selector = Le32Bytes(uart);
    std::vector<std::uint8_t> payload(selector.begin(), selector.end());
    payload.insert(payload.end(), data, data + length);
    return CommandExchange(*this, kCmdSendCommand2McuUart, payload, kTimeout);
}

bool ReaderSession::ReceiveResultOfMcuUart(std::uint32_t uart, std::uint8_t* output, int* length) {
    if (output == nullptr || length == nullptr || *length < 0) return false;
    return CommandExchange(
        *this, kCmdReceiveResultOfMcuUart, Le32Bytes(uart), kTimeout,
        [&](std::span<const std::uint8_t>) {
            *length = static_cast<int>(CopyReplyPayload(output, static_cast<std::size_t>(*length)));
        });
}

bool ReaderSession::SetRelayStatus(int relay, int status, const char* text) {
    if (text == nullptr || !ArgumentsFit(*this, {ByteField(relay), ByteField(status)})) {
        return false;
    }
    std::uint8_t payload[2 + kRelayBlockSize] = {Low8(relay), Low8(status)};
    // The text may be longer than its block, or unterminated within it.
    std::memcpy(payload + 2, text, strnlen(text, kRelayBlockSize));
    return CommandExchange(*this, kCmdSetRelayStatus, payload, kTimeout);
}

bool ReaderSession::GetRelayStatus(int relay, std::uint8_t* status) {
    if (status == nullptr || !ArgumentsFit(*this, {ByteField(relay)})) return false;
    const std::uint8_t payload[] = {Low8(relay)};
    return DeviceQuery(*this, kCmdGetRelayStatus, payload, kTimeout, 1,
                       [&](std::span<const std::uint8_t> reply) { *status = reply[0]; });
}

bool ReaderSession::SetRelayInitStatus(const std::uint8_t* states, const std::uint8_t* password,
                                       std::uint32_t value) {
    if (states == nullptr || password == nullptr) return false;
    std::vector<std::uint8_t> payload(states, states + kRelayBlockSize);
    payload.insert(payload.end(), password, password + kRelayBlockSize);
    const auto v = Le32Bytes(value);
    payload.insert(payload.end(), v.begin(), v.end());
    return CommandExchange(*this, kCmdSetRelayInitStatus, payload, kTimeout);
}

bool ReaderSession::GetRelayInitStatus(std::uint8_t* states, std::uint8_t* password,
                                       std::uint32_t* value) {
    if (states == nullptr || password == nullptr || value == nullptr) return false;
    return DeviceQuery(*this, kCmdGetRelayInitStatus, {}, kTimeout, 2 * kRelayBlockSize + 4,
                       [&](std::span<const std::uint8_t> reply) {
                           CopyReplyPayload(states, kRelayBlockSize, 0, kRelayBlockSize);
                           CopyReplyPayload(password, kRelayBlockSize, kRelayBlockSize,
                                            kRelayBlockSize);
                           *value = PayloadLittleEndian(reply, 2 * kRelayBlockSize, 4);
                       });
}
