#include <gtest/gtest.h>

#include <vector>

#include "core/protocol/reader_session.h"
#include "driver/core/protocol/session_test_support.h"
#include "sim/reader_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr FrameMask kMask = {0x3C, 0x5A, 0x96, 0xE1};
constexpr std::uint8_t kReplySequence = 0x40;

// A reply frame from its plain bytes between length byte and check byte, by the reader's
// codec.
Bytes Reply(const Bytes& body) { return sim::EncodeReplyFrame(body, kMask); }

TEST(ReplyFaults, ResultCodeAndSequenceAfterEachReply) {
    struct Case {
        const char* what;
        Bytes frame;  // empty: no reply at all
        bool ok;
        int code;
        std::uint8_t sequenceAfter;  // the fresh session sent sequence 0
        std::size_t payloadLength;
    };
    Bytes badCheck = Reply({kReplySequence, 0, 1, 0x55});
    badCheck.back() ^= 0x01;
    const Bytes good = Reply({kReplySequence, 0, 2, 0xAB, 0xCD});
    const Case cases[] = {
        {"no reply (time-out)", {}, false, 3, 0, 0},
        {"length byte 0", {0}, false, 4, 0, 0},
        {"bad check byte", badCheck, false, 5, 1, 0},
        {"status 1 with code 6", Reply({kReplySequence, 1, 1, 6}), false, 6, kReplySequence, 0},
        {"length byte 2: no status byte", Reply({kReplySequence}), false, 3, 1, 0},
        {"length byte 1: no sequence byte", Reply({}), false, 3, 1, 0},
        {"failure without its code byte", Reply({kReplySequence, 1, 0}), false, 3, kReplySequence,
         0},
        {"failure with code 0", Reply({kReplySequence, 1, 1, 0}), false, 1, kReplySequence, 0},
        {"payload length larger than the frame", Reply({kReplySequence, 0, 5, 0xAB, 0xCD}), false,
         3, kReplySequence, 0},
        {"payload length byte past the frame end", Reply({kReplySequence, 0, 0xFF}), false, 3,
         kReplySequence, 0},
        {"truncated reply", Bytes(good.begin(), good.begin() + 3), false, 3, 0, 0},
        {"status only (length byte 3)", Reply({kReplySequence, 0}), true, 0, kReplySequence, 0},
        {"good reply", good, true, 0, kReplySequence, 2},
        {"fewer payload bytes announced than carried", Reply({kReplySequence, 0, 1, 0xAB, 0xCD}),
         true, 0, kReplySequence, 1},
    };
    FixedMask mask(kMask);
    for (const Case& c : cases) {
        ScriptedCallback::Reset();
        if (!c.frame.empty()) ScriptedCallback::QueueFrame(c.frame);
        ReaderSession session;
        session.SetExtendReadWrite(ScriptedCallback::Callback);
        EXPECT_EQ(session.Transact(0x21, nullptr, 0, 100), c.ok) << c.what;
        EXPECT_EQ(session.GetErrorCode(), c.code) << c.what;
        EXPECT_EQ(session.Sequence(), c.sequenceAfter) << c.what;
        EXPECT_EQ(session.ReplyPayloadLength(), c.payloadLength) << c.what;
    }
}

TEST(ReplyFaults, CopyNeverPassesThePayloadOrTheDestination) {
    FixedMask mask(kMask);
    ScriptedCallback::Reset();
    ScriptedCallback::QueueFrame(Reply({kReplySequence, 0, 6, 1, 2, 3, 4, 5, 6}));
    ReaderSession session;
    session.SetExtendReadWrite(ScriptedCallback::Callback);
    ASSERT_TRUE(session.Transact(0x21, nullptr, 0, 100));

    struct Case {
        std::size_t capacity, offset, count;
        Bytes expected;
    };
    const Case cases[] = {
        {16, 0, kWholePayload, {1, 2, 3, 4, 5, 6}},
        {4, 0, kWholePayload, {1, 2, 3, 4}},
        {16, 3, 4, {4, 5, 6}},
        {16, 2, 2, {3, 4}},
        {16, 6, kWholePayload, {}},
        {16, 100, 1, {}},
        {0, 0, kWholePayload, {}},
    };
    for (const Case& c : cases) {
        Bytes dest(c.capacity + 8, 0xEE);
        const std::size_t n = session.CopyReplyPayload(dest.data(), c.capacity, c.offset, c.count);
        ASSERT_EQ(n, c.expected.size());
        EXPECT_EQ(Bytes(dest.begin(), dest.begin() + n), c.expected);
        EXPECT_EQ(Bytes(dest.begin() + n, dest.end()), Bytes(dest.size() - n, 0xEE));
    }
    EXPECT_EQ(session.CopyReplyPayload(nullptr, 16), 0u);

    // After a failed exchange there is no payload to copy.
    ScriptedCallback::QueueFrame(Reply({kReplySequence, 1, 1, 9}));
    ASSERT_FALSE(session.Transact(0x21, nullptr, 0, 100));
    Bytes dest(8, 0xEE);
    EXPECT_EQ(session.CopyReplyPayload(dest.data(), dest.size()), 0u);
}

}  // namespace
