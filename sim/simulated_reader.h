#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "sim/reader_codec.h"

// The simulated reader's firmware: request frame bytes in, reply frames out, as a function
// of its own state. It knows no transport: adapters (callback, TCP, pseudo-terminal, fake
// HID) carry the bytes.
//
// Reader conventions: the reply's sequence byte is the request's + 1; a request with a bad
// check byte or inconsistent lengths gets no reply (and is not logged); a command without a
// handler gets status 1 with code 19; a failure reply carries status 1, payload length 1 and
// its code in byte 4.

namespace sim {

// What a command handler answers.
struct Reply {
    std::uint8_t status = 0;
    std::vector<std::uint8_t> payload;  // at most 251 bytes
    // Further success replies to the same request, each its own frame after this one (a
    // module that answers one command with several frames). Faults act on the first reply;
    // a reply that is lost takes these with it.
    std::vector<std::vector<std::uint8_t>> laterPayloads;
    // The time the command takes (a card that works before it answers): its replies leave
    // this long after the request, and a fault's delay counts on top.
    int delayMs = 0;

    static Reply Ok(std::vector<std::uint8_t> payload = {}) {
        return {0, std::move(payload), {}, 0};
    }
    static Reply Failure(std::uint8_t code) { return {1, {code}, {}, 0}; }
};

// Handles one command. Each command family registers its handlers from its own file, e.g.
//     void RegisterMifareCommands(SimulatedReader& reader, CardField& field) {
//         reader.SetHandler(6, [&field](const Request& r) { ... return Reply::Ok(block); });
//     }
using CommandHandler = std::function<Reply(const Request& request)>;

enum class FaultKind {
    kNoReply,          // the command runs, its reply is lost
    kDelay,            // the reply leaves delayMs after the request
    kTruncate,         // only the first truncateTo bytes of the reply leave
    kZeroLength,       // a single length byte 0
    kBadCheckByte,     // the reply's check byte is wrong
    kShortReply,       // a frame of length byte shortLength (1 or 2): no status byte
    kStaleReply,       // the previous reply (as sent then) leaves again ahead of this one
    kErrorStatus,      // the command does not run; status 1 with errorCode
    kOverlongPayload,  // reply byte 3 announces one byte more than the frame carries
    kSplit,            // the reply leaves in parts of pieceSize bytes
    kExtraReplies,     // the reply leaves 1 + extraCopies times
};

struct Fault {
    FaultKind kind = FaultKind::kNoReply;
    int times = 1;  // number of requests it applies to, one after the other
    int delayMs = 0;
    std::size_t truncateTo = 0;
    std::uint8_t shortLength = 2;
    std::uint8_t errorCode = 0;
    std::size_t pieceSize = 1;
    int extraCopies = 1;
};

// One piece of output in the order it leaves the reader.
struct Emission {
    std::vector<std::uint8_t> bytes;
    bool startsFrame = true;  // false for the later parts of a split reply
    int delayMs = 0;          // when it leaves, counted from the request's arrival
};

class SimulatedReader {
  public:
    // Replaces the handler of command (an empty handler removes it).
    void SetHandler(std::uint8_t command, CommandHandler handler);
    bool HasHandler(std::uint8_t command) const;

    // One whole request frame in, the reply output out (empty when nothing is answered).
    // Throws std::length_error when a handler answers more than 251 payload bytes.
    std::vector<Emission> Process(std::span<const std::uint8_t> frame);

    // Every request that passed its checks, in order of arrival.
    const std::vector<Request>& Requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }
    // Frames refused for a bad check byte or inconsistent lengths.
    std::size_t RejectedFrames() const { return rejectedFrames_; }

    // Faults apply to the next requests in the order they were queued.
    void QueueFault(const Fault& fault);
    void ClearFaults() { faults_.clear(); }
    std::size_t PendingFaults() const { return faults_.size(); }

  private:
    // The reply output of one request under fault (null: none).
    std::vector<Emission> Deliver(const Fault* fault, const std::vector<std::uint8_t>& reply,
                                  const Reply& answer, const Request& request,
                                  std::uint8_t replySequence);

    std::map<std::uint8_t, CommandHandler> handlers_;
    std::vector<Request> requests_;
    std::size_t rejectedFrames_ = 0;
    std::deque<Fault> faults_;
    std::vector<std::uint8_t> lastReply_;
};

}  // namespace sim
