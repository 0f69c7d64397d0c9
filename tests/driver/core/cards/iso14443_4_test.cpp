#include "core/cards/iso14443_4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/cards/iso14443_4_picc.h"
#include "support/slow_cpu_cards.h"

// The driver's block layer against the simulated ISO 14443-4 card, block for block: the
// layer's transceive function hands each block to the card and its answer back.

namespace {

using Bytes = std::vector<std::uint8_t>;

// Answers every command with `size` bytes of data and 90 00, and keeps the commands.
class SizedAnswer : public sim::ApduResponder {
  public:
    sim::ApduAnswer Process(std::span<const std::uint8_t> command) override {
        commands.emplace_back(command.begin(), command.end());
        Bytes data(size);
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
        return {data, 0x90, 0x00};
    }
    Bytes Expected() const {
        Bytes data(size);
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
        data.push_back(0x90);
        data.push_back(0x00);
        return data;
    }

    std::size_t size = 0;
    std::vector<Bytes> commands;
};

Bytes Command(std::size_t size) {
    Bytes apdu(size);
    for (std::size_t i = 0; i < size; ++i) apdu[i] = static_cast<std::uint8_t>(0xA0 ^ i);
    return apdu;
}

class BlockLayerTest : public ::testing::Test {
  protected:
    // The layer's blocks go to the card model, counted in transceives; the layer's clock
    // runs with the time the card takes, and a block or answer lost on the way costs the
    // whole wait the layer gave it.
    void RouteToPicc(Iso14443BlockLayer& to) {
        to.SetClock([this] { return now; });
        to.SetTransceiveFunction([this](const std::uint8_t* block, unsigned length,
                                        std::uint8_t* response, unsigned* responseLength,
                                        int waitMs) {
            const int index = transceives++;
            sent.emplace_back(block, block + length);
            waits.push_back(waitMs);
            std::optional<Bytes> answer;
            if (!lostFrames.contains(index)) answer = picc->Receive(std::span(block, length));
            const auto work = picc->TakeWorkTime();
            if (!answer || lostAnswers.contains(index)) {
                now += std::chrono::milliseconds(waitMs);
                return false;
            }
            now += work;
            std::copy_n(answer->begin(), std::min<std::size_t>(answer->size(), *responseLength),
                        response);
            *responseLength = static_cast<unsigned>(answer->size());
            return true;
        });
    }
    void RouteToPicc() { RouteToPicc(layer); }
    void Connect(sim::AtsParameters ats = {}, std::uint8_t rats = 0x50) {
        picc = std::make_unique<sim::Iso14443_4Picc>(application, ats);
        picc->AwaitRats();
        RouteToPicc();
        std::uint8_t answer[64] = {};
        unsigned length = sizeof answer;
        ASSERT_TRUE(layer.RequestAts(0x02, rats, &length, answer));
        Forget();
    }
    // Forgets the blocks sent so far and the losses to come.
    void Forget() {
        transceives = 0;
        sent.clear();
        waits.clear();
        lostFrames.clear();
        lostAnswers.clear();
    }
    // The PCB of each block sent.
    Bytes SentPcbs() const {
        Bytes pcbs;
        for (const Bytes& block : sent) pcbs.push_back(block[0]);
        return pcbs;
    }

    // The result of one exchange of the layer: kOk with the card's full answer, or kFailure.
    std::uint8_t ExchangeOn(Iso14443BlockLayer& on, const Bytes& apdu) {
        std::uint8_t response[256] = {};
        unsigned length = 0;
        const std::uint8_t result = on.ExchangeBlocks(apdu, response, sizeof response, &length);
        if (result == Iso14443BlockLayer::kOk) {
            EXPECT_EQ(Bytes(response, response + length), application->Expected());
        }
        return result;
    }

