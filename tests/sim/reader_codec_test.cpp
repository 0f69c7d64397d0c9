#include "sim/reader_codec.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/golden_frames.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SimReaderCodec, DecodesGoldenRequests) {
    for (const GoldenRequest& g : LoadGoldenFrames().requests) {
        EXPECT_EQ(sim::RequestFrameSize(Bytes(g.frame.begin(), g.frame.begin() + 9)),
                  g.frame.size());
        sim::Request request;
        ASSERT_EQ(sim::DecodeRequest(g.frame, request), sim::RequestCheck::kOk)
            << "payload " << g.payload.size();
        EXPECT_EQ(request.sequence, g.sequence);
        EXPECT_EQ(request.command, g.command);
        EXPECT_EQ(request.payload, g.payload);
        EXPECT_EQ(request.mask, g.mask);
    }
}

TEST(SimReaderCodec, EncodesGoldenReplies) {
    for (const GoldenReply& g : LoadGoldenFrames().replies) {
        EXPECT_EQ(sim::EncodeReply(g.sequence, g.status, g.payload, g.mask), g.frame)
            << "payload " << g.payload.size();
    }
}

TEST(SimReaderCodec, RefusesDamagedRequests) {
    const GoldenFrames golden = LoadGoldenFrames();
    const Bytes& small = golden.requests.at(1).frame;  // 11 bytes, length byte 10
    struct Case {
        const char* what;
        Bytes frame;
        sim::RequestCheck expected;
    };
    Bytes badCheck = small;
    badCheck.back() ^= 0x80;
    Bytes wrongLengthByte = small;
    wrongLengthByte[0] = 11;
    wrongLengthByte.push_back(0);
    Bytes shortLong = small;  // length byte 255 on a frame of 11 bytes
    shortLong[0] = 255;
    shortLong.back() ^= 10 ^ 255;
    const Case cases[] = {
        {"bad check byte", badCheck, sim::RequestCheck::kBadCheckByte},
        {"length byte and payload length disagree", wrongLengthByte, sim::RequestCheck::kBadLength},
        {"length byte 255 on a short frame", shortLong, sim::RequestCheck::kBadLength},
        {"cut short", Bytes(small.begin(), small.end() - 1), sim::RequestCheck::kIncomplete},
        {"header only", Bytes(small.begin(), small.begin() + 5), sim::RequestCheck::kIncomplete},
    };
    for (const Case& c : cases) {
        sim::Request request;
        EXPECT_EQ(sim::DecodeRequest(c.frame, request), c.expected) << c.what;
    }
    EXPECT_EQ(sim::RequestFrameSize(Bytes{255, 0, 0, 0}), std::nullopt);
}

}  // namespace
