#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>

// What the block protocol knows of the activated card: the PCB base (block number, CID
// following), the CID, the frame sizes both ways and the card's frame waiting time. RATS sets
// it; the block number then carries on from one exchange to the next.
struct Iso14443CardState {
    std::uint8_t pcbBase = 0x02;
    std::uint8_t cid = 0;
    unsigned maxInf = 63;  // INF bytes per block the reader's FSDI allows
    unsigned fsc = 256;    // the card's frame size
    std::uint8_t fwi = 4;  // frame waiting time integer of TB(1); 4 without it
    // The block number is known to be the card's: set by RATS and by each answer of the
    // card, cleared by a failed exchange (the card may or may not have taken its last block).
    bool inStep = false;
    // A command chain was left unfinished: the card may hold a part of that command.
    bool awaitsReset = false;
};

// The host side of the ISO/IEC 14443-4 block protocol: RATS and ATS, I-blocks with
// chaining both ways, R(ACK), R(NAK), S(WTX), S(DESELECT). Each session holds its own layer,
// and the layer's blocks go out through the transceive function registered with it.
//
// Blocks are told apart by their PCB: I-block 000C CN1b, R-block 101A C01b (A set: NAK),
// S-block 11xx C010. N below is the layer's current block number.
//
// Block numbers follow the card. The card takes every I-block and answers it with its own
// number (rule D), so a card's direct answer to an I-block (its I-block, or its R(ACK) to a
// chained one) is taken whatever its number, and the next block carries the number after it
// (rule B): a card last reached through another session is answered in step.
//
// Error recovery. A transceive that fails (the card's answer did not come within its wait)
// or brings an invalid block (not addressed as the layer sends, an R(NAK), an S(DESELECT), a
// NAD, a block larger than the room, one that does not fit the exchange at that point) is
// answered as follows:
// - R(NAK) with N (rule 4), or R(ACK) with N while the card is chaining its answer (rule 5).
//   The card sends its last block again (rule 11) or acknowledges with its own number
//   (rule 12), so an answer that was lost is asked for again, never the command sent twice.
// - The card's answer to such an R-block is checked against N: an R(ACK) with another number
//   brings the last I-block again (rule 6), one with N continues the command chain (rule 7);
//   an I-block must carry N.
// - Each block is tried at most 1 + kMaxRetransmissions times: a third failure in a row ends
//   the exchange with kFailure. While the block number is not known to be the card's (a
//   fresh layer before the card's first answer, or after a failed exchange) nothing is tried
//   again: an R-block could not be read against the card's number.
// - When an exchange whose command was chained fails before the card's answer began, the
//   card may hold a part of that command, to which it would join the next I-block. The layer
//   then refuses every exchange with kFailure, sending nothing, until the card is reset: a
//   RATS that the card answers (the caller resets the card, as after any failed exchange).
//
// Waiting times. The card's frame waiting time FWT = 256 x 16 x 2^FWI / fc comes from the FWI
// of its ATS (TB(1); 4 without it or for FWI 15). After each block the layer waits FWT for the
// card's answer, after an S(WTX) answer FWT x WTXM (at most the FWT of FWI 14), and the
// reader's own margin of kExchangeTimeoutMs on top: that is the wait each transceive is given.
class Iso14443BlockLayer {
  public:
    // Sends one block and reads the card's answer into response, waiting up to waitMs for it.
    // *responseLength: in, the room of response; out, the full length of the answer (which
    // may exceed the room).
    using Transceive =
        std::function<bool(const std::uint8_t* block, unsigned length, std::uint8_t* response,
                           unsigned* responseLength, int waitMs)>;

    static constexpr std::uint8_t kOk = 0;
    static constexpr std::uint8_t kFailure = 0xF4;
    // Room for one block answer.
    static constexpr unsigned kReceiveCapacity = 255;
    // Chained answer blocks taken within one exchange: a card that chains past them (empty
    // blocks never fill the room of the answer) ends the exchange with kFailure.
    static constexpr unsigned kMaxChainedAnswerBlocks = 255;
    // Tries of a block after its first.
    static constexpr unsigned kMaxRetransmissions = 2;
    // The blocks of one exchange run within the time-out of the CPU-card command (reader
    // command 14, 1000 ms); once it has passed no further block goes out and the exchange
    // ends with kFailure. The card's own time moves that limit on: the time it takes to
    // answer within the waiting time it was given (an empty chained block moves nothing),
    // and the whole wait of a block that is tried again. Never past kWtxTimeLimitMs from the
    // exchange's start: every exchange, also one whose card keeps asking for more time, ends
    // within kWtxTimeLimitMs and one transceive's wait.
    static constexpr int kExchangeTimeoutMs = 1000;
    static constexpr int kWtxTimeLimitMs = 10000;

