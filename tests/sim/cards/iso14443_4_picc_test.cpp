#include "sim/cards/iso14443_4_picc.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Answers every command with the same data and 90 00, and keeps what it was given.
class FixedAnswer : public ApduResponder {
  public:
    explicit FixedAnswer(Bytes data) : data_(std::move(data)) {}
    ApduAnswer Process(std::span<const std::uint8_t> command) override {
        commands.emplace_back(command.begin(), command.end());
        return {data_, 0x90, 0x00};
    }
    void Reset() override { ++resets; }

    std::vector<Bytes> commands;
    int resets = 0;

  private:
    Bytes data_;
};

Bytes Counting(std::size_t count, std::uint8_t first = 0) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class PiccTest : public ::testing::Test {
  protected:
    void Make(Bytes answerData, AtsParameters ats = {}) {
        app = std::make_shared<FixedAnswer>(std::move(answerData));
        picc = std::make_unique<Iso14443_4Picc>(app, ats);
        picc->AwaitRats();
    }
    std::optional<Bytes> Send(const Bytes& frame) { return picc->Receive(frame); }

    std::shared_ptr<FixedAnswer> app;
    std::unique_ptr<Iso14443_4Picc> picc;
};

TEST_F(PiccTest, AtsCarriesTheInterfaceBytesPresentAndTheHistoricalBytes) {
    struct Case {
        AtsParameters ats;
        Bytes expected;
    };
    const Case cases[] = {
        {{}, {0x05, 0x78, 0x00, 0x70, 0x02}},
        {{5, std::nullopt, std::nullopt, std::nullopt, {0x80, 0x31}}, {0x04, 0x05, 0x80, 0x31}},
        {{2, std::nullopt, 0x81, 0x00, {}}, {0x04, 0x62, 0x81, 0x00}},
    };
    for (const Case& c : cases) {
        Make({}, c.ats);
        EXPECT_EQ(Send({0xE0, 0x50}), c.expected);
        EXPECT_EQ(picc->state(), Iso14443_4Picc::State::kActive);
    }
}

TEST_F(PiccTest, RatsSetsFrameSizeAndCid) {
    struct Case {
        std::uint8_t parameter;
        unsigned fsd;
        std::uint8_t cid;
    };
    const Case cases[] = {
        {0x00, 16, 0}, {0x50, 64, 0}, {0x53, 64, 3}, {0x80, 256, 0}, {0xA1, 256, 1}};
    for (const Case& c : cases) {
        Make({});
        ASSERT_TRUE(Send({0xE0, c.parameter}).has_value());
        EXPECT_EQ(picc->fsd(), c.fsd);
        EXPECT_EQ(picc->cid(), c.cid);
    }
}

TEST_F(PiccTest, OnlyAWellFormedRatsIsAnsweredBeforeActivation) {
    Make({});
    EXPECT_FALSE(Send({0x02, 0x00, 0xA4}).has_value());
    EXPECT_FALSE(Send({0xE0}).has_value());
    EXPECT_FALSE(Send({0xE0, 0x5F}).has_value());  // CID 15 is reserved
    EXPECT_EQ(picc->state(), Iso14443_4Picc::State::kWaitingForRats);
    picc->Deactivate();
    EXPECT_FALSE(Send({0xE0, 0x50}).has_value());
}

TEST_F(PiccTest, RawAtsIsAnsweredAsItStands) {
    Make({});
    picc->SetRawAts({0x10, 0x78});
    EXPECT_EQ(Send({0xE0, 0x50}), (Bytes{0x10, 0x78}));
}

TEST_F(PiccTest, IBlocksAreAnsweredWithTheBlockNumberOfTheRequest) {
    Make({0xAB});
    ASSERT_TRUE(Send({0xE0, 0x80}));
    EXPECT_EQ(Send({0x02, 0x00, 0xB0, 0x00, 0x00}), (Bytes{0x02, 0xAB, 0x90, 0x00}));
    EXPECT_EQ(Send({0x03, 0x00, 0xB0, 0x00, 0x01}), (Bytes{0x03, 0xAB, 0x90, 0x00}));
    EXPECT_EQ(Send({0x02, 0x00, 0xB0, 0x00, 0x02}), (Bytes{0x02, 0xAB, 0x90, 0x00}));
    ASSERT_EQ(app->commands.size(), 3u);
    EXPECT_EQ(app->commands[1], (Bytes{0x00, 0xB0, 0x00, 0x01}));
}

