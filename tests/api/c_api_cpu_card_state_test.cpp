#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "api/cpu_card_bench.h"
#include "support/slow_cpu_cards.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/cards/card_field.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/commands/cpu_card_commands.h"
#include "sim/commands/mifare_commands.h"
#include "sim/simulated_reader.h"
#include "sim_fixture/sim_handle_bench.h"
#include "sim_fixture/sim_tcp_bench.h"

// A CPU card keeps its ISO 14443-4 state in its reader's field, whichever handle reaches it:
// it toggles its block number at every I-block it takes and answers with its own (ISO/IEC
// 14443-4, rules C and D), keeps the frame size and CID use of its ATS, and takes the time
// it asks for with S(WTX). Callers that open a handle per operation, a lost answer and a
// card that works for seconds all meet that card through the exports.

namespace {

using Bytes = std::vector<std::uint8_t>;

// Answers every command with its first byte and length, then 90 00.
class LengthAnswer : public sim::ApduResponder {
  public:
    sim::ApduAnswer Process(std::span<const std::uint8_t> command) override {
        return {{command[0], static_cast<std::uint8_t>(command.size())}, 0x90, 0x00};
    }
};

Bytes Command(std::size_t size, std::uint8_t first) {
    Bytes apdu(size);
    for (std::size_t i = 0; i < size; ++i) apdu[i] = static_cast<std::uint8_t>(first + i);
    return apdu;
}

Bytes AnswerTo(const Bytes& apdu) {
    return {apdu[0], static_cast<std::uint8_t>(apdu.size()), 0x90, 0x00};
}

// The COS command through the handle; its result bytes, or nothing when the export failed.
std::optional<Bytes> SendCos(int handle, const Bytes& apdu) {
    KorviCardParam record{};
    std::memcpy(record.arrCosSendBuffer, apdu.data(), apdu.size());
    record.unCosSendBufferLength = static_cast<std::uint32_t>(apdu.size());
    if (KorviCardSendCOSCommand(handle, &record) != 1) return std::nullopt;
    return Bytes(record.arrCosResultBuffer,
                 record.arrCosResultBuffer + record.unCosReultBufferLength);
}

// A CPU card in the field of a reader on the callback route.
class CpuCardAcrossHandles : public ::testing::Test {
  protected:
    CpuCardBench bench;
    std::shared_ptr<sim::TypeACpuCard> card =
        bench.PresentCpuCard(std::make_shared<LengthAnswer>());
};

TEST_F(CpuCardAcrossHandles, ConsecutiveCommandsOnFreshHandlesEachReachTheCard) {
    {
        SimReaderHandle reset(bench.reader);
        KorviCardParam record{};
        ASSERT_EQ(KorviCardResetCpuCard(reset.handle, &record), 1);
    }
    for (const std::size_t size : {5, 100, 7, 80}) {
        SCOPED_TRACE(size);
        SimReaderHandle fresh(bench.reader);
        const Bytes apdu = Command(size, 0x30);
        EXPECT_EQ(SendCos(fresh.handle, apdu), AnswerTo(apdu));
    }
    EXPECT_EQ(card->picc().apdus().size(), 4u);
}

// The reader ran the block and its reply was lost: after the block's wait the driver asks for
// the answer again with R(NAK) and its block number (CID 0 in use: BB 00), and the card sends
// its answer again. The card runs the command once.
TEST_F(CpuCardAcrossHandles, AnAnswerLostOnItsWayBackCostsNothing) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    const Bytes apdu = Command(9, 0x80);
    EXPECT_EQ(SendCos(bench.handle, apdu), AnswerTo(apdu));
    bench.ClearRequests();
    bench.reader.QueueFault({sim::FaultKind::kNoReply});
    EXPECT_EQ(SendCos(bench.handle, apdu), AnswerTo(apdu));
    EXPECT_EQ(card->picc().apdus().size(), 2u) << "the card ran the command once";
    const std::vector<Bytes> payloads = bench.CpuPayloads();
    ASSERT_EQ(payloads.size(), 2u);
    EXPECT_EQ(payloads[0][2], 0x0B) << "I-block, N 1, CID";
    EXPECT_EQ(payloads[1], (Bytes{0x00, 0x02, 0xBB, 0x00}));
    EXPECT_EQ(SendCos(bench.handle, apdu), AnswerTo(apdu));
    EXPECT_EQ(card->picc().apdus().size(), 3u);
}

