#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "sim/cards/apdu_responder.h"

namespace sim {

// What the card announces in its answer to select (ATS).
struct AtsParameters {
    std::uint8_t fsci = 8;                   // FSC code: 8 is 256 bytes
    std::optional<std::uint8_t> ta1 = 0x00;  // 106 kbit/s both ways only
    std::optional<std::uint8_t> tb1 = 0x70;  // FWI 7, SFGI 0
    std::optional<std::uint8_t> tc1 = 0x02;  // CID supported, NAD not
    std::vector<std::uint8_t> historical;
};

// The card side of the ISO/IEC 14443-4 half-duplex block transmission protocol.
//
// Frames travel without their EDC (the reader adds and checks it) but the EDC
// still counts against the frame sizes: a frame of n bytes here is n + 2 on air.
// Blocks by PCB: I-block 000C CN1b (C chaining, C 0x08 CID follows, N NAD),
// R-block 101A C01b (A set for NAK), S-block 11xx C010 (00 DESELECT, 11 WTX).
//
// The card answers only blocks that are valid for it: its CID (or no CID when its
// CID is 0), no NAD, within its FSC, and fitting the exchange under way. Anything
// else is left unanswered, as the standard wants of a card.
class Iso14443_4Picc {
  public:
    enum class State {
        kIdle,            // not activated, or deselected: the card answers nothing
        kWaitingForRats,  // type A card selected at layer 3
        kActive,          // protocol running
    };

    static constexpr std::uint8_t kRats = 0xE0;

    explicit Iso14443_4Picc(std::shared_ptr<ApduResponder> application, AtsParameters ats = {});

    // Frame size in bytes for an FSDI or FSCI code; codes above 8 count as 8.
    static unsigned FrameSize(std::uint8_t code);

    // The ATS: TL, T0, the interface bytes present, the historical bytes.
    std::vector<std::uint8_t> Ats() const;
    // Answers RATS with these bytes instead (a card with a broken ATS). Frame sizes
    // and CID support stay those of the parameters.
    void SetRawAts(std::vector<std::uint8_t> ats) { rawAts_ = std::move(ats); }

    // Type A: the card was selected at layer 3 and now waits for RATS.
    void AwaitRats();
    // Type B: ATTRIB gave the reader's FSDI and the CID; the card is active at once.
    void Activate(std::uint8_t fsdi, std::uint8_t cid);
    // Out of the field, halted or reset: the protocol state is dropped.
    void Deactivate();

    // One frame from the reader; the card's answer, or nothing when it stays silent.
    std::optional<std::vector<std::uint8_t>> Receive(std::span<const std::uint8_t> frame);

    // Each APDU is answered only after this many S(WTX) requests with `wtxm` (1-59). After
    // each S(WTX) answer the card takes all the time it asked for, FWT x WTXM (at most the
    // FWT of FWI 14), before its next block; FWT = 256 x 16 x 2^FWI / fc with the FWI of
    // TB(1), 4 without it.
    void SetWtxRequests(unsigned count, std::uint8_t wtxm = 1);
    // The card works this long on each command before its first answer block (an S(WTX)
    // request or its response); a card keeps that within its FWT.
    void SetCommandTime(std::chrono::microseconds time) { commandTime_ = time; }
    // The time the card has taken over its answers since the last call, which the reader
    // waits out before each answer reaches it.
    std::chrono::microseconds TakeWorkTime() { return std::exchange(workTime_, {}); }
    // The card's frame waiting time, by the FWI of its ATS.
    std::chrono::microseconds FrameWaitingTime() const;
    // After the next `after` frames from the reader, `count` frames never reach the card.
    void LoseNextFrames(unsigned count, unsigned after = 0) {
        framesToLose_ = count;
        framesBeforeLoss_ = after;
    }
    // The card handles the next frame as usual but sends `frame` in place of its answer.
    void ReplaceNextAnswer(std::vector<std::uint8_t> frame) { replacement_ = std::move(frame); }

    State state() const { return state_; }
    unsigned fsd() const { return fsd_; }
    unsigned fsc() const { return FrameSize(ats_.fsci); }
    bool cidSupported() const { return ats_.tc1.has_value() && (*ats_.tc1 & 0x02) != 0; }
    std::uint8_t cid() const { return cid_; }
    std::uint8_t blockNumber() const { return blockNumber_; }
    // Frames that reached the card, in order.
    const std::vector<std::vector<std::uint8_t>>& framesReceived() const { return frames_; }
    // Command APDUs handed to the application, as assembled from the I-blocks.
    const std::vector<std::vector<std::uint8_t>>& apdus() const { return apdus_; }

  private:
    // Longest command the card assembles from a chain.
    static constexpr std::size_t kMaxCommand = 4096;

    std::optional<std::vector<std::uint8_t>> OnRats(std::span<const std::uint8_t> frame);
    std::optional<std::vector<std::uint8_t>> OnBlock(std::span<const std::uint8_t> frame);
    std::optional<std::vector<std::uint8_t>> OnIBlock(std::uint8_t pcb,
                                                      std::span<const std::uint8_t> inf);
    std::optional<std::vector<std::uint8_t>> OnRBlock(std::uint8_t pcb);
    std::optional<std::vector<std::uint8_t>> OnSBlock(std::uint8_t pcb,
                                                      std::span<const std::uint8_t> inf);
    // Next block of the answer under way: an S(WTX) request while any are due, else
    // the next I-block of the response.
    std::vector<std::uint8_t> NextAnswerBlock();
    std::vector<std::uint8_t> Block(std::uint8_t pcb, std::span<const std::uint8_t> inf) const;
    std::optional<std::vector<std::uint8_t>> Send(std::vector<std::uint8_t> block);
    void ResetProtocol();
    std::size_t MaxInf() const;

    std::shared_ptr<ApduResponder> application_;
    AtsParameters ats_;
    std::optional<std::vector<std::uint8_t>> rawAts_;
    State state_ = State::kIdle;
    unsigned fsd_ = 256;
    std::uint8_t cid_ = 0;
    bool cidInBlocks_ = false;  // the reader's last block carried a CID
    std::uint8_t blockNumber_ = 1;

    std::vector<std::uint8_t> command_;   // chained command being assembled
    std::vector<std::uint8_t> response_;  // response still to send
    bool chaining_ = false;               // a chained I-block was sent, R(ACK) awaited
    bool awaitingWtx_ = false;            // an S(WTX) request was sent
    unsigned wtxPerApdu_ = 0;
    unsigned wtxLeft_ = 0;
    std::uint8_t wtxm_ = 1;
    std::chrono::microseconds commandTime_{};
    std::chrono::microseconds workTime_{};
    std::vector<std::uint8_t> lastSent_;

    unsigned framesToLose_ = 0;
    unsigned framesBeforeLoss_ = 0;
    std::optional<std::vector<std::uint8_t>> replacement_;
    std::vector<std::vector<std::uint8_t>> frames_;
    std::vector<std::vector<std::uint8_t>> apdus_;
};

}  // namespace sim