TEST_F(PiccTest, ReaderChainingIsAcknowledgedAndAssembled) {
    Make({});
    ASSERT_TRUE(Send({0xE0, 0x80}));
    const Bytes command = Counting(40);
    EXPECT_EQ(Send(Cat({0x12}, Bytes(command.begin(), command.begin() + 15))), Bytes{0xA2});
    EXPECT_EQ(Send(Cat({0x13}, Bytes(command.begin() + 15, command.begin() + 30))), Bytes{0xA3});
    EXPECT_EQ(Send(Cat({0x02}, Bytes(command.begin() + 30, command.end()))),
              (Bytes{0x02, 0x90, 0x00}));
    ASSERT_EQ(app->commands.size(), 1u);
    EXPECT_EQ(app->commands[0], command);
}

TEST_F(PiccTest, AnswersLongerThanTheReaderFrameAreChained) {
    // FSD 16 leaves 13 bytes of INF per block (PCB and the two EDC bytes).
    struct Case {
        std::size_t dataSize;
        std::size_t blocks;
    };
    const Case cases[] = {{11, 1}, {12, 2}, {24, 2}, {100, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataSize);
        Make(Counting(c.dataSize, 1));
        ASSERT_TRUE(Send({0xE0, 0x00}));
        std::optional<Bytes> block = Send({0x02, 0x00, 0xCA, 0x00, 0x00});
        Bytes assembled;
        std::size_t blocks = 0;
        std::uint8_t readerNumber = 0;
        while (block && !block->empty()) {
            ++blocks;
            ASSERT_EQ((*block)[0] & 0xEE, 0x02) << "an I-block without CID";
            ASSERT_EQ((*block)[0] & 0x01, readerNumber);
            ASSERT_LE(block->size() + 2, 16u);
            assembled.insert(assembled.end(), block->begin() + 1, block->end());
            if (((*block)[0] & 0x10) == 0) {
                break;
            }
            readerNumber ^= 1;
            block = Send({static_cast<std::uint8_t>(0xA2 | readerNumber)});
        }
        EXPECT_EQ(blocks, c.blocks);
        EXPECT_EQ(assembled, Cat(Counting(c.dataSize, 1), {0x90, 0x00}));
    }
}

TEST_F(PiccTest, WtxRequestsPrecedeTheAnswerAndKeepTheBlockNumber) {
    Make({0x42});
    picc->SetWtxRequests(3, 5);
    ASSERT_TRUE(Send({0xE0, 0x80}));
    EXPECT_EQ(Send({0x02, 0x00, 0x84, 0x00, 0x00, 0x04}), (Bytes{0xF2, 0x05}));
    EXPECT_EQ(Send({0xF2, 0x06}), std::nullopt) << "a response with another WTXM";
    EXPECT_EQ(Send({0x03, 0x00}), std::nullopt) << "an I-block while WTX is pending";
    EXPECT_EQ(Send({0xF2, 0x05}), (Bytes{0xF2, 0x05}));
    EXPECT_EQ(Send({0xF2, 0x05}), (Bytes{0xF2, 0x05}));
    EXPECT_EQ(Send({0xF2, 0x05}), (Bytes{0x02, 0x42, 0x90, 0x00}));
    EXPECT_EQ(Send({0xF2, 0x05}), std::nullopt) << "no WTX is pending any more";
    EXPECT_EQ(Send({0x03, 0x00}), (Bytes{0xF2, 0x05}));
}