    std::shared_ptr<SizedAnswer> application = std::make_shared<SizedAnswer>();
    std::unique_ptr<sim::Iso14443_4Picc> picc;
    Iso14443BlockLayer layer;
    int transceives = 0;
    std::vector<Bytes> sent;
    std::vector<int> waits;
    // Transceives whose block never reaches the card, and whose answer never reaches the layer.
    std::set<int> lostFrames;
    std::set<int> lostAnswers;
    Iso14443BlockLayer::Clock::time_point now{};
};

// A card with frames of 16 bytes and no CID (FSC 16, TC(1) without CID), reached with FSD 16:
// 13 INF bytes a block both ways.
const sim::AtsParameters kSmallFramesNoCid{0, std::nullopt, 0x70, 0x00, {}};
constexpr std::uint8_t kFsd16 = 0x00;

TEST_F(BlockLayerTest, ScenarioTable) {
    struct Scenario {
        const char* name;
        sim::AtsParameters ats;
        std::uint8_t rats;
        std::size_t apdu;
        std::size_t answer;
        unsigned wtx;
        int blocksOut;  // command blocks, R(ACK)s and WTX answers sent
    };
    const sim::AtsParameters withCid{};
    const sim::AtsParameters withoutCid{8, 0x00, 0x70, 0x00, {}};
    const sim::AtsParameters smallFrames{2, std::nullopt, std::nullopt, 0x02, {}};  // FSC 32
    // FSDI 5 (64): 62 INF bytes out per block with CID, 63 without; the card answers up
    // to 60 (61) INF bytes per block within FSD 64.
    const Scenario scenarios[] = {
        {"APDU shorter than one block", withCid, 0x50, 20, 10, 0, 1},
        {"APDU of exactly one block", withCid, 0x50, 62, 10, 0, 1},
        {"APDU one byte over a block", withCid, 0x50, 63, 10, 0, 2},
        {"APDU of many blocks", withCid, 0x50, 250, 0, 0, 5},
        {"answer of one whole block", withCid, 0x50, 5, 58, 0, 1},
        {"answer of two blocks", withCid, 0x50, 5, 59, 0, 2},
        {"answer of many blocks", withCid, 0x50, 5, 240, 0, 5},
        {"both ways chained", withCid, 0x50, 130, 130, 0, 3 + 2},
        {"one WTX", withCid, 0x50, 5, 10, 1, 2},
        {"five WTX before a chained answer", withCid, 0x50, 5, 100, 5, 1 + 5 + 1},
        {"CID off: 63 bytes in one block", withoutCid, 0x50, 63, 10, 0, 1},
        {"CID off: 64 bytes in two, 63 back in two", withoutCid, 0x50, 64, 61, 0, 3},
        {"card frames of 32 bytes: 28 INF bytes", smallFrames, 0x50, 29, 10, 0, 2},
        {"FSD 256", withCid, 0x80, 252, 250, 0, 1},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        application->commands.clear();
        application->size = s.answer;
        Connect(s.ats, s.rats);
        picc->SetWtxRequests(s.wtx, 3);
        const Bytes apdu = Command(s.apdu);
        std::uint8_t response[256] = {};
        unsigned length = 0;
        ASSERT_EQ(layer.ExchangeBlocks(apdu, response, sizeof response, &length),
                  Iso14443BlockLayer::kOk);
        EXPECT_EQ(Bytes(response, response + length), application->Expected());
        ASSERT_EQ(application->commands.size(), 1u);
        EXPECT_EQ(application->commands[0], apdu);
        EXPECT_EQ(transceives, s.blocksOut);
        // Block numbers stay paired: a second exchange on the same card goes through.
        picc->SetWtxRequests(0);
        EXPECT_EQ(layer.ExchangeBlocks(apdu, response, sizeof response, &length),
                  Iso14443BlockLayer::kOk);
    }
}

// The card toggles its block number at every I-block it takes and answers with its own
// (ISO/IEC 14443-4, rules C and D): a layer that starts afresh (another session reaching the
// card) or missed the card's last answer follows the number the card answers with.
TEST_F(BlockLayerTest, BlockNumbersFollowTheCard) {
    struct Case {
        const char* name;
        std::size_t apdu;
        std::size_t answer;
    };
    const Case cases[] = {
        {"single blocks", 5, 10},
        {"chained command", 100, 10},
        {"chained answer", 5, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        application->commands.clear();
        application->size = c.answer;
        Connect();
        const Bytes apdu = Command(c.apdu);
        Iso14443BlockLayer fresh;
        RouteToPicc(fresh);
        for (Iso14443BlockLayer* on : {&layer, &fresh, &fresh, &layer, &fresh, &layer, &layer}) {
            EXPECT_EQ(ExchangeOn(*on, apdu), Iso14443BlockLayer::kOk);
        }
        EXPECT_EQ(application->commands, std::vector<Bytes>(7, apdu));
    }
}

// The card's ATS gives FWI 7 (TB(1) 0x70): FWT 38.7 ms, and after each S(WTX) answer the
// card takes FWT x WTXM. That time moves the exchange's limit on, up to its bound.
TEST_F(BlockLayerTest, ACardThatAsksForMoreTimeGetsItUpToTheBound) {
    struct Case {
        const char* name;
        unsigned requests;
        std::uint8_t wtxm;
        bool answered;
    };
    const Case cases[] = {
        {"eight rounds of 0.39 s", 8, 10, true},
        {"25 rounds, 9.7 s in all", 25, 10, true},
        {"a card that asks for ever, 0.77 s a round", 100000, 20, false},
    };
    const auto limit = std::chrono::milliseconds(Iso14443BlockLayer::kWtxTimeLimitMs);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        application->size = 20;
        Connect();
        picc->SetWtxRequests(c.requests, c.wtxm);
        const auto round = picc->FrameWaitingTime() * c.wtxm;
        const auto start = now;
        EXPECT_EQ(ExchangeOn(layer, Command(5)),
                  c.answered ? Iso14443BlockLayer::kOk : Iso14443BlockLayer::kFailure);
        const auto elapsed = now - start;
        if (c.answered) {
            EXPECT_EQ(elapsed, round * c.requests);
        } else {
            EXPECT_GE(elapsed, limit);
            EXPECT_LT(elapsed, limit + round);
        }
    }
}

// An answer that is no valid block for the exchange is asked for again with R(NAK) and the
// layer's number (rule 4); the card, which took the command, sends its answer again (rule 11).
TEST_F(BlockLayerTest, AnInvalidAnswerIsAskedForAgain) {
    struct Case {
        const char* name;
        Bytes answer;
    };
    // The card has CID 0 in use (PCB base with 0x08): its blocks carry the CID byte.
    const Case cases[] = {
        {"R(NAK)", {0xBA, 0x00}},
        {"R(ACK)", {0xAA, 0x00}},
        {"S(DESELECT)", {0xCA, 0x00}},
        {"I-block of another CID", {0x0A, 0x01, 0x90, 0x00}},
        {"I-block without the CID", {0x02, 0x90, 0x00}},
        {"I-block with NAD", {0x0E, 0x00, 0x00, 0x90, 0x00}},
        {"S(WTX) without WTXM", {0xFA, 0x00}},
        {"unknown PCB", {0x4A, 0x00}},
        {"a block larger than the receive room", Bytes(300, 0x0A)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        application->commands.clear();
        application->size = 4;
        Connect();
        picc->ReplaceNextAnswer(c.answer);
        const Bytes apdu = Command(5);
        EXPECT_EQ(ExchangeOn(layer, apdu), Iso14443BlockLayer::kOk);
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[1], (Bytes{0xBA, 0x00})) << "R(NAK) with N 0 and the CID";
        EXPECT_EQ(application->commands, std::vector<Bytes>{apdu});
    }
}

// One block lost on its way, either way, at each point of an exchange: the card (FSC 16, no
// CID) ends up running the command once and the layer gets its whole answer. The blocks
// sent, by PCB, as ISO/IEC 14443-4 has them; N starts at 0, the card's number at 1.
TEST_F(BlockLayerTest, OneLostBlockCostsNothing) {
    struct Case {
        const char* name;
        std::size_t apdu;    // 30 bytes: chained in blocks of 13, 13 and 4 INF bytes
        std::size_t answer;  // 26 data bytes: 28 bytes back in blocks of 13, 13 and 2
        unsigned wtx;
        std::set<int> lostFrames;
        std::set<int> lostAnswers;
        Bytes replaced;  // the card's first answer, replaced by this block
        Bytes pcbs;
    };
    const Case cases[] = {
        // I(0) chained, its R(ACK) A2 lost; R(NAK) B2: the card is at 0 and sends A2 again
        // (rule 11), the chain goes on (rule 7).
        {"the card's R(ACK) to a chained block", 30, 0, 0, {}, {0}, {}, {0x12, 0xB2, 0x13, 0x02}},
        // The first chained block never arrives: R(NAK) B2, the card at 1 answers A3, I(0)
        // again (rule 6).
        {"the first chained block", 30, 0, 0, {0}, {}, {}, {0x12, 0xB2, 0x12, 0x13, 0x02}},
        // I(1) chained never arrives; R(NAK) B3: the card is at 0 and answers A2 (rule 12);
        // A2 is not N, so I(1) goes again (rule 6).
        {"a chained block to the card", 30, 0, 0, {1}, {}, {}, {0x12, 0x13, 0xB3, 0x13, 0x02}},
        // The chain's last block never arrives: R(NAK) B2, the card at 1 answers A3.
        {"the chain's last block", 30, 0, 0, {2}, {}, {}, {0x12, 0x13, 0x02, 0xB2, 0x02}},
        {"the card's answer to a chained command", 30, 0, 0, {}, {2}, {}, {0x12, 0x13, 0x02, 0xB2}},
        {"an R(NAK) for the card's R(ACK)", 30, 0, 0, {}, {}, {0xB2}, {0x12, 0xB2, 0x13, 0x02}},
        // The only I-block never arrives: R(NAK) B2, the card at 1 answers A3, I(0) again.
        {"the command block to the card", 5, 0, 0, {0}, {}, {}, {0x02, 0xB2, 0x02}},
        // The card ran the command and its answer I(0) was lost: R(NAK) B2 brings it again.
        {"the card's answer", 5, 0, 0, {}, {0}, {}, {0x02, 0xB2}},
        // The R(NAK) asking for it is lost too: the second R(NAK) brings the answer.
        {"the card's answer, then the R(NAK)", 5, 0, 0, {1}, {0}, {}, {0x02, 0xB2, 0xB2}},
        // The card chains its answer: I(0) chained, the layer's R(ACK) A3, then I(1) chained
        // lost; R(ACK) A3 again (rule 5) brings it again (rule 11), then A2 for the last.
        {"a chained block of the card's answer", 5, 26, 0, {}, {1}, {}, {0x02, 0xA3, 0xA3, 0xA2}},
        // The layer's R(ACK) A3 lost: A3 again, which the card at 0 takes (rule 13).
        {"the layer's R(ACK) to the card's chain", 5, 26, 0, {1}, {}, {}, {0x02, 0xA3, 0xA3, 0xA2}},
        // The card's S(WTX) F2 01 answered, the answer lost: R(NAK) B2, the card (at 0,
        // still waiting) sends its S(WTX) request again.
        {"the layer's S(WTX) answer", 5, 0, 1, {1}, {}, {}, {0x02, 0xF2, 0xB2, 0xF2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        application->commands.clear();
        application->size = c.answer;
        Connect(kSmallFramesNoCid, kFsd16);
        picc->SetWtxRequests(c.wtx);
        if (!c.replaced.empty()) picc->ReplaceNextAnswer(c.replaced);
        lostFrames = c.lostFrames;
        lostAnswers = c.lostAnswers;
        const Bytes apdu = Command(c.apdu);
        EXPECT_EQ(ExchangeOn(layer, apdu), Iso14443BlockLayer::kOk);
        EXPECT_EQ(SentPcbs(), c.pcbs);
        EXPECT_EQ(application->commands, std::vector<Bytes>{apdu}) << "the card ran it once";
        // Block numbers stay paired: the next exchange goes through at once.
        picc->SetWtxRequests(0);
        Forget();
        EXPECT_EQ(ExchangeOn(layer, Command(5)), Iso14443BlockLayer::kOk);
        EXPECT_EQ(transceives, c.answer > 13 ? 3 : 1);
    }
}

// A card that stays silent is asked twice more (R(NAK) B2 each time), each block with the
// card's FWT and the reader's margin of 1000 ms as its wait, then the exchange fails.
TEST_F(BlockLayerTest, ACardThatStaysSilentFailsAfterTwoMoreTries) {
    struct Case {
        std::uint8_t tb1;
        int wait;  // ms: FWT = 4096 x 2^FWI / 13.56 MHz, rounded up, and 1000
    };
    const Case cases[] = {
        {0x40, 1005},  // FWI 4: 4.833 ms
        {0x80, 1078},  // FWI 8: 77.33 ms
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tb1);
        Connect({0, std::nullopt, c.tb1, 0x00, {}}, kFsd16);
        picc->LoseNextFrames(100);
        const auto start = now;
        EXPECT_EQ(ExchangeOn(layer, Command(5)), Iso14443BlockLayer::kFailure);
        EXPECT_EQ(SentPcbs(), (Bytes{0x02, 0xB2, 0xB2}));
        EXPECT_EQ(waits, std::vector<int>(3, c.wait));
        EXPECT_EQ(now - start, 3 * std::chrono::milliseconds(c.wait));
        EXPECT_LT(now - start, std::chrono::seconds(5));
    }
}

// Each block waits the card's FWT (FWI from TB(1); 4 without it or for FWI 15), or FWT x WTXM
// after an S(WTX) answer (at most the FWT of FWI 14), and the reader's margin of 1000 ms.
TEST_F(BlockLayerTest, EachBlockWaitsTheTimeTheCardWasGiven) {
    struct Case {
        const char* name;
        std::optional<std::uint8_t> tb1;
        std::uint8_t wtxm;  // 0: no S(WTX)
        std::vector<int> waits;
    };
    const Case cases[] = {
        {"no TB(1): FWI 4, 4.833 ms", std::nullopt, 0, {1005}},
        {"FWI 7: 38.664 ms", 0x70, 0, {1039}},
        {"FWI 12: 1237.258 ms", 0xC0, 0, {2238}},
        {"FWI 15 read as 4", 0xF0, 0, {1005}},
        {"FWI 10 (309.314 ms), WTXM 5: 1546.572 ms", 0xA0, 5, {1310, 2547}},
        {"FWI 14 (4949.031 ms), WTXM 59: at most FWI 14", 0xE0, 59, {5950, 5950}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        application->size = 2;
        Connect({8, std::nullopt, c.tb1, 0x00, {}}, 0x80);
        if (c.wtxm != 0) picc->SetWtxRequests(1, c.wtxm);
        EXPECT_EQ(ExchangeOn(layer, Command(5)), Iso14443BlockLayer::kOk);
        EXPECT_EQ(waits, c.waits);
    }
}

// A card that works longer than one second within its FWT, or asks for it, is answered, also
// with a chained answer.
TEST_F(BlockLayerTest, ACardWorkingPastOneSecondGetsItsTime) {
    for (const SlowCpuCard& c : kSlowCpuCards) {
        for (const std::size_t answer : {2, 200}) {
            SCOPED_TRACE(::testing::Message() << c.name << ", " << answer << " bytes back");
            application->commands.clear();
            application->size = answer;
            Connect(c.Ats(0x00), kFsd16);
            c.Slow(*picc);
            const auto start = now;
            EXPECT_EQ(ExchangeOn(layer, Command(5)), Iso14443BlockLayer::kOk);
            EXPECT_GE(now - start, c.atLeast);
            EXPECT_EQ(application->commands.size(), 1u);
        }
    }
}

// A command chain broken for good (a block and both tries after it lost): the card may hold
// the first 13 bytes, to which it would join the next I-block. The layer sends nothing more
// until the card is reset; after RATS the next command runs on its own.
TEST_F(BlockLayerTest, ABrokenCommandChainIsNeverJoinedToTheNextCommand) {
    struct Case {
        const char* name;
        std::set<int> lostFrames;
        std::set<int> lostAnswers;
        bool ranByTheCard;
    };
    const Case cases[] = {
        {"the second block never arrives", {1, 2, 3}, {}, false},
        {"the card's R(ACK) to the first block is lost", {}, {0, 1, 2}, false},
        {"the card's answer to the last block is lost", {}, {2, 3, 4}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        application->commands.clear();
        application->size = 0;
        Connect(kSmallFramesNoCid, kFsd16);
        lostFrames = c.lostFrames;
        lostAnswers = c.lostAnswers;
        const Bytes chained = Command(30);
        EXPECT_EQ(ExchangeOn(layer, chained), Iso14443BlockLayer::kFailure);
        EXPECT_TRUE(layer.AwaitsReset());
        Forget();
        EXPECT_EQ(ExchangeOn(layer, Command(5)), Iso14443BlockLayer::kFailure);
        EXPECT_EQ(transceives, 0) << "nothing the card could join";
        Iso14443BlockLayer other;
        RouteToPicc(other);
        other.SetCardState(layer.CardState());
        EXPECT_EQ(ExchangeOn(other, Command(5)), Iso14443BlockLayer::kFailure);
        EXPECT_EQ(transceives, 0) << "nor through another layer with the card's state";

        picc->AwaitRats();  // the card selected again
        std::uint8_t ats[16] = {};
        unsigned length = sizeof ats;
        ASSERT_TRUE(layer.RequestAts(0x02, kFsd16, &length, ats));
        EXPECT_FALSE(layer.AwaitsReset());
        const Bytes next = Command(5);
        EXPECT_EQ(ExchangeOn(layer, next), Iso14443BlockLayer::kOk);
        const std::vector<Bytes> ran =
            c.ranByTheCard ? std::vector<Bytes>{chained, next} : std::vector<Bytes>{next};
        EXPECT_EQ(application->commands, ran);
    }
}

// A layer that has not yet seen the card answer (a fresh session's) cannot read R-blocks
// against the card's number: a lost first block fails the exchange without a try more.
TEST_F(BlockLayerTest, AFreshLayerDoesNotTryAgainBeforeTheCardHasAnswered) {
    application->size = 2;
    Connect();
    Iso14443BlockLayer fresh;
    RouteToPicc(fresh);
    lostAnswers = {0};
    EXPECT_EQ(ExchangeOn(fresh, Command(5)), Iso14443BlockLayer::kFailure);
    EXPECT_EQ(transceives, 1);
    EXPECT_EQ(ExchangeOn(fresh, Command(5)), Iso14443BlockLayer::kOk);
    lostAnswers = {2};
    EXPECT_EQ(ExchangeOn(fresh, Command(5)), Iso14443BlockLayer::kOk) << "now in step";
    EXPECT_EQ(transceives, 4);
    EXPECT_EQ(application->commands.size(), 3u);
}

TEST_F(BlockLayerTest, AnAnswerPastTheRoomFailsWithoutWritingBeyondIt) {
    application->size = 300;
    Connect();
    Bytes buffer(256 + 16, 0xEE);
    unsigned length = 0;
    EXPECT_EQ(layer.ExchangeBlocks(Command(5), buffer.data(), 256, &length),
              Iso14443BlockLayer::kFailure);
    EXPECT_LE(length, 256u);
    EXPECT_TRUE(
        std::all_of(buffer.begin() + 256, buffer.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST_F(BlockLayerTest, AtsSetsFrameSizesAndCid) {
    struct Case {
        const char* name;
        std::uint8_t rats;
        Bytes ats;
        bool ok;
        unsigned maxInf;
        bool cid;
        unsigned chunk;
    };
    const Case cases[] = {
        {"TC(1) with CID", 0x50, {0x05, 0x78, 0x00, 0x70, 0x02}, true, 62, true, 62},
        {"TC(1) without CID", 0x50, {0x05, 0x78, 0x00, 0x70, 0x00}, true, 63, false, 63},
        {"no TC(1): the RATS state stands", 0x50, {0x04, 0x38, 0x00, 0x70}, true, 62, false, 62},
        {"FSDI above 8", 0xA0, {0x05, 0x78, 0x00, 0x70, 0x02}, true, 253, true, 252},
        {"FSDI 8 without CID", 0x80, {0x05, 0x78, 0x00, 0x70, 0x00}, true, 254, false, 253},
        {"card FSC 16", 0x80, {0x03, 0x40, 0x02}, true, 253, true, 12},
        {"TL only", 0x50, {0x01}, true, 62, false, 29},
        {"bytes past TL are not read", 0x50, {0x02, 0x05, 0xAA, 0xBB}, true, 62, false, 61},
        {"TL past the bytes received", 0x50, {0x09, 0x78, 0x00}, false, 0, false, 0},
        {"TL 0", 0x50, {0x00, 0x78}, false, 0, false, 0},
        {"T0 announcing more than TL holds", 0x50, {0x03, 0x78, 0x00}, false, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        picc = std::make_unique<sim::Iso14443_4Picc>(application);
        picc->AwaitRats();
        picc->SetRawAts(c.ats);
        RouteToPicc();
        std::uint8_t ats[64] = {};
        unsigned length = sizeof ats;
        EXPECT_EQ(layer.RequestAts(0x02, c.rats, &length, ats), c.ok);
        if (!c.ok) {
            EXPECT_EQ(length, 0u);
            continue;
        }
        EXPECT_EQ(Bytes(ats, ats + length), c.ats);
        EXPECT_EQ(layer.MaxInfSize(), c.maxInf);
        EXPECT_EQ(layer.CidInUse(), c.cid);
        EXPECT_EQ(layer.ChunkSize(), c.chunk);
    }
}

TEST_F(BlockLayerTest, AtsLongerThanTheRoomIsRefused) {
    picc = std::make_unique<sim::Iso14443_4Picc>(
        application, sim::AtsParameters{8, 0x00, 0x70, 0x02, Bytes(20, 0x31)});
    picc->AwaitRats();
    RouteToPicc();
    std::uint8_t ats[32] = {};
    unsigned length = 10;
    EXPECT_FALSE(layer.RequestAts(0x02, 0x50, &length, ats));
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(
        std::all_of(std::begin(ats) + 10, std::end(ats), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(BlockLayerTest, WithoutATransceiveFunctionNothingIsSent) {
    std::uint8_t ats[8] = {};
    unsigned length = sizeof ats;
    EXPECT_FALSE(layer.RequestAts(0x02, 0x50, &length, ats));
    EXPECT_EQ(length, 0u);
    std::uint8_t response[8] = {};
    EXPECT_EQ(layer.ExchangeBlocks(Command(5), response, sizeof response, &length),
              Iso14443BlockLayer::kFailure);
}

TEST_F(BlockLayerTest, DeselectFollowsTheCidInUse) {
    Connect();
    std::array<std::uint8_t, 2> block{};
    ASSERT_EQ(layer.DeselectRequest(block), 2u);
    EXPECT_EQ(block, (std::array<std::uint8_t, 2>{0xCA, 0x00}));
    EXPECT_TRUE(layer.IsDeselectResponse(*picc->Receive(block)));
    Connect({8, 0x00, 0x70, 0x00, {}});
    ASSERT_EQ(layer.DeselectRequest(block), 1u);
    EXPECT_EQ(block[0], 0xC2);
    const std::optional<Bytes> answer = picc->Receive(std::span(block.data(), 1));
    ASSERT_TRUE(answer);
    EXPECT_TRUE(layer.IsDeselectResponse(*answer));
    EXPECT_FALSE(layer.IsDeselectResponse(Bytes{0xA2}));
}

}  // namespace

namespace {

// A card that answers with `chained` empty chained I-blocks, then the last block with 90 00.
void AnswerWithChains(Iso14443BlockLayer& layer, unsigned chained, unsigned& blocks) {
    layer.SetTransceiveFunction([chained, &blocks](const std::uint8_t* block, unsigned,
                                                   std::uint8_t* response, unsigned* responseLength,
                                                   int) {
        const std::uint8_t number = block[0] & 0x01;
        if (blocks++ < chained) {
            response[0] = static_cast<std::uint8_t>(0x12 | number);
            *responseLength = 1;
        } else {
            response[0] = static_cast<std::uint8_t>(0x02 | number);
            response[1] = 0x90;
            response[2] = 0x00;
            *responseLength = 3;
        }
        return true;
    });
}

TEST(BlockLayerBounds, ChainedAnswerBlocksAreCounted) {
    const Bytes apdu = {0x00, 0xB0, 0x00, 0x00, 0x00};
    for (const unsigned chained : {Iso14443BlockLayer::kMaxChainedAnswerBlocks,
                                   Iso14443BlockLayer::kMaxChainedAnswerBlocks + 1}) {
        SCOPED_TRACE(chained);
        Iso14443BlockLayer layer;
        unsigned blocks = 0;
        AnswerWithChains(layer, chained, blocks);
        std::uint8_t response[16] = {};
        unsigned length = 0;
        const bool within = chained <= Iso14443BlockLayer::kMaxChainedAnswerBlocks;
        EXPECT_EQ(layer.ExchangeBlocks(apdu, response, sizeof response, &length),
                  within ? Iso14443BlockLayer::kOk : Iso14443BlockLayer::kFailure);
        EXPECT_EQ(length, within ? 2u : 0u);
        // The command block and one R(ACK) per chained answer, none past the bound.
        EXPECT_EQ(blocks, within ? chained + 1 : Iso14443BlockLayer::kMaxChainedAnswerBlocks + 1);
    }
}

}  // namespace
