#include "sim/simulated_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "sim_frames.h"

namespace {

using sim_test::Bytes;
using sim_test::Request;
using sim_test::Unscramble;

constexpr sim::FrameMask kMask = {0x11, 0x22, 0x33, 0x44};
constexpr std::uint8_t kEcho = 0x60;

class SimulatedReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reader.SetHandler(kEcho, [this](const sim::Request& r) {
            ++handlerRuns;
            return sim::Reply::Ok(r.payload);
        });
    }

    std::vector<sim::Emission> Send(std::uint8_t sequence, std::uint8_t command,
                                    const Bytes& payload) {
        return reader.Process(Request(kMask, sequence, command, payload));
    }

    sim::SimulatedReader reader;
    int handlerRuns = 0;
};

TEST_F(SimulatedReaderTest, AnswersWithTheNextSequenceAndLogsTheRequest) {
    const std::vector<sim::Emission> out = Send(7, kEcho, {1, 2, 3});
    ASSERT_EQ(out.size(), 1u);
    const sim_test::PlainReply reply = Unscramble(out[0].bytes, kMask);
    EXPECT_TRUE(reply.checkOk);
    EXPECT_EQ(reply.body, (Bytes{8, 0, 3, 1, 2, 3}));
    ASSERT_EQ(reader.Requests().size(), 1u);
    EXPECT_EQ(reader.Requests()[0].sequence, 7);
    EXPECT_EQ(reader.Requests()[0].command, kEcho);
    EXPECT_EQ(reader.Requests()[0].payload, (Bytes{1, 2, 3}));
    EXPECT_EQ(reader.Requests()[0].mask, kMask);
    // Sequence 255 wraps to 0.
    EXPECT_EQ(Unscramble(Send(255, kEcho, {}).at(0).bytes, kMask).body, (Bytes{0, 0, 0}));
}

TEST_F(SimulatedReaderTest, UnknownCommandGetsCode19) {
    const std::vector<sim::Emission> out = Send(0, 0x99, {});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Unscramble(out[0].bytes, kMask).body, (Bytes{1, 1, 1, 19}));
    reader.SetHandler(kEcho, {});
    EXPECT_FALSE(reader.HasHandler(kEcho));
    EXPECT_EQ(Unscramble(Send(0, kEcho, {5}).at(0).bytes, kMask).body, (Bytes{1, 1, 1, 19}));
}

TEST_F(SimulatedReaderTest, BadCheckByteGetsNoReplyAndNoLogEntry) {
    Bytes frame = Request(kMask, 0, kEcho, {1});
    frame.back() ^= 1;
    EXPECT_TRUE(reader.Process(frame).empty());
    EXPECT_TRUE(reader.Requests().empty());
    EXPECT_EQ(reader.RejectedFrames(), 1u);
    EXPECT_EQ(handlerRuns, 0);
}

TEST_F(SimulatedReaderTest, HandlerPayloadOver251BytesIsAnError) {
    reader.SetHandler(1, [](const sim::Request&) { return sim::Reply::Ok(Bytes(252, 0)); });
    EXPECT_THROW(Send(0, 1, {}), std::length_error);
    reader.SetHandler(1, [](const sim::Request&) { return sim::Reply::Ok(Bytes(251, 0)); });
    EXPECT_EQ(Send(0, 1, {}).at(0).bytes.size(), 256u);
}

