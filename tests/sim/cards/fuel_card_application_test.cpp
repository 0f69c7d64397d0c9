#include "sim/cards/fuel_card_application.h"

#include <gtest/gtest.h>

#include <vector>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes SelectAid(const Bytes& aid) {
    Bytes apdu = {0x00, 0xA4, 0x04, 0x00, static_cast<std::uint8_t>(aid.size())};
    apdu.insert(apdu.end(), aid.begin(), aid.end());
    return apdu;
}

Bytes Verify(const Bytes& pin) {
    Bytes apdu = {0x00, 0x20, 0x00, 0x00, static_cast<std::uint8_t>(pin.size())};
    apdu.insert(apdu.end(), pin.begin(), pin.end());
    return apdu;
}

const Bytes kGetBalance = {0x80, 0x5C, 0x00, 0x01, 0x04};

TEST(FuelCardApplicationTest, FciPutsCardDataAtTheIssuersOffsets) {
    const FuelCardData sinopec = FuelCardApplication::Sinopec(
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {0x20, 0x20, 0x01, 0x01}, {0x20, 0x30, 0x12, 0x31});
    EXPECT_EQ(sinopec.aid,
              (Bytes{0xA0, 0x00, 0x00, 0x00, 0x03, 'S', 'I', 'N', 'O', 'P', 'E', 'C'}));
    ASSERT_GE(sinopec.fci.size(), 49u);
    EXPECT_EQ(Bytes(sinopec.fci.begin() + 30, sinopec.fci.begin() + 41),
              (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(Bytes(sinopec.fci.begin() + 41, sinopec.fci.begin() + 45),
              (Bytes{0x20, 0x20, 0x01, 0x01}));
    EXPECT_EQ(Bytes(sinopec.fci.begin() + 45, sinopec.fci.begin() + 49),
              (Bytes{0x20, 0x30, 0x12, 0x31}));
    EXPECT_EQ(sinopec.fci[1], sinopec.fci.size() - 2);

    const FuelCardData petro = FuelCardApplication::PetroChina(
        {1, 2, 3, 4, 5, 6, 7, 8}, {0x20, 0x21, 0x01, 0x01}, {0x20, 0x31, 0x12, 0x31});
    EXPECT_EQ(petro.aid.size(), 15u);
    ASSERT_GE(petro.fci.size(), 56u);
    EXPECT_EQ(Bytes(petro.fci.begin() + 40, petro.fci.begin() + 48),
              (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Bytes(petro.fci.begin() + 48, petro.fci.begin() + 52),
              (Bytes{0x20, 0x21, 0x01, 0x01}));
    EXPECT_EQ(Bytes(petro.fci.begin() + 52, petro.fci.begin() + 56),
              (Bytes{0x20, 0x31, 0x12, 0x31}));
}

TEST(FuelCardApplicationTest, PinTriesCountDownThenTheCardBlocks) {
    FuelCardData data = FuelCardApplication::Sinopec({}, {}, {});
    data.pin = {0x12, 0x34, 0x56};
    data.balance = 0x01020304;
    FuelCardApplication card(data);
    EXPECT_EQ(card.Process(Verify(data.pin)).sw2, 0x85) << "nothing selected";
    ASSERT_EQ(card.Process(SelectAid(data.aid)).data, data.fci);
    EXPECT_EQ(card.Process(kGetBalance).sw2, 0x82) << "PIN not verified";

    struct Step {
        Bytes pin;
        std::uint8_t sw1, sw2;
    };
    const Step steps[] = {{{0x11, 0x11, 0x11}, 0x63, 0xC2}, {data.pin, 0x90, 0x00},
                          {{0x11, 0x11, 0x11}, 0x63, 0xC2}, {{0x11, 0x11, 0x11}, 0x63, 0xC1},
                          {{0x11, 0x11, 0x11}, 0x63, 0xC0}, {data.pin, 0x69, 0x83}};
    for (const Step& step : steps) {
        const ApduAnswer answer = card.Process(Verify(step.pin));
        EXPECT_EQ(answer.sw1, step.sw1);
        EXPECT_EQ(answer.sw2, step.sw2);
    }
    EXPECT_EQ(card.pinTriesLeft(), 0u);
}

TEST(FuelCardApplicationTest, BalanceAndLogAfterVerify) {
    FuelCardData data = FuelCardApplication::PetroChina({}, {}, {});
    data.pin = {0x99, 0x99, 0x99};
    data.balance = 123456;
    data.records.push_back({0x00, 0x01, 0, 0, 0, 0, 0, 0x27, 0x10, 0x02});
    FuelCardApplication card(data);
    ASSERT_EQ(card.Process(SelectAid(data.aid)).sw1, 0x90);
    ASSERT_EQ(card.Process(Verify(data.pin)).sw1, 0x90);
    EXPECT_EQ(card.Process(kGetBalance).data, (Bytes{0x00, 0x01, 0xE2, 0x40}));
    const ApduAnswer first = card.Process(Bytes{0x00, 0xB2, 0x01, 0xC4, 0x17});
    EXPECT_EQ(first.sw1, 0x90);
    EXPECT_EQ(first.data.size(), 23u);
    EXPECT_EQ(first.data[8], 0x10);
    EXPECT_EQ(card.Process(Bytes{0x00, 0xB2, 0x02, 0xC4, 0x17}).sw2, 0x83);
}

}  // namespace
}  // namespace sim
