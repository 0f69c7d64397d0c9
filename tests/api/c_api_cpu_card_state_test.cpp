#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "api/cpu_card_bench.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/callback_adapter.h"
#include "sim/simulated_reader.h"

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

// A handle of its own on the callback route to the bench's reader, for one operation.
class FreshHandle {
  public:
    explicit FreshHandle(sim::SimulatedReader& reader)
        : handle(KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport)) {
        EXPECT_GT(handle, 0);
        sim::AttachSimulator(handle, reader);
    }
    ~FreshHandle() {
        sim::DetachSimulator(handle);
        KorviCardCloseDevice(handle);
    }
    FreshHandle(const FreshHandle&) = delete;
    FreshHandle& operator=(const FreshHandle&) = delete;

    const int handle;
};

TEST(CpuCardAcrossHandles, ConsecutiveCommandsOnFreshHandlesEachReachTheCard) {
    CpuCardBench bench;
    auto card = bench.PresentCpuCard(std::make_shared<LengthAnswer>());
    {
        FreshHandle reset(bench.reader);
        KorviCardParam record{};
        ASSERT_EQ(KorviCardResetCpuCard(reset.handle, &record), 1);
    }
    for (const std::size_t size : {5, 100, 7, 80}) {
        SCOPED_TRACE(size);
        FreshHandle fresh(bench.reader);
        const Bytes apdu = Command(size, 0x30);
        EXPECT_EQ(SendCos(fresh.handle, apdu), AnswerTo(apdu));
    }
    EXPECT_EQ(card->picc().apdus().size(), 4u);
}

TEST(CpuCardAcrossHandles, AnAnswerLostOnItsWayBackCostsOneCommand) {
    CpuCardBench bench;
    auto card = bench.PresentCpuCard(std::make_shared<LengthAnswer>());
    ASSERT_TRUE(bench.ActivateCpuCard());
    const Bytes apdu = Command(9, 0x80);
    EXPECT_EQ(SendCos(bench.handle, apdu), AnswerTo(apdu));
    bench.reader.QueueFault({sim::FaultKind::kNoReply});
    EXPECT_EQ(SendCos(bench.handle, apdu), std::nullopt);
    EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 3) << "no reply in time";
    EXPECT_EQ(card->picc().apdus().size(), 2u) << "the card carried the command out";
    EXPECT_EQ(SendCos(bench.handle, apdu), AnswerTo(apdu));
    EXPECT_EQ(SendCos(bench.handle, apdu), AnswerTo(apdu));
    EXPECT_EQ(card->picc().apdus().size(), 4u);
}

// FWI 7 (TB(1) 0x70): FWT 38.7 ms, so WTXM 10 asks for 0.39 s a round. Each round is a
// transceive of its own, within the command's time-out.
TEST(CpuCardAcrossHandles, ACardThatAsksForMoreTimeGetsIt) {
    CpuCardBench bench;
    auto card = bench.PresentCpuCard(std::make_shared<LengthAnswer>());
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

}  // namespace
