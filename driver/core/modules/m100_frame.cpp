#include "core/modules/m100_frame.h"

#include <cstring>

#include "core/protocol/error_codes.h"

namespace {

// Sum of the bytes from the type to the last parameter.
std::uint8_t M100Checksum(const std::uint8_t* from, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + from[i]);
    return sum;
}

}  // namespace

std::size_t BuildM100Frame(std::uint8_t type, std::uint8_t command, unsigned parameterLength,
                           const std::uint8_t* parameters, std::uint8_t* frame) {
    if (frame == nullptr || parameterLength > kM100MaxSendParameters) return 0;
    if (parameters == nullptr && parameterLength > 0) return 0;
    frame[0] = kM100Header;
    frame[1] = type;
    frame[2] = command;
    frame[3] = static_cast<std::uint8_t>(parameterLength >> 8);
    frame[4] = static_cast<std::uint8_t>(parameterLength);
    if (parameterLength > 0) {
        std::memcpy(frame + kM100ParameterOffset, parameters, parameterLength);
    }
    const std::size_t end = kM100ParameterOffset + parameterLength;
    frame[end] = M100Checksum(frame + 1, end - 1);
    frame[end + 1] = kM100End;
    return end + 2;
}

int ParseM100Frame(std::span<const std::uint8_t> bytes, M100Frame& frame) {
    if (!bytes.empty() && bytes[0] != kM100Header) return LCEC_RECV_CRC_FALSE;
    if (bytes.size() < kM100FrameOverhead) return LCEC_RECV_TIME_OUT;
    const std::size_t length = static_cast<std::size_t>(bytes[3]) << 8 | bytes[4];
    const std::size_t end = kM100ParameterOffset + length;
    if (bytes.size() < end + 2) return LCEC_RECV_TIME_OUT;
    if (M100Checksum(bytes.data() + 1, end - 1) != bytes[end] || bytes[end + 1] != kM100End) {
        return LCEC_RECV_CRC_FALSE;
    }
    frame.type = bytes[1];
    frame.command = bytes[2];
    frame.parameters = bytes.subspan(kM100ParameterOffset, length);
    return LCEC_OK;
}

int M100ReplyError(const M100Frame* answer) {
    if (answer == nullptr) return LCEC_UNKNOWN;
    if (answer->type == kM100TypeCommand || answer->type == kM100TypeNotice) return LCEC_OK;
    if (answer->type == kM100TypeResponse && !answer->parameters.empty() &&
        answer->parameters[0] == kM100NoTag) {
        return LCEC_M100_INVENTORY_FAIL;
    }
    return LCEC_UNKNOWN;
}