    using Clock = std::chrono::steady_clock;
    // Where the exchange's time comes from (the steady clock unless a test sets another).
    void SetClock(std::function<Clock::time_point()> now) { now_ = std::move(now); }

    // INF bytes per block by FSDI 0-8, for blocks without and with a CID byte.
    static constexpr std::array<unsigned, 9> kInfSizeWithoutCid = {15, 23, 31,  39, 47,
                                                                   63, 95, 127, 254};
    static constexpr std::array<unsigned, 9> kInfSizeWithCid = {14, 22, 30,  38, 46,
                                                                62, 94, 126, 253};

    void SetTransceiveFunction(Transceive transceive) { transceive_ = std::move(transceive); }

    // Sends RATS (E0, parameter: FSDI high nibble, CID low nibble) and reads the ATS into
    // ats; *length: in, the room of ats; out, the bytes received (0 on failure). The PCB
    // base gives the first block number and whether blocks carry the CID; TC(1) of the ATS
    // then decides the CID. False when nothing answers or the ATS is malformed.
    bool RequestAts(std::uint8_t pcbBase, std::uint8_t parameter, unsigned* length,
                    std::uint8_t* ats);

    // One command APDU out and its response (data and status word) in, over as many
    // blocks as the frame sizes need, bounded by kMaxChainedAnswerBlocks, kExchangeTimeoutMs
    // and kWtxTimeLimitMs. The response goes to response, at most capacity bytes;
    // *responseLength is the count appended, also after a failure. kOk or kFailure.
    std::uint8_t ExchangeBlocks(std::span<const std::uint8_t> apdu, std::uint8_t* response,
                                unsigned capacity, unsigned* responseLength);
    bool ExchangeApdu(std::span<const std::uint8_t> apdu, std::uint8_t* response, unsigned capacity,
                      unsigned* responseLength) {
        return ExchangeBlocks(apdu, response, capacity, responseLength) == kOk;
    }

    // The S(DESELECT) request for the card (C2, or CA and the CID when blocks carry one)
    // into block; its length.
    unsigned DeselectRequest(std::array<std::uint8_t, 2>& block) const;
    // True when answer is the card's S(DESELECT) response to that request.
    bool IsDeselectResponse(std::span<const std::uint8_t> answer) const;

    // True once an unfinished command chain stops every exchange until the card is reset.
    bool AwaitsReset() const { return card_.awaitsReset; }

    // The state of the activated card, to carry it to another layer that reaches the card.
    const Iso14443CardState& CardState() const { return card_; }
    void SetCardState(const Iso14443CardState& card) { card_ = card; }

    bool CidInUse() const { return (card_.pcbBase & kCidFollows) != 0; }
    std::uint8_t BlockNumber() const { return card_.pcbBase & kBlockNumber; }
    // INF bytes per block the reader's FSDI allows.
    unsigned MaxInfSize() const { return card_.maxInf; }
    // INF bytes per block sent: within both the reader's size and the card's FSC.
    unsigned ChunkSize() const;

  private:
    static constexpr std::uint8_t kCidFollows = 0x08;
    static constexpr std::uint8_t kBlockNumber = 0x01;
    static constexpr unsigned kBlockBufferSize = 300;
    using Block = std::array<std::uint8_t, kBlockBufferSize>;

    // The card's frame waiting time, by the FWI of its ATS, and the time it may take after an
    // S(WTX) answer with wtxm; both at most the FWT of FWI 14.
    std::chrono::microseconds FrameWaitingTime() const;
    std::chrono::microseconds ExtendedWaitingTime(std::uint8_t wtxm) const;
    // The wait of a transceive whose card was given `waiting`: that and the reader's margin,
    // in whole milliseconds.
    static int TransceiveWaitMs(std::chrono::microseconds waiting);
    // Sends block[0, length) and reads the answer into answer within waitMs; false when the
    // transceive fails or the answer is empty or larger than the room.
    bool Exchange(const Block& block, unsigned length, Block& answer, unsigned* answerLength,
                  int waitMs);
    // PCB, then the CID byte when blocks carry it; the header length.
    unsigned Header(Block& block, std::uint8_t pcb) const;
    // The header length of a card block addressed as the layer sends (CID or none), or 0.
    unsigned AnswerHeader(const Block& answer, unsigned length) const;
    // The card's block (I-block or R(ACK)) carried number n: the next block carries n ^ 1.
    void FollowBlockNumber(std::uint8_t cardPcb);

    Transceive transceive_;
    std::function<Clock::time_point()> now_ = [] { return Clock::now(); };
    Iso14443CardState card_;
};
