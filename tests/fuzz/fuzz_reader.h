#pragma once

// A reader on the caller-callback route for the fuzz targets: each request the driver writes
// is taken, and each reply it reads is a well-formed reader frame (status, payload, check
// byte, scrambled under a zero request mask) whose payload the target chooses, so the fuzz
// input reaches the parsers behind the exports instead of the frame checks.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "core/modules/module_pause.h"
#include "core/protocol/mask_generator.h"
#include "core/protocol/reader_protocol_constants.h"
#include "core/protocol/reader_session.h"

namespace fuzz_reader {

// The next reply's payload; false: no reply (the read fails at once).
using ReplySource = std::function<bool(std::vector<std::uint8_t>& payload, bool& failure)>;

inline ReplySource& Source() {
    static ReplySource source;
    return source;
}

// The requests the driver wrote (their first pieces), counted per run.
inline int& Requests() {
    static int requests = 0;
    return requests;
}

// A reply frame: length byte, then sequence, status, payload length and payload scrambled as
// the reader scrambles them for a request mask of zeros, then the check byte.
inline std::vector<std::uint8_t> ReplyFrame(const std::vector<std::uint8_t>& payload,
                                            bool failure) {
    std::vector<std::uint8_t> body = {0, static_cast<std::uint8_t>(failure ? 1 : 0),
                                      static_cast<std::uint8_t>(payload.size())};
    body.insert(body.end(), payload.begin(), payload.end());
    std::vector<std::uint8_t> frame = {static_cast<std::uint8_t>(body.size() + 1)};
    for (std::size_t j = 0; j < body.size(); ++j) {
        frame.push_back(static_cast<std::uint8_t>(body[j] ^ (j & 0xFF) ^ kReplyMask[j % 4]));
    }
    std::uint8_t check = 0;
    for (const std::uint8_t byte : frame) check ^= byte;
    frame.push_back(check);
    return frame;
}

inline int Callback(int, int direction, unsigned char* buffer, int size) {
    if (direction == kCallbackDirectionWrite) {
        ++Requests();
        return 1;
    }
    std::vector<std::uint8_t> payload;
    bool failure = false;
    if (!Source() || !Source()(payload, failure)) return 0;
    if (payload.size() > 250) payload.resize(250);
    const std::vector<std::uint8_t> frame = ReplyFrame(payload, failure);
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    buffer[0] = static_cast<std::uint8_t>(frame.size());
    std::memcpy(buffer + 1, frame.data(), frame.size());
    return 1;
}

// Payloads cut from bytes: a length byte n (0xFF: a failure status with the next byte as its
// code), then n bytes, or what is left.
class ReplyScript {
  public:
    ReplyScript(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Next(std::vector<std::uint8_t>& payload, bool& failure) {
        if (at_ >= size_) return false;
        const std::uint8_t n = data_[at_++];
        failure = n == 0xFF;
        const std::size_t count = std::min<std::size_t>(failure ? 1 : n, size_ - at_);
        payload.assign(data_ + at_, data_ + at_ + count);
        at_ += count;
        return true;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Once per process: masks of zeros and module pauses that do not sleep.
inline void Setup() {
    static const bool done = [] {
        SetFrameMaskSource([] { return FrameMask{0, 0, 0, 0}; });
        SetModulePauseFunction([](int) {});
        return true;
    }();
    (void)done;
}

// A session on the callback route whose replies come from script.
inline void Attach(ReaderSession& session, ReplyScript& script) {
    Setup();
    Requests() = 0;
    Source() = [&script](std::vector<std::uint8_t>& payload, bool& failure) {
        return script.Next(payload, failure);
    };
    session.SetHandleId(1);
    session.SetExtendReadWrite(Callback);
}

}  // namespace fuzz_reader