// Cards that take more than one second for a block, within their FWT or asked for with
// S(WTX), through the reader in real time; the next command gets its own answer at once.
TEST_F(CpuCardAcrossHandles, ACardTakingMoreThanASecondGetsItsTime) {
    for (const SlowCpuCard& c : kSlowCpuCards) {
        SCOPED_TRACE(c.name);
        const std::shared_ptr<sim::TypeACpuCard> slow =
            bench.PresentCpuCard(std::make_shared<LengthAnswer>(), c.Ats(0x02));
        ASSERT_TRUE(bench.ActivateCpuCard());
        c.Slow(slow->picc());
        const Bytes apdu = Command(12, 0x40);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SendCos(bench.handle, apdu), AnswerTo(apdu));
        EXPECT_GE(std::chrono::steady_clock::now() - start, c.atLeast);
        slow->picc().SetCommandTime({});
        slow->picc().SetWtxRequests(0);
        const Bytes next = Command(7, 0x60);
        EXPECT_EQ(SendCos(bench.handle, next), AnswerTo(next));
        EXPECT_EQ(slow->picc().apdus().size(), 2u);
    }
}

// FWI 7 (TB(1) 0x70): FWT 38.7 ms, so WTXM 10 asks for 0.39 s a round. Each round is a
// transceive of its own, within the command's time-out.
TEST_F(CpuCardAcrossHandles, ACardThatAsksForMoreTimeGetsIt) {
    ASSERT_TRUE(bench.ActivateCpuCard());
    card->picc().SetWtxRequests(8, 10);
    const Bytes apdu = Command(12, 0x80);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendCos(bench.handle, apdu), AnswerTo(apdu));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 8 * card->picc().FrameWaitingTime() * 10);
    const std::vector<Bytes> payloads = bench.CpuPayloads();
    ASSERT_EQ(payloads.size(), 9u) << "the command, then one S(WTX) answer a round";
    for (std::size_t i = 1; i < payloads.size(); ++i) {
        EXPECT_EQ(payloads[i], (Bytes{0x00, 0x03, 0xFA, 0x00, 0x0A}));
    }
}

// Two networked readers, each with its own card: one with frames of 32 bytes and CIDs, one
// with frames of 256 bytes that takes no CID. Every operation opens a handle of its own.
struct CardOfItsOwn {
    explicit CardOfItsOwn(sim::AtsParameters ats)
        : card(std::make_shared<sim::TypeACpuCard>(std::make_shared<LengthAnswer>(), ats)) {
        field.PresentTypeA(card);
    }

    sim::SimulatedReader reader;
    sim::CardField field;
    sim::MifareCommands mifare{reader, field};
    sim::CpuCardCommands cpu{reader, field};
    std::shared_ptr<sim::TypeACpuCard> card;
};

struct SmallFramesWithCid : CardOfItsOwn {
    SmallFramesWithCid() : CardOfItsOwn({2, std::nullopt, 0x70, 0x02, {}}) {}
};
struct LargeFramesWithoutCid : CardOfItsOwn {
    LargeFramesWithoutCid() : CardOfItsOwn({8, std::nullopt, 0x70, 0x00, {}}) {}
};

template <class Reader>
int OpenAgain(const SimTcpBench<Reader>& net) {
    return KorviCardOpenDevice("127.0.0.1", net.server.Port(), 0, 0, 1000, nullptr);
}

