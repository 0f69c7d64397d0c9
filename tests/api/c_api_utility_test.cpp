#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

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
