// The copy of the print data that a reader between host and ticket printer keeps: its size,
// pieces of it, all of it, and clearing it.
#include <algorithm>

#include "core/protocol/device_query.h"

namespace {

enum : std::uint8_t {
    kCmdGetPrinterMessageSize = 220,
    kCmdGetPrinterMessage = 221,
    kCmdClearPrinterBuffer = 222,
};

constexpr int kTimeout = 1000;
constexpr int kMaxPieceRequest = 300;
constexpr int kAllMessagePiece = 128;

}  // namespace

bool ReaderSession::GetPrinterMessageSize(std::int32_t* size) {
    if (size == nullptr) return false;
    return DeviceQuery(*this, kCmdGetPrinterMessageSize, {}, kTimeout, 4,
                       [&](std::span<const std::uint8_t> reply) {
                           *size = static_cast<std::int32_t>(PayloadLittleEndian(reply, 0, 4));
                       });
}

bool ReaderSession::GetPrinterMessage(std::uint8_t* output, int offset, int* count) {
    if (output == nullptr || count == nullptr || offset < 0 || *count < 0 ||
        *count > kMaxPieceRequest) {
        return false;
    }
    const auto at = Le32Bytes(static_cast<std::uint32_t>(offset));
    const auto asked = Le32Bytes(static_cast<std::uint32_t>(*count));
    const std::uint8_t payload[] = {at[0],    at[1],    at[2],    at[3],
                                    asked[0], asked[1], asked[2], asked[3]};
    return CommandExchange(
        *this, kCmdGetPrinterMessage, payload, kTimeout, [&](std::span<const std::uint8_t>) {
            *count = static_cast<int>(CopyReplyPayload(output, static_cast<std::size_t>(*count)));
        });
}

bool ReaderSession::GetPrinterAllMessage(std::uint8_t* output, int* total) {
    if (output == nullptr || total == nullptr) return false;
    const int room = std::max(*total, 0);
    int offset = 0;
    while (offset < room) {
        const int asked = std::min(kAllMessagePiece, room - offset);
        int count = asked;
        if (!GetPrinterMessage(output + offset, offset, &count)) return false;
        offset += count;
        if (count < asked) break;
    }
    *total = offset;
    return true;
}

bool ReaderSession::ClearPrinterBuffer() {
    return CommandExchange(*this, kCmdClearPrinterBuffer, {}, kTimeout);
}
