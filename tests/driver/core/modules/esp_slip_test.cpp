#include "core/modules/esp_slip.h"

#include <gtest/gtest.h>

#include <array>

#include "support/esp_boot_packets.h"

// SLIP frames of the boot-loader packets and the pieces the reader relays them in.

namespace {

using esp_test::Bytes;

Bytes Encode(const Bytes& packet, std::size_t capacity) {
    Bytes out(capacity, 0x00);
    const std::size_t n = SlipEncode(packet, out);
    out.resize(n);
    return out;
}

TEST(SlipEncode, EscapesAnywhereInThePacketAndRefusesWhatDoesNotFit) {
    const Bytes cases[] = {
        {},
        {0xC0},
        {0xDB},
        {0xC0, 0x01, 0x02, 0xDB},
        {0xDB, 0xDC, 0xDD, 0xC0, 0xC0},
        {0x00, 0xDC, 0xDD, 0x7F, 0xFF},
    };
    for (const Bytes& packet : cases) {
        const Bytes expected = esp_test::Slip(packet);
        EXPECT_EQ(Encode(packet, 64), expected);
        EXPECT_EQ(Encode(packet, expected.size()), expected) << "exact fit";
        EXPECT_TRUE(Encode(packet, expected.size() - 1).empty()) << "one byte short";
    }
    EXPECT_TRUE(Encode({}, 0).empty());
}

TEST(SlipPieceLength, NeverEndsAPieceOnTheByteThatOpensAnEscape) {
    Bytes plain(100, 0x11);
    plain.front() = plain.back() = 0xC0;
    Bytes at47 = plain;
    at47[47] = 0xDB;
    at47[48] = 0xDC;
    Bytes at46 = plain;
    at46[46] = 0xDB;
    at46[47] = 0xDD;
    struct Case {
        const char* what;
        const Bytes& frame;
        std::size_t offset;
        std::size_t max;
        std::size_t expected;
    };
    const Case cases[] = {
        {"plain piece", plain, 0, 48, 48},
        {"escape opened on the last byte", at47, 0, 48, 47},
        {"pair whole inside the piece", at46, 0, 48, 48},
        {"next piece starts with the pair", at47, 47, 48, 48},
        {"last piece shorter", plain, 96, 48, 4},
        {"nothing left", plain, 100, 48, 0},
        {"offset past the end", plain, 101, 48, 0},
        {"two-byte pieces", at47, 46, 2, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SlipPieceLength(c.frame, c.offset, c.max), c.expected) << c.what;
    }
}

TEST(SlipPieceLength, PiecesOfAFrameOfEscapesRebuildTheFrame) {
    // Every byte an escape: pairs fall on every piece boundary of one parity.
    const Bytes frame = esp_test::Slip(Bytes(300, 0xC0));
    Bytes joined;
    for (std::size_t at = 0; at < frame.size();) {
        const std::size_t n = SlipPieceLength(frame, at, 48);
        ASSERT_GT(n, 0u);
        ASSERT_LE(n, 48u);
        if (at + n < frame.size()) {
            EXPECT_NE(frame[at + n - 1], 0xDB) << "piece at " << at;
        }
        joined.insert(joined.end(), frame.begin() + at, frame.begin() + at + n);
        at += n;
    }
    EXPECT_EQ(joined, frame);
}

}  // namespace
