#include "core/protocol/reader_frame.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/protocol/reader_session.h"
#include "driver/core/protocol/session_test_support.h"
#include "support/golden_frames.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ramp(std::size_t n, unsigned start = 0) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(start + i);
    return out;
}

class ReaderFrameTest : public ::testing::Test {
  protected:
    void SetUp() override { ScriptedCallback::Reset(); }

    // A session on the callback route.
    static std::unique_ptr<ReaderSession> CallbackSession() {
        auto session = std::make_unique<ReaderSession>();
        session->SetExtendReadWrite(ScriptedCallback::Callback);
        return session;
    }
};

TEST_F(ReaderFrameTest, EncoderMatchesGoldenRequests) {
    for (const GoldenRequest& g : LoadGoldenFrames().requests) {
        std::array<std::uint8_t, kFrameBufferSize> frame{};
        const std::size_t n =
            EncodeRequestFrame(frame, g.mask, g.sequence, g.command, g.payload.data(),
                               static_cast<unsigned>(g.payload.size()), g.packetSize);
        ASSERT_EQ(n, g.frame.size()) << "payload " << g.payload.size();
        EXPECT_EQ(Bytes(frame.begin(), frame.begin() + n), g.frame)
            << "packet " << g.packetSize << " payload " << g.payload.size();
    }
}

TEST_F(ReaderFrameTest, SessionSendsGoldenRequestsOnEachRoute) {
    // A fresh session sends sequence 0: HID for the 64-byte packet cases, the callback route
    // for the others.
    for (const GoldenRequest& g : LoadGoldenFrames().requests) {
        if (g.sequence != 0) continue;
        FixedMask mask(g.mask);
        ReaderSession session;
        FakeHidTransport::Log log;
        ScriptedCallback::Reset();
        if (g.packetSize == kHidPacketSize) {
            session.SetHidTransport(std::make_unique<FakeHidTransport>(log));
        } else {
            session.SetExtendReadWrite(ScriptedCallback::Callback);
        }
        ASSERT_TRUE(session.SendFrame(g.command, g.payload.data(),
                                      static_cast<unsigned>(g.payload.size()), 1000));
        const Bytes sent = g.packetSize == kHidPacketSize
                               ? log.writes.at(0)
                               : ScriptedCallback::WrittenFrame(g.frame.size());
        EXPECT_EQ(sent, g.frame) << "payload " << g.payload.size();
    }
}

TEST_F(ReaderFrameTest, SessionReadsGoldenReplies) {
    for (const GoldenReply& g : LoadGoldenFrames().replies) {
        FixedMask mask(g.mask);
        ScriptedCallback::Reset();
        auto session = CallbackSession();
        ScriptedCallback::QueueFrame(g.frame);
        const bool ok = session->Transact(0x20, nullptr, 0, 500);
        EXPECT_EQ(ok, g.status == 0);
        EXPECT_EQ(session->Sequence(), g.sequence);
        if (g.status == 0) {
            EXPECT_EQ(session->GetErrorCode(), 0);
            EXPECT_EQ(Bytes(session->ReplyPayload().begin(), session->ReplyPayload().end()),
                      g.payload);
        } else {
            EXPECT_EQ(session->GetErrorCode(), g.payload.at(0));
            EXPECT_EQ(session->ReplyPayloadLength(), 0u);
        }
    }
}

TEST_F(ReaderFrameTest, LengthByteFollowsThePacketSizeOfTheRoute) {
    struct Case {
        std::size_t frameLength;
        std::uint8_t hidLengthByte;
        std::uint8_t otherLengthByte;
    };
    const Case cases[] = {
        {10, 9, 9}, {64, 63, 63}, {65, 255, 64}, {255, 255, 254}, {256, 255, 255}, {300, 255, 255},
    };
    FixedMask mask({0x10, 0x20, 0x30, 0x40});
    for (const Case& c : cases) {
        const Bytes payload = Ramp(c.frameLength - kRequestOverhead);
        const auto length = static_cast<unsigned>(payload.size());

        FakeHidTransport::Log log;
        ReaderSession hid;
        hid.SetHidTransport(std::make_unique<FakeHidTransport>(log));
        ASSERT_TRUE(hid.SendFrame(7, payload.data(), length, 1000));
        ASSERT_EQ(log.writes.at(0).size(), c.frameLength);
        EXPECT_EQ(log.writes[0][0], c.hidLengthByte) << "HID, n = " << c.frameLength;

        ScriptedCallback::Reset();
        auto other = CallbackSession();
        ASSERT_TRUE(other->SendFrame(7, payload.data(), length, 1000));
        const Bytes sent = ScriptedCallback::WrittenFrame(c.frameLength);
        EXPECT_EQ(sent[0], c.otherLengthByte) << "callback, n = " << c.frameLength;
        // Apart from the length byte (and the check byte over it) both frames agree.
        EXPECT_TRUE(std::equal(sent.begin() + 1, sent.end() - 1, log.writes[0].begin() + 1));
        EXPECT_EQ(sent.back() ^ sent[0], log.writes[0].back() ^ log.writes[0][0]);
    }
}

