#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "core/protocol/reader_session.h"
#include "driver/core/protocol/session_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

class CallbackExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ScriptedCallback::Reset();
        session.SetExtendReadWrite(ScriptedCallback::Callback);
        session.SetHandleId(41);
    }

    ReaderSession session;
};

Bytes Ramp(std::size_t n) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i + 1);
    return out;
}

TEST_F(CallbackExchangeTest, WriteOf130BytesMakesThreePieces) {
    Bytes frame = Ramp(130);
    ASSERT_TRUE(session.ExchangeByCallback(41, 0, frame.data(), 130, 1000));
    ASSERT_EQ(ScriptedCallback::written.size(), 3u);
    EXPECT_EQ(ScriptedCallback::lastHandle, 41);
    EXPECT_EQ(ScriptedCallback::lastSize, 256);
    Bytes first(256, 0), second(256, 0), third(256, 0);
    std::copy(frame.begin(), frame.begin() + 64, first.begin());
    second[0] = 0xFF;
    std::copy(frame.begin() + 64, frame.begin() + 127, second.begin() + 1);
    third[0] = 3;
    std::copy(frame.begin() + 127, frame.end(), third.begin() + 1);
    EXPECT_EQ(ScriptedCallback::written[0], first);
    EXPECT_EQ(ScriptedCallback::written[1], second);
    EXPECT_EQ(ScriptedCallback::written[2], third);
}

TEST_F(CallbackExchangeTest, WriteStopsAtTheFirstFailedPiece) {
    Bytes frame = Ramp(130);
    ScriptedCallback::writeResult = 0;
    EXPECT_FALSE(session.ExchangeByCallback(41, 0, frame.data(), 130, 1000));
    EXPECT_EQ(ScriptedCallback::written.size(), 1u);
    EXPECT_FALSE(session.ExchangeByCallback(41, 0, nullptr, 10, 1000));
    EXPECT_FALSE(session.ExchangeByCallback(41, 0, frame.data(), 0, 1000));
    EXPECT_EQ(ScriptedCallback::written.size(), 1u);
}

TEST_F(CallbackExchangeTest, ReadBufferUnder64BytesFailsWithoutACall) {
    Bytes buffer(63, 0);
    EXPECT_FALSE(session.ExchangeByCallback(41, 1, buffer.data(), 63, 1000));
    EXPECT_FALSE(session.ExchangeByCallback(41, 1, nullptr, 300, 1000));
    EXPECT_EQ(ScriptedCallback::calls, 0);
}

TEST_F(CallbackExchangeTest, ReadReassemblesPiecesAndSkipsEmptyOnes) {
    // A 100-byte frame: length byte 99.
    Bytes frame = Ramp(100);
    frame[0] = 99;
    ScriptedCallback::reads.push_back(ScriptedCallback::FirstPiece({}));  // nothing yet
    ScriptedCallback::reads.push_back(
        ScriptedCallback::FirstPiece({frame.begin(), frame.begin() + 30}));
    ScriptedCallback::reads.push_back(ScriptedCallback::LaterPiece({}));  // count 1: adds nothing
    Bytes zeroCount(256, 0);
    zeroCount[1] = 0x77;  // count 0 with junk after it: adds nothing either
    ScriptedCallback::reads.push_back(zeroCount);
    ScriptedCallback::reads.push_back(
        ScriptedCallback::LaterPiece({frame.begin() + 30, frame.begin() + 93}, 255));
    // The last piece carries more than the frame needs; the rest is not copied.
    Bytes tail(frame.begin() + 93, frame.end());
    tail.insert(tail.end(), 20, 0xEE);
    ScriptedCallback::reads.push_back(ScriptedCallback::LaterPiece(tail));
    Bytes buffer(300, 0);
    ASSERT_TRUE(session.ExchangeByCallback(41, 1, buffer.data(), 300, 1000));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 100), frame);
    EXPECT_EQ(Bytes(buffer.begin() + 100, buffer.end()), Bytes(200, 0));
    EXPECT_EQ(ScriptedCallback::readCalls, 6);
}

TEST_F(CallbackExchangeTest, ReadRefusesAFrameLongerThanTheBuffer) {
    Bytes frame = Ramp(100);
    frame[0] = 99;
    ScriptedCallback::QueueFrame(frame);
    Bytes buffer(64, 0);
    EXPECT_FALSE(session.ExchangeByCallback(41, 1, buffer.data(), 64, 1000));
    EXPECT_EQ(ScriptedCallback::readCalls, 1);
}

TEST_F(CallbackExchangeTest, ReadEndsWithinTheTimeOut) {
    struct Case {
        const char* what;
        int readResult;
        bool countOnePieces;
    };
    for (const Case& c : {Case{"callback fails", 0, false}, Case{"empty pieces", 1, false},
                          Case{"pieces of count 1", 1, true}}) {
        ScriptedCallback::Reset();
        ScriptedCallback::readResult = c.readResult;
        if (c.countOnePieces) {
            Bytes frame(200, 0);
            frame[0] = 199;
            ScriptedCallback::reads.push_back(
                ScriptedCallback::FirstPiece({frame.begin(), frame.begin() + 10}));
            for (int i = 0; i < 10000; ++i)
                ScriptedCallback::reads.push_back(ScriptedCallback::LaterPiece({}));
        }
        Bytes buffer(300, 0);
        const auto start = Clock::now();
        EXPECT_FALSE(session.ExchangeByCallback(41, 1, buffer.data(), 300, 150)) << c.what;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        EXPECT_LT(ms.count(), 1000) << c.what;
        if (c.readResult == 0) {
            EXPECT_EQ(ScriptedCallback::readCalls, 1);
        }
    }
}

TEST_F(CallbackExchangeTest, ReceiveWithoutReplyIsATimeOut) {
    const auto start = Clock::now();
    EXPECT_FALSE(session.Transact(3, nullptr, 0, 100));
    EXPECT_EQ(session.GetErrorCode(), 3);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(ScriptedCallback::lastHandle, 41);
}

}  // namespace
