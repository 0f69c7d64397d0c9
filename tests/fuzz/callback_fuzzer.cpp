// The caller-callback piece exchange: pieces of any count byte and length read into a
// buffer of any size, and a frame of any size written in pieces to a callback that may
// refuse any of them. Every read ends within its pieces and its buffer; every write that
// succeeds hands over exactly the frame's bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/protocol/reader_session.h"

namespace {

const std::uint8_t* input = nullptr;
std::size_t inputSize = 0;
std::size_t inputAt = 0;
std::vector<std::uint8_t> written;
std::uint32_t refusals = 0;

int ReadPieces(int, int direction, unsigned char* buffer, int size) {
    if (direction != kCallbackDirectionRead || inputAt >= inputSize) return 0;
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(size), inputSize - inputAt);
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    std::memcpy(buffer, input + inputAt, n);
    inputAt += n;
    return 1;
}

int TakePieces(int, int direction, unsigned char* buffer, int size) {
    if (direction != kCallbackDirectionWrite || size != kCallbackPieceSize) __builtin_trap();
    const bool refuse = (refusals & 1) != 0;
    refusals >>= 1;
    if (refuse) return 0;
    if (written.empty()) {
        written.assign(buffer, buffer + kCallbackFirstPieceBytes);
    } else {
        const std::size_t count = buffer[0] == 255 ? 63 : buffer[0];
        if (count > 63) __builtin_trap();
        written.insert(written.end(), buffer + 1, buffer + 1 + count);
    }
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    ReaderSession session;

    // Reading: a buffer of 0 to 300 bytes, pieces cut from the input.
    session.SetExtendReadWrite(ReadPieces);
    const std::size_t room = (static_cast<std::size_t>(data[0]) << 8 | data[1]) % 301;
    auto buffer = std::make_unique<std::uint8_t[]>(room + 1);
    input = data + 2;
    inputSize = size - 2;
    inputAt = 0;
    session.ExchangeByCallback(1, kCallbackDirectionRead, buffer.get(), static_cast<int>(room), 5);

    // Writing: a frame of 0 to 300 bytes of the input, pieces refused as its bits say.
    session.SetExtendReadWrite(TakePieces);
    const std::size_t frameSize = std::min<std::size_t>(size - 4, room);
    std::memcpy(&refusals, data, 4);
    refusals &= data[2] % 3 == 0 ? 0xFFFFFFFFu : 0;
    written.clear();
    std::vector<std::uint8_t> frame(data + 4, data + 4 + frameSize);
    const bool sent = session.ExchangeByCallback(1, kCallbackDirectionWrite, frame.data(),
                                                 static_cast<int>(frame.size()), 5);
    if (sent) {
        if (written.size() < frame.size() ||
            !std::equal(frame.begin(), frame.end(), written.begin())) {
            __builtin_trap();
        }
    }
    return 0;
}
