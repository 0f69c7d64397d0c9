#include "sim/device/nfc_text_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(NfcTextBufferTest, TextRecordLayoutAndFreshBuffer) {
    EXPECT_EQ(NfcTextBuffer::MakeTextTlv("abc"), (Bytes{0x03, 0x0A, 0xD1, 0x01, 0x06, 0x54, 0x02,
                                                        0x65, 0x6E, 0x61, 0x62, 0x63, 0xF3}));
    NfcTextBuffer buffer;
    EXPECT_EQ(buffer.contents(), NfcTextBuffer::MakeTextTlv(""));
    EXPECT_EQ(buffer.Text(), std::string());
}

TEST(NfcTextBufferTest, StoresWholeTlvsAndRefusesOthers) {
    NfcTextBuffer buffer;
    const std::string longest(47, 'x');
    ASSERT_TRUE(buffer.Store(NfcTextBuffer::MakeTextTlv(longest)));
    EXPECT_EQ(buffer.Text(), longest);
    ASSERT_TRUE(buffer.Store(NfcTextBuffer::MakeTextTlv("\xE5\xA4\x84")));  // UTF-8 text
    EXPECT_EQ(buffer.Text(), "\xE5\xA4\x84");

    const Bytes good = NfcTextBuffer::MakeTextTlv("hi");
    auto changed = [&](std::size_t index, std::uint8_t value) {
        Bytes bytes = good;
        bytes[index] = value;
        return bytes;
    };
    Bytes truncated = good;
    truncated.pop_back();
    struct Row {
        const char* what;
        Bytes tlv;
    };
    const Row bad[] = {
        {"empty", {}},
        {"other TLV tag", changed(0, 0xFD)},
        {"TLV length too long", changed(1, 0x0A)},
        {"no end byte", truncated},
        {"standard terminator instead of the reader's", changed(good.size() - 1, 0xFE)},
        {"not a short record", changed(2, 0xC1)},
        {"not well-known", changed(2, 0xD2)},
        {"payload length off", changed(4, 0x06)},
        {"over the capacity", NfcTextBuffer::MakeTextTlv(std::string(60, 'y'))},
    };
    for (const Row& row : bad) {
        SCOPED_TRACE(row.what);
        EXPECT_FALSE(buffer.Store(row.tlv));
        EXPECT_EQ(buffer.Text(), "\xE5\xA4\x84");
    }
}

TEST(NfcTextBufferTest, TextOfMalformedContentsIsNothing) {
    NfcTextBuffer buffer;
    buffer.SetContents(Bytes{0x03, 0x05, 0xD1, 0x01, 0x40, 0x54, 0x02, 0x65});
    EXPECT_FALSE(buffer.Text());
    buffer.SetContents(Bytes{0x03});
    EXPECT_FALSE(buffer.Text());
}

}  // namespace
}  // namespace sim
