#include "sim/cards/social_security_application.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/byte_concat.h"

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Select(std::uint8_t p1, const Bytes& name) {
    return test_bytes::Concat(
        {{0x00, 0xA4, p1, 0x00, static_cast<std::uint8_t>(name.size())}, name});
}

TEST(SocialSecurityApplicationTest, DfNameIsTheGbkText) {
    EXPECT_EQ(SocialSecurityApplication::kDfName.size(), 15u);
    EXPECT_EQ(Bytes(SocialSecurityApplication::kDfName.begin() + 7,
                    SocialSecurityApplication::kDfName.end()),
              (Bytes{0xC9, 0xE7, 0xBB, 0xE1, 0xB1, 0xA3, 0xD5, 0xCF}));
}

TEST(SocialSecurityApplicationTest, RecordsOfTheSelectedFileAnswerWithTagAndLength) {
    SocialSecurityApplication card({{7, {'A', '1', '2'}}, {5, {0x20, 0x15, 0x06, 0x01}}},
                                   {{2, {0xD5, 0xC5, 0xC8, 0xFD}}});
    EXPECT_EQ(card.Process(Select(0x02, {0xEF, 0x05})).sw1, 0x6A) << "no DF selected yet";
    EXPECT_EQ(card.Process(Select(0x00, {0x3F, 0x00})).data.front(), 0x6F);
    const ApduAnswer df = card.Process(Select(0x04, SocialSecurityApplication::kDfName));
    EXPECT_EQ(df.sw1, 0x90);
    EXPECT_FALSE(df.data.empty());
    EXPECT_EQ(card.Process(Bytes{0x00, 0xB2, 0x07, 0x00, 0x05}).sw1, 0x69) << "no EF selected";

    // The files are EF05 and EF06; 0005 and 0006 name no file of the DF.
    for (const Bytes& unknown : {Bytes{0x00, 0x05}, Bytes{0x00, 0x06}, Bytes{0xEF, 0x07}}) {
        EXPECT_EQ(card.Process(Select(0x02, unknown)).Bytes(), (Bytes{0x6A, 0x82}));
    }

    const ApduAnswer ef05 = card.Process(Select(0x02, {0xEF, 0x05}));
    EXPECT_TRUE(ef05.data.empty());
    EXPECT_EQ(ef05.sw1, 0x90);
    EXPECT_EQ(card.Process(Bytes{0x00, 0xB2, 0x07, 0x00, 0x05}).data,
              (Bytes{0x07, 0x03, 'A', '1', '2'}));
    EXPECT_EQ(card.Process(Bytes{0x00, 0xB2, 0x05, 0x04, 0x06}).data,
              (Bytes{0x05, 0x04, 0x20, 0x15, 0x06, 0x01}));
    EXPECT_EQ(card.Process(Bytes{0x00, 0xB2, 0x02, 0x00, 0x06}).sw2, 0x83);

    ASSERT_EQ(card.Process(Select(0x02, {0xEF, 0x06})).sw1, 0x90);
    EXPECT_EQ(card.Process(Bytes{0x00, 0xB2, 0x02, 0x04, 0x06}).data,
              (Bytes{0x02, 0x04, 0xD5, 0xC5, 0xC8, 0xFD}));
    card.Reset();
    EXPECT_EQ(card.Process(Bytes{0x00, 0xB2, 0x02, 0x04, 0x06}).sw1, 0x69);
}

}  // namespace
}  // namespace sim
