#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "korvicard/KorviCardDriver.h"

// Expected values come from Python's cryptography package (DES-EDE with K1 = K2 for
// single DES; MAC as CBC over the "80"-padded data, X9.19 finish for 32-digit keys).

namespace {

constexpr const char* kKey16 = "133457799BBCDFF1";
constexpr const char* kKey32 = "133457799BBCDFF10123456789ABCDEF";
constexpr const char* kData = "0123456789ABCDEF";
constexpr const char* kIv = "0000000000000000";

struct CipherCase {
    const char* name;
    int (*call)(const char* key, char* out, unsigned outLen);
    const char* key;
    const char* expected;  // null: refused
};

int Des(const char* key, char* out, unsigned outLen) {
    return KorviCardDes(kData, key, out, outLen, 0);
}
int TripleDes(const char* key, char* out, unsigned outLen) {
    return KorviCard3Des(kData, key, out, outLen, 0);
}
int Mac(const char* key, char* out, unsigned outLen) {
    return KorviCardMac(kIv, kData, key, out, outLen);
}

const CipherCase kCases[] = {
    {"des 16-digit key", Des, kKey16, "85E813540F0AB405"},
    {"des 15-digit key", Des, "133457799BBCDFF", nullptr},
    {"des 32-digit key", Des, kKey32, nullptr},
    {"3des 32-digit key", TripleDes, kKey32, "A553228BCAC80EB5"},
    {"3des 16-digit key", TripleDes, kKey16, nullptr},
    {"3des 33-digit key", TripleDes, "133457799BBCDFF10123456789ABCDEF0", nullptr},
    {"mac 16-digit key", Mac, kKey16, "B8DF615C"},
    {"mac 32-digit key", Mac, kKey32, "37363203"},
    {"mac 24-digit key", Mac, "133457799BBCDFF101234567", nullptr},
    {"des non-hex key", Des, "133457799BBCDFFZ", nullptr},
};

TEST(CApiCrypto, KeyLengthsAndResults) {
    for (const CipherCase& c : kCases) {
        char out[40];
        std::memset(out, '#', sizeof out);
        int result = c.call(c.key, out, sizeof out);
        if (c.expected == nullptr) {
            EXPECT_EQ(result, 0) << c.name;
            EXPECT_EQ(out[0], '#') << c.name << ": a refused call wrote to out";
            continue;
        }
        ASSERT_EQ(result, 1) << c.name;
        EXPECT_STREQ(out, c.expected) << c.name;
        // The rest of outLen is zeroed.
        for (std::size_t i = std::strlen(c.expected); i < sizeof out; ++i) {
            ASSERT_EQ(out[i], '\0') << c.name << " at " << i;
        }
    }
}

TEST(CApiCrypto, ResultThatExactlyFillsOutHasNoTerminatorAndOneByteLessIsRefused) {
    for (const CipherCase& c : kCases) {
        if (c.expected == nullptr) {
            continue;
        }
        const unsigned length = static_cast<unsigned>(std::strlen(c.expected));
        char exact[20];
        std::memset(exact, '#', sizeof exact);
        ASSERT_EQ(c.call(c.key, exact, length), 1) << c.name;
        EXPECT_EQ(std::string(exact, length), c.expected) << c.name;
        EXPECT_EQ(exact[length], '#') << c.name << ": wrote past outLen";

        char tooSmall[20];
        std::memset(tooSmall, '#', sizeof tooSmall);
        EXPECT_EQ(c.call(c.key, tooSmall, length - 1), 0) << c.name;
        EXPECT_EQ(std::string(tooSmall, sizeof tooSmall), std::string(sizeof tooSmall, '#'))
            << c.name << ": a too-small out was touched";
    }
}

TEST(CApiCrypto, ModeOneDecryptsAndAnyOtherModeEncrypts) {
    char cipher[17] = {};
    ASSERT_EQ(KorviCardDes(kData, kKey16, cipher, 16, 7), 1);
    EXPECT_EQ(std::string(cipher, 16), "85E813540F0AB405");
    char plain[17] = {};
    ASSERT_EQ(KorviCardDes(cipher, kKey16, plain, 16, 1), 1);
    EXPECT_EQ(std::string(plain, 16), kData);

    ASSERT_EQ(KorviCard3Des("A553228BCAC80EB5", kKey32, plain, 16, 1), 1);
    EXPECT_EQ(std::string(plain, 16), kData);
}

TEST(CApiCrypto, EncryptionPadsAPartialBlock) {
    char out[40] = {};
    // 18 digits: a whole block and "AB" padded to 16 digits.
    ASSERT_EQ(KorviCardDes("0123456789ABCDEFAB", kKey16, out, sizeof out, 0), 1);
    EXPECT_EQ(std::strlen(out), 32u);
    EXPECT_EQ(std::string(out, 16), "85E813540F0AB405");
}

TEST(CApiCrypto, NullArgumentsAndZeroOutLenAreRefused) {
    char out[20];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(KorviCardDes(nullptr, kKey16, out, sizeof out, 0), 0);
    EXPECT_EQ(KorviCardDes(kData, nullptr, out, sizeof out, 0), 0);
    EXPECT_EQ(KorviCardDes(kData, kKey16, nullptr, sizeof out, 0), 0);
    EXPECT_EQ(KorviCardDes(kData, kKey16, out, 0, 0), 0);
    EXPECT_EQ(KorviCard3Des(nullptr, kKey32, out, sizeof out, 0), 0);
    EXPECT_EQ(KorviCard3Des(kData, kKey32, nullptr, sizeof out, 0), 0);
    EXPECT_EQ(KorviCardMac(nullptr, kData, kKey16, out, sizeof out), 0);
    EXPECT_EQ(KorviCardMac(kIv, nullptr, kKey16, out, sizeof out), 0);
    EXPECT_EQ(KorviCardMac(kIv, kData, nullptr, out, sizeof out), 0);
    EXPECT_EQ(KorviCardMac(kIv, kData, kKey16, nullptr, sizeof out), 0);
    EXPECT_EQ(KorviCardMac(kIv, kData, kKey16, out, 0), 0);
    EXPECT_EQ(std::string(out, sizeof out), std::string(sizeof out, '#'));
}

TEST(CApiCrypto, NonHexDataOrShortInitialValueIsRefused) {
    char out[40];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(KorviCardDes("0123456789ABCDEG", kKey16, out, sizeof out, 0), 0);
    EXPECT_EQ(KorviCardMac("00000000", kData, kKey16, out, sizeof out), 0);
    EXPECT_EQ(out[0], '#');
}

}  // namespace
