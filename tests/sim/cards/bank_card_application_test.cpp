#include "sim/cards/bank_card_application.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/cards/contact_card.h"
#include "support/byte_concat.h"

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes SelectByName(const Bytes& name) {
    return test_bytes::Concat(
        {{0x00, 0xA4, 0x04, 0x00, static_cast<std::uint8_t>(name.size())}, name});
}

const Bytes kReadRecord = {0x00, 0xB2, 0x01, 0x0C, 0x00};

TEST(BankCardApplicationTest, PpseFciCarriesTheDirectoryEntryWhereReadersLookForIt) {
    BankCardApplication card;
    const ApduAnswer answer = card.Process(SelectByName(BankCardApplication::kPpseName));
    ASSERT_EQ(answer.sw1, 0x90);
    const Bytes& fci = answer.data;
    ASSERT_GE(fci.size(), 35u);
    EXPECT_EQ(fci[0], 0x6F);
    EXPECT_EQ(fci[1], fci.size() - 2);
    EXPECT_EQ(
        Bytes(fci.begin() + 2, fci.begin() + 18),
        (Bytes{0x84, 0x0E, '2', 'P', 'A', 'Y', '.', 'S', 'Y', 'S', '.', 'D', 'D', 'F', '0', '1'}));
    EXPECT_EQ(fci[18], 0xA5);
    EXPECT_EQ(fci[20], 0xBF);
    EXPECT_EQ(fci[21], 0x0C);
    EXPECT_EQ(fci[23], 0x61);
    EXPECT_EQ(fci[25], 0x4F);
    EXPECT_EQ(fci[26], 8);
    EXPECT_EQ(Bytes(fci.begin() + 27, fci.begin() + 35), BankCardData{}.aid);
}

TEST(BankCardApplicationTest, RecordOneOfSfiOneDependsOnWhatIsSelected) {
    BankCardApplication card;
    EXPECT_EQ(card.Process(kReadRecord).sw1, 0x6A) << "nothing selected";
    ASSERT_EQ(card.Process(SelectByName(BankCardApplication::kPseName)).sw1, 0x90);
    const ApduAnswer directory = card.Process(kReadRecord);
    ASSERT_EQ(directory.sw1, 0x90);
    EXPECT_EQ(Bytes(directory.data.begin(), directory.data.begin() + 6),
              (Bytes{0x70, static_cast<std::uint8_t>(directory.data.size() - 2), 0x61,
                     static_cast<std::uint8_t>(directory.data.size() - 4), 0x4F, 0x08}));

    ASSERT_EQ(card.Process(SelectByName(BankCardData{}.aid)).sw1, 0x90);
    const ApduAnswer record = card.Process(kReadRecord);
    ASSERT_EQ(record.sw1, 0x90);
    EXPECT_EQ(record.data[2], 0x57);
    EXPECT_EQ(record.data[3], BankCardData{}.track2.size());
    EXPECT_EQ(card.Process(Bytes{0x00, 0xB2, 0x02, 0x0C, 0x00}).sw2, 0x83);
    EXPECT_EQ(card.Process(SelectByName({0xA0, 0x00, 0x00, 0x00, 0x04})).sw2, 0x82);
}

TEST(BankCardApplicationTest, OverTZeroTheDirectoryIsFetchedWithGetResponseAndLeRetries) {
    auto application = std::make_shared<BankCardApplication>();
    ContactCard card({0x3B, 0x02, 0x14, 0x50}, application);
    ASSERT_TRUE(card.Activate(SupplyClass::kA));
    const Bytes select = card.TransmitT0(SelectByName(BankCardApplication::kPseName));
    ASSERT_EQ(select.size(), 3u);
    EXPECT_EQ(select[0], 0xA4);
    EXPECT_EQ(select[1], 0x61);
    const Bytes fci = card.TransmitT0(Bytes{0x00, 0xC0, 0x00, 0x00, select[2]});
    EXPECT_EQ(fci.front(), 0xC0);
    EXPECT_EQ(fci[1], 0x6F);
    EXPECT_EQ(Bytes(fci.end() - 2, fci.end()), (Bytes{0x90, 0x00}));

    const Bytes wrongLe = card.TransmitT0(kReadRecord);
    ASSERT_EQ(wrongLe.size(), 2u);
    EXPECT_EQ(wrongLe[0], 0x6C);
    const Bytes record = card.TransmitT0(Bytes{0x00, 0xB2, 0x01, 0x0C, wrongLe[1]});
    EXPECT_EQ(record[1], 0x70);
}

}  // namespace
}  // namespace sim