// FWT = 256 x 16 x 2^FWI / fc (fc 13.56 MHz): 4.833 ms for FWI 4 (the default without
// TB(1)), 38.664 ms for FWI 7, 4949.031 ms for FWI 14, the longest; after each S(WTX) answer
// the card takes FWT x WTXM, never more than that longest.
TEST_F(PiccTest, EachWtxAnswerGivesTheCardTheTimeItAskedFor) {
    struct Case {
        AtsParameters ats;
        std::uint8_t wtxm;
        std::chrono::microseconds fwt;
        std::chrono::microseconds round;
    };
    using std::chrono::microseconds;
    const Case cases[] = {
        {{}, 10, microseconds(38'664), microseconds(386'640)},
        {{8, std::nullopt, std::nullopt, std::nullopt, {}},
         3,
         microseconds(4'833),
         microseconds(14'499)},
        {{8, std::nullopt, 0xE0, std::nullopt, {}},
         2,
         microseconds(4'949'031),
         microseconds(4'949'031)},
        {{8, std::nullopt, 0xF0, std::nullopt, {}}, 1, microseconds(4'833), microseconds(4'833)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fwt.count());
        Make({0x42}, c.ats);
        picc->SetWtxRequests(2, c.wtxm);
        ASSERT_TRUE(Send({0xE0, 0x80}));
        EXPECT_EQ(picc->FrameWaitingTime(), c.fwt);
        const std::uint8_t wtx[] = {0xF2, c.wtxm};
        EXPECT_EQ(Send({0x02, 0x00}), Bytes(std::begin(wtx), std::end(wtx)));
        EXPECT_EQ(picc->TakeWorkTime(), microseconds(0)) << "asking takes no time";
        EXPECT_EQ(Send(Bytes(std::begin(wtx), std::end(wtx))),
                  Bytes(std::begin(wtx), std::end(wtx)));
        EXPECT_EQ(Send(Bytes(std::begin(wtx), std::end(wtx))), (Bytes{0x02, 0x42, 0x90, 0x00}));
        EXPECT_EQ(picc->TakeWorkTime(), 2 * c.round);
        EXPECT_EQ(picc->TakeWorkTime(), microseconds(0));
    }
}

TEST_F(PiccTest, CidSelectsTheCardAndIsEchoed) {
    Make({});
    ASSERT_TRUE(Send({0xE0, 0x83}));
    EXPECT_EQ(Send({0x0A, 0x03, 0x00}), (Bytes{0x0A, 0x03, 0x90, 0x00}));
    EXPECT_EQ(Send({0x0B, 0x04, 0x00}), std::nullopt) << "another card's CID";
    EXPECT_EQ(Send({0x03, 0x00}), std::nullopt) << "no CID for a card with CID 3";
    EXPECT_EQ(Send({0x0B, 0x03, 0x00}), (Bytes{0x0B, 0x03, 0x90, 0x00}));

    Make({});
    ASSERT_TRUE(Send({0xE0, 0x80}));
    EXPECT_EQ(Send({0x02, 0x00}), (Bytes{0x02, 0x90, 0x00})) << "CID 0 answers blocks without CID";
    EXPECT_EQ(Send({0x0B, 0x00, 0x00}), (Bytes{0x0B, 0x00, 0x90, 0x00}));

    Make({}, {8, std::nullopt, std::nullopt, std::nullopt, {}});
    ASSERT_TRUE(Send({0xE0, 0x80}));
    EXPECT_EQ(Send({0x0A, 0x00, 0x00}), std::nullopt) << "a card without CID support";
    EXPECT_EQ(Send({0x02, 0x00}), (Bytes{0x02, 0x90, 0x00}));
}

TEST_F(PiccTest, NakForALostReaderBlockGetsAnAckThenTheRepeatIsAnswered) {
    Make({0x11});
    ASSERT_TRUE(Send({0xE0, 0x80}));
    picc->LoseNextFrames(1);
    EXPECT_EQ(Send({0x02, 0x00, 0xB0}), std::nullopt);
    EXPECT_EQ(Send({0xB2}), Bytes{0xA3});
    EXPECT_EQ(Send({0x02, 0x00, 0xB0}), (Bytes{0x02, 0x11, 0x90, 0x00}));
    EXPECT_EQ(app->commands.size(), 1u);
}

// A chained command (FSC 16, no CID: 13 INF bytes a block) whose second block is lost: the
// card answers R(NAK) with an R(ACK) of its own number (rule 12) and takes the block when it
// comes again. A chain left after its first block takes the next I-block as its rest.
TEST_F(PiccTest, AChainedCommandWithALostBlock) {
    Make({0x42}, {0, std::nullopt, std::nullopt, 0x00, {}});
    ASSERT_TRUE(Send({0xE0, 0x00}));
    EXPECT_EQ(Send(Cat({0x12}, Counting(13, 0x20))), Bytes{0xA2});
    picc->LoseNextFrames(1);
    EXPECT_EQ(Send(Cat({0x13}, Counting(13, 0x2D))), std::nullopt);
    EXPECT_EQ(Send({0xB3}), Bytes{0xA2});
    EXPECT_EQ(Send(Cat({0x13}, Counting(13, 0x2D))), Bytes{0xA3});
    EXPECT_EQ(Send(Cat({0x02}, Counting(4, 0x3A))), (Bytes{0x02, 0x42, 0x90, 0x00}));
    EXPECT_EQ(app->commands, std::vector<Bytes>{Counting(30, 0x20)});

    EXPECT_EQ(Send(Cat({0x13}, Counting(13, 0x20))), Bytes{0xA3});
    EXPECT_EQ(Send(Cat({0x02}, Counting(5, 0x50))), (Bytes{0x02, 0x42, 0x90, 0x00}));
    ASSERT_EQ(app->commands.size(), 2u);
    EXPECT_EQ(app->commands[1], Cat(Counting(13, 0x20), Counting(5, 0x50)));
}

TEST_F(PiccTest, NakOrAckWithTheCardsNumberRepeatsTheLastBlock) {
    Make(Counting(20));
    ASSERT_TRUE(Send({0xE0, 0x00}));
    const std::optional<Bytes> first = Send({0x02, 0x00, 0xB0});
    ASSERT_TRUE(first);
    EXPECT_EQ((*first)[0], 0x12);
    EXPECT_EQ(Send({0xB2}), first);
    EXPECT_EQ(Send({0xA2}), first);
    const std::optional<Bytes> second = Send({0xA3});
    ASSERT_TRUE(second);
    EXPECT_EQ((*second)[0], 0x03);
    EXPECT_EQ(Send({0xB3}), second);
    EXPECT_EQ(app->commands.size(), 1u);
}

TEST_F(PiccTest, AckWithAnotherNumberOutsideChainingIsIgnored) {
    Make({});
    ASSERT_TRUE(Send({0xE0, 0x80}));
    ASSERT_TRUE(Send({0x02, 0x00}));
    EXPECT_EQ(Send({0xA3}), std::nullopt);
}

TEST_F(PiccTest, DeselectIsAnsweredAndSilencesTheCard) {
    Make({});
    ASSERT_TRUE(Send({0xE0, 0x80}));
    EXPECT_EQ(Send({0xC2}), Bytes{0xC2});
    EXPECT_EQ(picc->state(), Iso14443_4Picc::State::kIdle);
    EXPECT_EQ(Send({0x02, 0x00}), std::nullopt);

    Make({});
    ASSERT_TRUE(Send({0xE0, 0x82}));
    EXPECT_EQ(Send({0xCA, 0x00}), std::nullopt) << "CID 0 is not this card's";
    EXPECT_EQ(Send({0xCA, 0x02}), (Bytes{0xCA, 0x02}));
    EXPECT_GE(app->resets, 1);
}

TEST_F(PiccTest, BlocksBeyondTheCardsFrameSizeOrWithUnknownCodingAreIgnored) {
    Make({}, {0, std::nullopt, std::nullopt, std::nullopt, {}});  // FSC 16
    ASSERT_TRUE(Send({0xE0, 0x80}));
    EXPECT_EQ(Send(Cat({0x02}, Counting(14))), std::nullopt);
    EXPECT_EQ(Send(Cat({0x02}, Counting(13))), (Bytes{0x02, 0x90, 0x00}));
    const Bytes invalid[] = {{0x22, 0x00}, {0x07, 0x00, 0x00}, {0xA6}, {0xA2, 0x00},
                             {0xD2},       {0xC2, 0x00},       {0x42}};
    for (const Bytes& frame : invalid) {
        EXPECT_EQ(Send(frame), std::nullopt) << int(frame[0]);
    }
    EXPECT_EQ(app->commands.size(), 1u);
}

TEST_F(PiccTest, TypeBActivationStartsTheProtocolAtOnce) {
    Make({0x01});
    picc->Activate(8, 0);
    EXPECT_EQ(picc->state(), Iso14443_4Picc::State::kActive);
    EXPECT_EQ(Send({0xE0, 0x80}), std::nullopt) << "RATS is no block";
    EXPECT_EQ(Send({0x02, 0x00}), (Bytes{0x02, 0x01, 0x90, 0x00}));
}

TEST_F(PiccTest, ReplacedAnswerIsSentInPlaceOfTheCardsOwn) {
    Make({});
    ASSERT_TRUE(Send({0xE0, 0x80}));
    picc->ReplaceNextAnswer({0xB3});
    EXPECT_EQ(Send({0x02, 0x00}), Bytes{0xB3});
    EXPECT_EQ(app->commands.size(), 1u);
}

}  // namespace
}  // namespace sim
