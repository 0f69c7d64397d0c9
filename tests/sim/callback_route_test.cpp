#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/protocol/reader_session.h"
#include "sim/callback_adapter.h"
#include "sim/simulated_reader.h"

// The driver's session on the callback route against the simulated reader.

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kHandle = 3;
constexpr std::uint8_t kUnhandled = 0xEE;

// Reply of every handled command: the payload's bytes XOR the command, at most 251 of them.
Bytes Answer(const sim::Request& r) {
    Bytes out(r.payload.begin(), r.payload.begin() + std::min<std::size_t>(r.payload.size(), 251));
    for (std::uint8_t& b : out) b ^= r.command;
    return out;
}

class CallbackRoute : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int command = 0; command < 256; ++command) {
            if (command == kUnhandled) continue;
            reader.SetHandler(static_cast<std::uint8_t>(command),
                              [](const sim::Request& r) { return sim::Reply::Ok(Answer(r)); });
        }
        sim::AttachSimulator(kHandle, reader);
        session.SetHandleId(kHandle);
        session.SetExtendReadWrite(sim::SimulatorTransport);
    }
    void TearDown() override { sim::DetachSimulator(kHandle); }

    sim::SimulatedReader reader;
    ReaderSession session;
};

TEST_F(CallbackRoute, RandomCommandsRoundTripWithFollowingSequences) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 290);
    const int rounds = 300;  // the sequence byte wraps
    for (int i = 0; i < rounds; ++i) {
        auto command = static_cast<std::uint8_t>(byte(random));
        Bytes payload(i < 3 ? std::vector<int>{0, 290, 1}[i] : length(random));
        for (std::uint8_t& b : payload) b = static_cast<std::uint8_t>(byte(random));
        const bool ok =
            session.Transact(command, payload.data(), static_cast<unsigned>(payload.size()), 1000);
        const sim::Request& seen = reader.Requests().back();
        ASSERT_EQ(reader.Requests().size(), static_cast<std::size_t>(i + 1));
        EXPECT_EQ(seen.sequence, static_cast<std::uint8_t>(i));
        EXPECT_EQ(seen.command, command);
        ASSERT_EQ(seen.payload, payload);
        EXPECT_EQ(session.Sequence(), static_cast<std::uint8_t>(i + 1));
        if (command == kUnhandled) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(session.GetErrorCode(), 19);
            continue;
        }
        ASSERT_TRUE(ok) << "round " << i << " code " << session.GetErrorCode();
        EXPECT_EQ(Bytes(session.ReplyPayload().begin(), session.ReplyPayload().end()),
                  Answer(seen));
    }
}

TEST_F(CallbackRoute, FlagOneMaskReachesTheReader) {
    const Bytes payload = {0x10, 0x20, 0x9A, 0x8B, 0x7C, 0x6D};
    ASSERT_TRUE(session.Transact(5, payload.data(), 6, 1000, 1));
    EXPECT_EQ(reader.Requests().back().payload, (Bytes{0x10, 0x20}));
    EXPECT_EQ(reader.Requests().back().mask, (sim::FrameMask{0x9A, 0x8B, 0x7C, 0x6D}));
    EXPECT_EQ(Bytes(session.ReplyPayload().begin(), session.ReplyPayload().end()),
              (Bytes{0x15, 0x25}));
}

TEST_F(CallbackRoute, ReaderFaultsGiveTheirCodesAndTheNextCommandWorks) {
    struct Case {
        const char* what;
        sim::Fault fault;
        bool ok;
        int code;
    };
    const Case cases[] = {
        {"no reply", {sim::FaultKind::kNoReply}, false, 3},
        {"zero length", {sim::FaultKind::kZeroLength}, false, 4},
        {"bad check byte", {sim::FaultKind::kBadCheckByte}, false, 5},
        {"status 1 code 6", {.kind = sim::FaultKind::kErrorStatus, .errorCode = 6}, false, 6},
        {"short reply", {.kind = sim::FaultKind::kShortReply, .shortLength = 2}, false, 3},
        {"payload length past the frame", {sim::FaultKind::kOverlongPayload}, false, 3},
        {"truncated", {.kind = sim::FaultKind::kTruncate, .truncateTo = 5}, false, 3},
        {"split in 1-byte parts", {.kind = sim::FaultKind::kSplit, .pieceSize = 1}, true, 0},
        {"split in 7-byte parts", {.kind = sim::FaultKind::kSplit, .pieceSize = 7}, true, 0},
        {"delayed within the time-out", {.kind = sim::FaultKind::kDelay, .delayMs = 60}, true, 0},
    };
    const Bytes payload = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (const Case& c : cases) {
        reader.QueueFault(c.fault);
        EXPECT_EQ(session.Transact(0x30, payload.data(), 12, 150), c.ok) << c.what;
        EXPECT_EQ(session.GetErrorCode(), c.code) << c.what;
        ASSERT_TRUE(session.Transact(0x30, payload.data(), 12, 150)) << "after " << c.what;
        EXPECT_EQ(session.Sequence(), reader.Requests().back().sequence + 1) << c.what;
    }
}

}  // namespace
