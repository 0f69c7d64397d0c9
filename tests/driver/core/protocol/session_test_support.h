#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

#include "core/protocol/mask_generator.h"
#include "core/protocol/reader_protocol_constants.h"
#include "core/transport/hid_transport_base.h"

// Every request frame gets this mask while the object lives.
class FixedMask {
  public:
    explicit FixedMask(FrameMask mask) {
        SetFrameMaskSource([mask] { return mask; });
    }
    ~FixedMask() { SetFrameMaskSource({}); }
    FixedMask(const FixedMask&) = delete;
    FixedMask& operator=(const FixedMask&) = delete;
};

// A caller transport callback that records the pieces written to it and serves read
// pieces from a script; once the script is dry it answers empty pieces.
struct ScriptedCallback {
    using Piece = std::vector<std::uint8_t>;
    static inline std::vector<Piece> written;
    static inline std::deque<Piece> reads;
    static inline int writeResult = 1;
    static inline int readResult = 1;
    static inline int calls = 0;
    static inline int readCalls = 0;
    static inline int lastHandle = 0;
    static inline int lastSize = 0;

    static void Reset() {
        written.clear();
        reads.clear();
        writeResult = readResult = 1;
        calls = readCalls = lastHandle = lastSize = 0;
    }

    static int Callback(int handle, int direction, unsigned char* buffer, int size) {
        ++calls;
        lastHandle = handle;
        lastSize = size;
        if (direction == 0) {
            written.emplace_back(buffer, buffer + size);
            return writeResult;
        }
        ++readCalls;
        std::fill(buffer, buffer + size, 0);
        if (!reads.empty()) {
            std::copy(reads.front().begin(), reads.front().end(), buffer);
            reads.pop_front();
        }
        return readResult;
    }

    // A read piece of the first kind: count, then the bytes.
    static Piece FirstPiece(const std::vector<std::uint8_t>& bytes) {
        Piece piece(kCallbackPieceSize, 0);
        piece[0] = static_cast<std::uint8_t>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), piece.begin() + 1);
        return piece;
    }

    // A later read piece: count P, a count byte, then P - 1 bytes.
    static Piece LaterPiece(const std::vector<std::uint8_t>& bytes, std::uint8_t countByte = 0) {
        Piece piece(kCallbackPieceSize, 0);
        piece[0] = static_cast<std::uint8_t>(bytes.size() + 1);
        piece[1] = countByte;
        std::copy(bytes.begin(), bytes.end(), piece.begin() + 2);
        return piece;
    }

    // Queues frame as a first piece of up to `first` bytes and later pieces of up to 63.
    static void QueueFrame(const std::vector<std::uint8_t>& frame, std::size_t first = 64) {
        std::size_t at = std::min(first, frame.size());
        reads.push_back(FirstPiece({frame.begin(), frame.begin() + at}));
        while (at < frame.size()) {
            const std::size_t n = std::min<std::size_t>(63, frame.size() - at);
            reads.push_back(LaterPiece({frame.begin() + at, frame.begin() + at + n}));
            at += n;
        }
    }

    // The frame carried by the written pieces.
    static std::vector<std::uint8_t> WrittenFrame(std::size_t length) {
        std::vector<std::uint8_t> frame;
        for (std::size_t i = 0; i < written.size(); ++i) {
            const Piece& piece = written[i];
            if (i == 0) {
                frame.insert(frame.end(), piece.begin(),
                             piece.begin() + std::min<std::size_t>(64, length));
            } else {
                const std::size_t n = piece[0] == 255 ? 63 : piece[0];
                frame.insert(frame.end(), piece.begin() + 1, piece.begin() + 1 + n);
            }
        }
        return frame;
    }
};

// A HID transport that records what the session asks of it.
class FakeHidTransport : public HidTransportBase {
  public:
    struct Log {
        int openVendor = -1, openProduct = -1, openIndex = -1;
        std::vector<std::vector<std::uint8_t>> writes;
        int discards = 0;
        int readTimeout = -1;
        int reportTimeout = -1;
        bool destroyed = false;
    };

    explicit FakeHidTransport(Log& log, std::vector<std::uint8_t> reply = {})
        : log_(log), reply_(std::move(reply)) {}
    ~FakeHidTransport() override { log_.destroyed = true; }

    bool Open(int vendor, int product, int index) override {
        log_.openVendor = vendor;
        log_.openProduct = product;
        log_.openIndex = index;
        return true;
    }
    bool ReadFrame(std::uint8_t* buffer, int size, int timeout) override {
        log_.readTimeout = timeout;
        if (reply_.empty() || static_cast<int>(reply_.size()) > size) return false;
        std::copy(reply_.begin(), reply_.end(), buffer);
        return true;
    }
    bool Write(const std::uint8_t* frame, int length) override {
        log_.writes.emplace_back(frame, frame + length);
        return true;
    }
    void Close() override {}
    int GetDeviceCount(int, int) override { return 1; }
    bool ReadReport(std::uint8_t* buffer, int size, int timeout) override {
        log_.reportTimeout = timeout;
        std::fill(buffer, buffer + size, 0x11);
        return true;
    }
    void DiscardInput() override { ++log_.discards; }

  private:
    Log& log_;
    std::vector<std::uint8_t> reply_;
};