struct SmallFramesWithoutCid : CardOfItsOwn {
    SmallFramesWithoutCid() : CardOfItsOwn({0, std::nullopt, 0x70, 0x00, {}}) {}
};

// A networked reader whose card (FSC 16, no CID) loses the second block of a 30-byte command
// and both tries after it. A handle opened afterwards finds the card awaiting its reset: its
// command is refused with the block layer's code and nothing reaches the reader, so the card
// never runs it joined to the part it holds. A reset brings the card back.
TEST(CpuCardAcrossNetworkedReaders, ABrokenCommandChainWaitsForTheCardsReset) {
    SimTcpBench<SmallFramesWithoutCid> net;
    KorviCardParam record{};
    ASSERT_EQ(KorviCardResetCpuCard(net.handle, &record), 1);
    net.port.WithReader([&](sim::SimulatedReader&) { net.card->picc().LoseNextFrames(3, 1); });
    EXPECT_EQ(SendCos(net.handle, Command(30, 0x20)), std::nullopt);
    KorviCardCloseDevice(net.handle);
    net.handle = OpenAgain(net);
    ASSERT_GT(net.handle, 0);
    net.TakeCommands();
    EXPECT_EQ(SendCos(net.handle, Command(5, 0x50)), std::nullopt);
    EXPECT_EQ(KorviCardGetErrorCode(net.handle), 0xF4);
    EXPECT_TRUE(net.TakeCommands().empty()) << "nothing sent";
    ASSERT_EQ(KorviCardResetCpuCard(net.handle, &record), 1);
    const Bytes apdu = Command(5, 0x50);
    EXPECT_EQ(SendCos(net.handle, apdu), AnswerTo(apdu));
    net.port.WithReader([&](sim::SimulatedReader&) {
        EXPECT_EQ(net.card->picc().apdus(), std::vector<Bytes>{apdu});
    });
}

TEST(CpuCardAcrossNetworkedReaders, EachReaderKeepsTheStateOfItsOwnCard) {
    SimTcpBench<SmallFramesWithCid> first;
    SimTcpBench<LargeFramesWithoutCid> second;
    // The server serves one connection at a time: the benches' own handles go first.
    KorviCardCloseDevice(first.handle);
    KorviCardCloseDevice(second.handle);
    for (const int reader : {1, 2}) {
        const int handle = reader == 1 ? OpenAgain(first) : OpenAgain(second);
        KorviCardParam record{};
        EXPECT_EQ(KorviCardResetCpuCard(handle, &record), 1) << reader;
        KorviCardCloseDevice(handle);
    }
    for (const std::size_t size : {40, 5, 60}) {
        for (const int reader : {1, 2}) {
            SCOPED_TRACE(::testing::Message() << "reader " << reader << ", " << size << " bytes");
            const int handle = reader == 1 ? OpenAgain(first) : OpenAgain(second);
            ASSERT_GT(handle, 0);
            const Bytes apdu = Command(size, static_cast<std::uint8_t>(reader << 4));
            EXPECT_EQ(SendCos(handle, apdu), AnswerTo(apdu));
            KorviCardCloseDevice(handle);
        }
    }
    first.port.WithReader([&](sim::SimulatedReader&) {
        EXPECT_EQ(first.card->picc().apdus().size(), 3u);
        for (const Bytes& frame : first.card->picc().framesReceived()) {
            EXPECT_LE(frame.size() + 2, 32u) << "within the card's frame size";
            if (frame[0] != 0xE0) {
                EXPECT_NE(frame[0] & 0x08, 0) << "with the CID";
            }
        }
    });
    second.port.WithReader([&](sim::SimulatedReader&) {
        EXPECT_EQ(second.card->picc().apdus().size(), 3u);
        for (const Bytes& frame : second.card->picc().framesReceived()) {
            EXPECT_EQ(frame[0] & 0x08, 0) << "without a CID";
        }
    });
}

}  // namespace
