#include "core/util/hex_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(BytesToHexText, PlainAndSpacedLayouts) {
    const std::uint8_t bytes[] = {0x01, 0xAB};
    char text[8] = "xxxxxxx";
    EXPECT_EQ(BytesToHexText(bytes, text, 2, 0), 2u);
    EXPECT_EQ(std::string(text, 5), "01ABx");  // no terminator written
    EXPECT_EQ(BytesToHexText(bytes, text, 2, 1), 2u);
    EXPECT_EQ(std::string(text, 7), "01 AB x");
}

TEST(BytesToHexText, LengthsBeyondSixteenBitsAreConverted) {
    const std::size_t length = 70000;
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    std::vector<char> text(length * 2, '?');
    EXPECT_EQ(BytesToHexText(bytes.data(), text.data(), length, 0), length);
    EXPECT_EQ(std::string(text.end() - 4, text.end()), "6E6F");  // bytes 69998, 69999
}

TEST(BytesToHexText, NullPointersConvertNothing) {
    char text[4] = {};
    const std::uint8_t byte = 0xFF;
    EXPECT_EQ(BytesToHexText(nullptr, text, 1, 0), 0u);
    EXPECT_EQ(BytesToHexText(&byte, nullptr, 1, 0), 0u);
}
