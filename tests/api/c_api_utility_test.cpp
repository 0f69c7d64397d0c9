#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "korvicard/KorviCardDriver.h"

namespace {

// The base64 and length exports test their handle only for non-null: any nonzero
// value, open reader or not, runs the routine.
TEST(CApiUtility, Base64ExportsRunForAnyNonNullHandle) {
    for (int handle : {1, -1, 12345}) {
        char text[16];
        std::memset(text, '#', sizeof text);
        const unsigned char abc[] = {'a', 'b', 'c', 'd'};
        ASSERT_EQ(KorviCardGetEncodeNewLen(handle, 0, 4), 9);
        KorviCardBase64Encode(handle, abc, 4, text, 76);
        EXPECT_STREQ(text, "YWJjZA==") << handle;

        unsigned char bytes[8];
        std::memset(bytes, 0xEE, sizeof bytes);
        ASSERT_EQ(KorviCardGetDecodeNewLen(handle, 0, 8), 7);
        KorviCardBase64Decode(handle, "YWJjZA==", 8, bytes, 0);
        EXPECT_EQ(0, std::memcmp(bytes, "abcd\0\0", 6)) << handle;
        EXPECT_EQ(bytes[6], 0xEE) << "the decoder wrote past its groups";
    }
}

// The encoder writes exactly the size the header gives for each line length, 0 and
// negative ones included: KorviCardGetEncodeNewLen plus CR LF after every line of
// G = max(1, lineLength / 4) whole groups. Each output fills a buffer of that size.
TEST(CApiUtility, Base64EncoderWritesTheSizeTheHeaderGivesForEveryLineLength) {
    unsigned char bytes[64];
    for (int i = 0; i < 64; ++i) bytes[i] = static_cast<unsigned char>(i);
    // Python's base64.b64encode(bytes(range(64))).
    const std::string text =
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==";
    const int whole = 64 / 3 * 4;  // the characters of the whole groups; "Pw==" follows
    const struct {
        int lineLength;
        int size;
    } cases[] = {{-1, 131}, {0, 131}, {3, 131}, {4, 131}, {5, 131}, {8, 109}, {76, 91}};
    for (const auto& c : cases) {
        SCOPED_TRACE("line length " + std::to_string(c.lineLength));
        const int perLine = std::max(1, c.lineLength / 4) * 4;
        const int size = KorviCardGetEncodeNewLen(1, 0, 64) + 2 * (whole / perLine);
        ASSERT_EQ(size, c.size);
        // Whole lines end in CR LF; what is left of the groups and the padded one follow.
        std::string expected;
        int at = 0;
        for (; at + perLine <= whole; at += perLine) {
            expected +=
                text.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(perLine));
            expected += "\r\n";
        }
        expected += text.substr(static_cast<std::size_t>(at));
        // Exactly the size: the sanitizer reports any byte written past it.
        std::vector<char> out(static_cast<std::size_t>(size), '#');
        KorviCardBase64Encode(1, bytes, 64, out.data(), c.lineLength);
        EXPECT_EQ(std::string(out.data(), out.size() - 1), expected);
        EXPECT_EQ(out.back(), '\0');
    }
}

TEST(CApiUtility, Base64ExportsDoNothingForTheNullHandleOrBadArguments) {
    char text[16];
    std::memset(text, '#', sizeof text);
    const unsigned char abc[] = {'a', 'b', 'c'};
    KorviCardBase64Encode(0, abc, 3, text, 76);
    KorviCardBase64Encode(1, nullptr, 3, text, 76);
    KorviCardBase64Encode(1, abc, -3, text, 76);
    KorviCardBase64Encode(1, abc, 3, nullptr, 76);
    EXPECT_EQ(text[0], '#');
    unsigned char bytes[8];
    std::memset(bytes, 0xEE, sizeof bytes);
    KorviCardBase64Decode(0, "YWJj", 4, bytes, 0);
    KorviCardBase64Decode(1, "YWJj", -4, bytes, 0);
    KorviCardBase64Decode(1, nullptr, 4, bytes, 0);
    KorviCardBase64Decode(1, "YWJj", 4, nullptr, 0);
    EXPECT_EQ(bytes[0], 0xEE);
    EXPECT_EQ(KorviCardGetEncodeNewLen(0, 0, 4), 0);
    EXPECT_EQ(KorviCardGetDecodeNewLen(0, 0, 8), 0);
}

TEST(CApiUtility, IdRandomWritesHexDigitsAndNothingForABadLength) {
    char id[40];
    std::memset(id, '#', sizeof id);
    EXPECT_EQ(KorviCardGetIdRandom(id, 8), 0);
    EXPECT_EQ(std::string(id, 8).find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(id[8], '#');
    std::memset(id, '#', sizeof id);
    EXPECT_EQ(KorviCardGetIdRandom(id, 0), 0);
    EXPECT_EQ(KorviCardGetIdRandom(id, -5), 0);
    EXPECT_EQ(KorviCardGetIdRandom(nullptr, 8), 0);
    EXPECT_EQ(id[0], '#');
}

TEST(CApiUtility, SaveLogAppendsOneLinePerCall) {
    char path[] = "/tmp/korvicard-api-log-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(KorviCardSaveLog(path, "first"), 0);
    EXPECT_EQ(KorviCardSaveLog(path, "second"), 0);
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path);
    EXPECT_NE(content.find(" first\r\n"), std::string::npos);
    EXPECT_NE(content.find(" second\r\n"), std::string::npos);
    EXPECT_LT(content.find(" first\r\n"), content.find(" second\r\n"));
    EXPECT_NE(KorviCardSaveLog(nullptr, "x"), 0);
    EXPECT_NE(KorviCardSaveLog(path, nullptr), 0);
    EXPECT_NE(KorviCardSaveLog("/nonexistent-dir/korvicard.log", "x"), 0);
}

}  // namespace
