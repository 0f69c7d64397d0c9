// The FM1208 file system under its personalisation commands, and the DES block it checks
// external authentication with.

#include "sim/cards/fm1208_application.h"

#include <gtest/gtest.h>

#include "sim/cards/triple_des.h"
#include "sim/device/bluetooth_at_module.h"

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Sw(const ApduAnswer& answer) { return {answer.sw1, answer.sw2}; }

const Bytes kErase = {0x80, 0x0E, 0x00, 0x00, 0x00};
const Bytes kChallenge4 = {0x00, 0x84, 0x00, 0x00, 0x04};
const Bytes k9000 = {0x90, 0x00};

Bytes ExternalAuthenticate(const std::array<std::uint8_t, 8>& cryptogram) {
    Bytes apdu(5 + cryptogram.size());
    apdu[1] = 0x82;
    apdu[4] = 0x08;
    std::copy(cryptogram.begin(), cryptogram.end(), apdu.begin() + 5);
    return apdu;
}

TEST(TripleDes, PublishedSingleDesVector) {
    // FIPS 81-era vector: DES with the all-ones key on the all-ones block.
    const std::array<std::uint8_t, 8> ones = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::array<std::uint8_t, 8> expected = {0x73, 0x59, 0xB2, 0x16, 0x3E, 0x4E, 0xDC, 0x58};
    EXPECT_EQ(TripleDesEncrypt(ones, ones), expected);
    // K1 = K2: two-key triple DES is single DES.
    EXPECT_EQ(TripleDesEncrypt(Bytes(16, 0xFF), ones), expected);
}

TEST(Fm1208Application, BlankCardTakesThePersonalisation) {
    Fm1208Application card;
    EXPECT_EQ(Sw(card.Process(kErase)), k9000);
    // A key needs the key file, an elementary file too.
    const Bytes key39 = {0x80, 0xD4, 0x01, 0x00, 0x15, 0x39, 0xF0, 0xF0, 0xAA, 0x88, 1,  2,  3,
                         4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   14, 15, 16};
    EXPECT_EQ(Sw(card.Process(key39)), (Bytes{0x6A, 0x82}));
    const Bytes file = {0x80, 0xE0, 0x00, 0x01, 0x07, 0x2A, 0x02, 0x13, 0xF0, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(Sw(card.Process(file)), (Bytes{0x69, 0x85}));
    const Bytes keyFile = {0x80, 0xE0, 0x00, 0x00, 0x07, 0x3F, 0x00, 0x50, 0x01, 0xF0, 0xFF, 0xFF};
    EXPECT_EQ(Sw(card.Process(keyFile)), k9000);
    EXPECT_EQ(Sw(card.Process(keyFile)), (Bytes{0x6A, 0x89}));
    EXPECT_EQ(Sw(card.Process(key39)), k9000);
    EXPECT_EQ(card.Key(0x39, 0), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(Sw(card.Process(file)), k9000);
    EXPECT_EQ(Sw(card.Process(file)), (Bytes{0x6A, 0x89}));
    EXPECT_EQ(Sw(card.Process(kErase)), k9000);
    EXPECT_FALSE(card.hasKeyFile());
    EXPECT_TRUE(card.files().empty());
}

TEST(Fm1208Application, IssuedCardErasesOnlyAfterExternalAuthentication) {
    Fm1208Application card(Bytes(16, 0xFF));
    EXPECT_EQ(Sw(card.Process(kErase)), (Bytes{0x69, 0x85}));
    const std::array<std::uint8_t, 8> anything{};
    EXPECT_EQ(Sw(card.Process(ExternalAuthenticate(anything))), (Bytes{0x69, 0x84}));

    // A wrong cryptogram, then a challenge used up by it.
    ApduAnswer challenge = card.Process(kChallenge4);
    ASSERT_EQ(challenge.data.size(), 4u);
    EXPECT_EQ(Sw(card.Process(ExternalAuthenticate(anything))), (Bytes{0x63, 0x00}));
    EXPECT_EQ(Sw(card.Process(kErase)), (Bytes{0x69, 0x85}));

    challenge = card.Process(kChallenge4);
    std::array<std::uint8_t, 8> block{};
    std::copy(challenge.data.begin(), challenge.data.end(), block.begin());
    const auto cryptogram = TripleDesEncrypt(Bytes(16, 0xFF), block);
    EXPECT_EQ(Sw(card.Process(ExternalAuthenticate(cryptogram))), k9000);
    // A reset forgets the authentication.
    card.Reset();
    EXPECT_EQ(Sw(card.Process(kErase)), (Bytes{0x69, 0x85}));
}

TEST(Fm1208Application, ChallengesAndUnknownKeys) {
    Fm1208Application card;
    const ApduAnswer first = card.Process(kChallenge4);
    EXPECT_EQ(first.data, (Bytes{0x3C, 0x9A, 0x51, 0xE7}));
    EXPECT_NE(card.Process(kChallenge4).data, first.data);
    EXPECT_EQ(card.Process(Bytes{0x00, 0x84, 0x00, 0x00, 0x08}).data.size(), 8u);
    EXPECT_EQ(Sw(card.Process(Bytes{0x00, 0x84, 0x00, 0x00, 0x10})), (Bytes{0x67, 0x00}));
    EXPECT_EQ(Sw(card.Process(ExternalAuthenticate({}))), (Bytes{0x6A, 0x88}));
    EXPECT_EQ(Sw(card.Process(Bytes{0x00, 0xCA, 0x00, 0x00, 0x00})), (Bytes{0x6D, 0x00}));
    EXPECT_EQ(Sw(card.Process(Bytes{0x80, 0x0E})), (Bytes{0x67, 0x00}));
}

TEST(BluetoothAtModule, AnswersWholeCommandLines) {
    BluetoothAtModule module;
    const Bytes ok = {'O', 'K', '\r', '\n'};
    EXPECT_EQ(module(Bytes{'A', 'T', '\r', '\n'}), ok);
    EXPECT_TRUE(module(Bytes{'A', 'T', '+', 'N'}).empty());
    EXPECT_EQ(module(Bytes{'A', 'M', 'E', '\r', '\n'}), ok);
    EXPECT_TRUE(module(Bytes{'h', 'i', '\r', '\n'}).empty());
}

}  // namespace
}  // namespace sim
