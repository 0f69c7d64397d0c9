// Arbitrary callback pieces on the reply path: the piece reader, the reply checks and the
// bounded payload copy never crash or touch memory outside their buffers.
//
// Input: byte 0 picks the read buffer size (64 to 300) and byte 1 the copy destination size;
// the rest is cut into 256-byte pieces that the callback hands over one per read.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/protocol/mask_generator.h"
#include "core/protocol/reader_session.h"

namespace {

const std::uint8_t* input = nullptr;
std::size_t inputSize = 0;
std::size_t inputAt = 0;

int FuzzCallback(int, int direction, unsigned char* buffer, int size) {
    if (direction == kCallbackDirectionWrite) return 1;
    if (inputAt >= inputSize) return 0;
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(size), inputSize - inputAt);
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    std::memcpy(buffer, input + inputAt, n);
    inputAt += n;
    return 1;
}

void Feed(const std::uint8_t* data, std::size_t size) {
    input = data;
    inputSize = size;
    inputAt = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // A fixed request mask lets the seeds hold replies that pass every check.
    static const bool fixedMask = [] {
        SetFrameMaskSource([] { return FrameMask{0, 0, 0, 0}; });
        return true;
    }();
    (void)fixedMask;
    const int readSize = 64 + data[0] % 237;
    const std::size_t destSize = data[1];
    ReaderSession session;
    session.SetExtendReadWrite(FuzzCallback);

    // The piece reader into a buffer of exactly readSize bytes.
    Feed(data + 2, size - 2);
    auto exact = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(readSize));
    session.ExchangeByCallback(1, kCallbackDirectionRead, exact.get(), readSize, 1);

    // A whole exchange, then the payload copied into a destination of exactly destSize bytes.
    Feed(data + 2, size - 2);
    session.Transact(0x10, data, static_cast<unsigned>(std::min<std::size_t>(size, 8)), 1);
    auto dest = std::make_unique<std::uint8_t[]>(destSize);
    const std::size_t copied = session.CopyReplyPayload(dest.get(), destSize, data[0] % 8);
    if (copied > destSize || session.ReplyPayloadLength() > kMaxReplyPayload) __builtin_trap();
    return 0;
}