TEST_F(ReaderFrameTest, PayloadOver290IsRefusedWithoutSending) {
    auto session = CallbackSession();
    const Bytes payload = Ramp(291);
    EXPECT_FALSE(session->Transact(7, payload.data(), 291, 1000));
    EXPECT_EQ(ScriptedCallback::calls, 0);
    EXPECT_EQ(session->GetErrorCode(), 1);
    // 294 bytes with flag 1 leave 290 after the mask: that fits.
    const Bytes withMask = Ramp(294);
    EXPECT_TRUE(session->SendFrame(7, withMask.data(), 294, 1000, 1));
    EXPECT_EQ(session->RequestFrameLength(), 300u);
}

TEST_F(ReaderFrameTest, FlagOneTakesTheMaskFromThePayloadEnd) {
    FixedMask unused({0xEE, 0xEE, 0xEE, 0xEE});
    auto session = CallbackSession();
    const Bytes payload = {0xAA, 0xBB, 0x01, 0x02, 0x03, 0x04};
    ASSERT_TRUE(session->SendFrame(0x33, payload.data(), 6, 1000, 1));
    std::array<std::uint8_t, kFrameBufferSize> expected{};
    const std::size_t n = EncodeRequestFrame(expected, {0x01, 0x02, 0x03, 0x04}, 0, 0x33,
                                             payload.data(), 2, kStreamPacketSize);
    ASSERT_EQ(n, 12u);
    EXPECT_EQ(ScriptedCallback::WrittenFrame(n), Bytes(expected.begin(), expected.begin() + n));
    EXPECT_EQ(Bytes(expected.begin() + 1, expected.begin() + 5), Bytes({1, 2, 3, 4}));
    // Length field 2 (scrambled with mask bytes 3, 4 and positions 2, 3).
    EXPECT_EQ(expected[7] ^ 0x03 ^ 2, 0);
    EXPECT_EQ(expected[8] ^ 0x04 ^ 3, 2);
}

TEST_F(ReaderFrameTest, NullPayloadWithLengthSendsZeros) {
    FixedMask mask({9, 8, 7, 6});
    auto session = CallbackSession();
    ASSERT_TRUE(session->SendFrame(5, nullptr, 3, 1000));
    const Bytes zeros(3, 0);
    std::array<std::uint8_t, kFrameBufferSize> expected{};
    const std::size_t n =
        EncodeRequestFrame(expected, {9, 8, 7, 6}, 0, 5, zeros.data(), 3, kStreamPacketSize);
    EXPECT_EQ(ScriptedCallback::WrittenFrame(n), Bytes(expected.begin(), expected.begin() + n));
}

TEST_F(ReaderFrameTest, NoRouteSendsNothing) {
    ReaderSession session;
    EXPECT_FALSE(session.Transact(1, nullptr, 0, 1000));
    EXPECT_EQ(session.GetErrorCode(), 1);
    EXPECT_FALSE(session.ReceiveFrame(1, nullptr, 0, 1000));
    EXPECT_EQ(session.GetErrorCode(), 1);
}

TEST_F(ReaderFrameTest, HidRouteDrainsAndAwaitsTheLongerTimeOut) {
    FixedMask mask({0, 0, 0, 0});
    struct Case {
        int openTimeout;
        int commandTimeout;
        int expectedWait;
    };
    for (const Case& c : {Case{0, 2000, 2000}, Case{5000, 1000, 5000}, Case{10, 4000, 4000}}) {
        FakeHidTransport::Log log;
        ReaderSession session;
        // Reply: sequence 1, status 0, no payload, for mask 0.
        Bytes reply = {4, static_cast<std::uint8_t>(1 ^ kReplyMask[0]),
                       static_cast<std::uint8_t>(0 ^ 1 ^ kReplyMask[1]),
                       static_cast<std::uint8_t>(0 ^ 2 ^ kReplyMask[2])};
        reply.push_back(FrameCheckByte(reply.data(), reply.size()));
        session.SetHidTransport(std::make_unique<FakeHidTransport>(log, reply));
        ASSERT_TRUE(session.OpenDevice("", 0, 0, 0, c.openTimeout));
        ASSERT_TRUE(session.Transact(11, nullptr, 0, c.commandTimeout));
        EXPECT_EQ(log.discards, 1);
        EXPECT_EQ(log.readTimeout, c.expectedWait);
        EXPECT_EQ(session.Sequence(), 1);
    }
}

}  // namespace
