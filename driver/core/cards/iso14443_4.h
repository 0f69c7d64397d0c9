#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>

// What the block protocol knows of the activated card: the PCB base (block number, CID
// following), the CID, and the frame sizes both ways. RATS sets it; the block number then
// carries on from one exchange to the next.
struct Iso14443CardState {
    std::uint8_t pcbBase = 0x02;
    std::uint8_t cid = 0;
    unsigned maxInf = 63;  // INF bytes per block the reader's FSDI allows
    unsigned fsc = 256;    // the card's frame size
};

// The host side of the ISO/IEC 14443-4 block protocol: RATS and ATS, I-blocks with
// chaining both ways, R(ACK), S(WTX), S(DESELECT). Each session holds its own layer, and
// the layer's blocks go out through the transceive function registered with it.
//
// Blocks are told apart by their PCB: I-block 000C CN1b, R-block 101A C01b, S-block
// 11xx C010. The block number follows the card: its I-blocks and R(ACK)s are taken
// whatever their number, and the next block goes out with the number after theirs, so a
// card whose answer was lost, or that was last reached through another session, is
// answered in step. A card answer that does not fit the exchange (an R-block or DESELECT
// where data is due, a wrong CID, an answer past the caller's room) ends the exchange
// with kFailure; nothing is retried.
class Iso14443BlockLayer {
  public:
    // Sends one block and reads the card's answer into response. *responseLength: in, the
    // room of response; out, the full length of the answer (which may exceed the room).
    using Transceive = std::function<bool(const std::uint8_t* block, unsigned length,
                                          std::uint8_t* response, unsigned* responseLength)>;

    static constexpr std::uint8_t kOk = 0;
    static constexpr std::uint8_t kFailure = 0xF4;
    // Room for one block answer.
    static constexpr unsigned kReceiveCapacity = 255;
    // Chained answer blocks taken within one exchange: a card that chains past them (empty
    // blocks never fill the room of the answer) ends the exchange with kFailure.
    static constexpr unsigned kMaxChainedAnswerBlocks = 255;
    // The blocks of one exchange run within the time-out of the CPU-card command (reader
    // command 14, 1000 ms); once it has passed no further block goes out and the exchange
    // ends with kFailure. The time a card takes after each S(WTX) answer moves that limit
    // on, up to kWtxTimeLimitMs from the exchange's start. Each transceive has the command's
    // own time-out, so every exchange, also one whose card keeps asking for more time, ends
    // within kWtxTimeLimitMs and one transceive's time-out.
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

    // Sends block[0, length) and reads the answer into answer; false when the transceive
    // fails or the answer is empty or larger than the room.
    bool Exchange(const Block& block, unsigned length, Block& answer, unsigned* answerLength);
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
