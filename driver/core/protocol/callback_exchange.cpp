#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/protocol/reader_session.h"

namespace {

using Clock = std::chrono::steady_clock;

// A frame of 256 bytes needs at most 256 pieces that carry bytes; the rest of this budget is
// for empty pieces while the reply is on its way.
constexpr int kMaxReadPieces = 8192;
// Pause after a piece that carried nothing.
constexpr auto kEmptyPiecePause = std::chrono::milliseconds(1);

}  // namespace

bool ReaderSession::ExchangeByCallback(int handle, int direction, std::uint8_t* buffer, int size,
                                       int timeout) {
    if (extendReadWrite == nullptr) return false;
    if (direction == kCallbackDirectionWrite) return WriteByCallback(handle, buffer, size);
    return ReadByCallback(handle, buffer, size, timeout);
}

bool ReaderSession::WriteByCallback(int handle, const std::uint8_t* buffer, int size) {
    if (buffer == nullptr || size <= 0) return false;
    std::array<std::uint8_t, kCallbackPieceSize> piece{};
    const std::size_t total = static_cast<std::size_t>(size);
    std::size_t sent = std::min(total, kCallbackFirstPieceBytes);
    std::memcpy(piece.data(), buffer, sent);
    if (extendReadWrite(handle, kCallbackDirectionWrite, piece.data(), kCallbackPieceSize) != 1) {
        return false;
    }
    while (sent < total) {
        const std::size_t remaining = total - sent;
        const std::size_t count = std::min(remaining, kCallbackPieceDataBytes);
        piece.fill(0);
        piece[0] = remaining > kCallbackPieceDataBytes ? kCallbackFullPieceCount
                                                       : static_cast<std::uint8_t>(count);
        std::memcpy(piece.data() + 1, buffer + sent, count);
        if (extendReadWrite(handle, kCallbackDirectionWrite, piece.data(), kCallbackPieceSize) !=
            1) {
            return false;
        }
        sent += count;
    }
    return true;
}

bool ReaderSession::ReadByCallback(int handle, std::uint8_t* buffer, int size, int timeout) {
    if (buffer == nullptr || size < static_cast<int>(kCallbackFirstPieceBytes)) return false;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(std::max(timeout, 1));
    std::array<std::uint8_t, kCallbackPieceSize> piece{};
    std::size_t have = 0;
    std::size_t total = 0;
    for (int pieces = 0; pieces < kMaxReadPieces; ++pieces) {
        piece.fill(0);
        if (extendReadWrite(handle, kCallbackDirectionRead, piece.data(), kCallbackPieceSize) !=
            1) {
            return false;
        }
        const std::size_t count = piece[0];
        // The first piece carries frame bytes from byte 1; a later one skips a count byte.
        const std::uint8_t* data = have == 0 ? piece.data() + 1 : piece.data() + 2;
        const std::size_t carried = have == 0 ? count : (count > 1 ? count - 1 : 0);
        if (carried > 0) {
            if (have == 0) {
                total = static_cast<std::size_t>(data[0]) + 1;
                if (static_cast<std::size_t>(size) < total) return false;
            }
            const std::size_t take = std::min(carried, total - have);
            std::memcpy(buffer + have, data, take);
            have += take;
            if (have == total) return true;
        }
        if (Clock::now() >= deadline) return false;
        if (carried == 0) std::this_thread::sleep_for(kEmptyPiecePause);
    }
    return false;
}