TEST_F(SimulatedReaderTest, FaultsShapeTheOutput) {
    const Bytes good = Send(0, kEcho, {0xA0, 0xA1, 0xA2}).at(0).bytes;  // sequence 1
    struct Case {
        const char* what;
        sim::Fault fault;
        // Checks the output of the request with sequence 0 and payload A0 A1 A2.
        void (*check)(const std::vector<sim::Emission>& out, const Bytes& good);
        bool handlerRuns;
    };
    const Case cases[] = {
        {"no reply",
         {sim::FaultKind::kNoReply},
         [](const auto& out, const Bytes&) { EXPECT_TRUE(out.empty()); },
         true},
        {"delay",
         {.kind = sim::FaultKind::kDelay, .delayMs = 250},
         [](const auto& out, const Bytes& good) {
             ASSERT_EQ(out.size(), 1u);
             EXPECT_EQ(out[0].bytes, good);
             EXPECT_EQ(out[0].delayMs, 250);
         },
         true},
        {"truncate",
         {.kind = sim::FaultKind::kTruncate, .truncateTo = 4},
         [](const auto& out, const Bytes& good) {
             ASSERT_EQ(out.size(), 1u);
             EXPECT_EQ(out[0].bytes, Bytes(good.begin(), good.begin() + 4));
         },
         true},
        {"zero length",
         {sim::FaultKind::kZeroLength},
         [](const auto& out, const Bytes&) {
             ASSERT_EQ(out.size(), 1u);
             EXPECT_EQ(out[0].bytes, Bytes{0});
         },
         true},
        {"bad check byte",
         {sim::FaultKind::kBadCheckByte},
         [](const auto& out, const Bytes& good) {
             ASSERT_EQ(out.size(), 1u);
             EXPECT_EQ(Bytes(out[0].bytes.begin(), out[0].bytes.end() - 1),
                       Bytes(good.begin(), good.end() - 1));
             EXPECT_FALSE(Unscramble(out[0].bytes, kMask).checkOk);
         },
         true},
        {"short reply",
         {.kind = sim::FaultKind::kShortReply, .shortLength = 2},
         [](const auto& out, const Bytes&) {
             ASSERT_EQ(out.size(), 1u);
             const sim_test::PlainReply plain = Unscramble(out[0].bytes, kMask);
             EXPECT_TRUE(plain.checkOk);
             EXPECT_EQ(plain.body, Bytes{1});
         },
         true},
        {"shortest reply",
         {.kind = sim::FaultKind::kShortReply, .shortLength = 1},
         [](const auto& out, const Bytes&) {
             ASSERT_EQ(out.size(), 1u);
             EXPECT_EQ(out[0].bytes, (Bytes{1, 1}));
         },
         true},
        {"stale reply",
         {sim::FaultKind::kStaleReply},
         [](const auto& out, const Bytes& good) {
             ASSERT_EQ(out.size(), 2u);
             EXPECT_EQ(out[0].bytes, good);  // the previous request's reply, as sent then
             EXPECT_EQ(out[1].bytes, good);
         },
         true},
        {"error status",
         {.kind = sim::FaultKind::kErrorStatus, .errorCode = 6},
         [](const auto& out, const Bytes&) {
             ASSERT_EQ(out.size(), 1u);
             EXPECT_EQ(Unscramble(out[0].bytes, kMask).body, (Bytes{1, 1, 1, 6}));
         },
         false},
        {"payload length past the frame",
         {sim::FaultKind::kOverlongPayload},
         [](const auto& out, const Bytes&) {
             ASSERT_EQ(out.size(), 1u);
             const sim_test::PlainReply plain = Unscramble(out[0].bytes, kMask);
             EXPECT_TRUE(plain.checkOk);
             EXPECT_EQ(plain.body, (Bytes{1, 0, 4, 0xA0, 0xA1, 0xA2}));
         },
         true},
        {"split",
         {.kind = sim::FaultKind::kSplit, .pieceSize = 3},
         [](const auto& out, const Bytes& good) {
             ASSERT_EQ(out.size(), (good.size() + 2) / 3);
             Bytes joined;
             for (std::size_t i = 0; i < out.size(); ++i) {
                 EXPECT_EQ(out[i].startsFrame, i == 0);
                 EXPECT_LE(out[i].bytes.size(), 3u);
                 joined.insert(joined.end(), out[i].bytes.begin(), out[i].bytes.end());
             }
             EXPECT_EQ(joined, good);
         },
         true},
        {"extra replies",
         {.kind = sim::FaultKind::kExtraReplies, .extraCopies = 2},
         [](const auto& out, const Bytes& good) {
             ASSERT_EQ(out.size(), 3u);
             for (const sim::Emission& e : out) EXPECT_EQ(e.bytes, good);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reader.QueueFault(c.fault);
        const int before = handlerRuns;
        c.check(Send(0, kEcho, {0xA0, 0xA1, 0xA2}), good);
        EXPECT_EQ(handlerRuns - before, c.handlerRuns ? 1 : 0);
        EXPECT_EQ(reader.PendingFaults(), 0u);
    }
    EXPECT_EQ(reader.Requests().size(), 1 + std::size(cases));
}

TEST_F(SimulatedReaderTest, FaultsApplyInOrderForTheirCount) {
    reader.QueueFault({.kind = sim::FaultKind::kNoReply, .times = 2});
    reader.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = 9});
    EXPECT_TRUE(Send(0, kEcho, {}).empty());
    EXPECT_TRUE(Send(0, kEcho, {}).empty());
    EXPECT_EQ(Unscramble(Send(0, kEcho, {}).at(0).bytes, kMask).body, (Bytes{1, 1, 1, 9}));
    EXPECT_EQ(Unscramble(Send(0, kEcho, {}).at(0).bytes, kMask).body, (Bytes{1, 0, 0}));
    reader.QueueFault({sim::FaultKind::kNoReply});
    reader.ClearFaults();
    EXPECT_EQ(Send(0, kEcho, {}).size(), 1u);
}

}  // namespace
