#include "sim/device/sam_slots.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/cards/apdu_script.h"

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Status = SamSlots::Status;

const Bytes kAtr = {0x3B, 0x6C, 0x00, 0x02};
const Bytes kChallenge = {0x00, 0x84, 0x00, 0x00, 0x04};

std::shared_ptr<ContactCard> MakeCard(Bytes atr = kAtr) {
    return std::make_shared<ContactCard>(
        std::move(atr), std::make_shared<ApduScript>("0084000004 => 01020304 9000"));
}

TEST(SamSlotsTest, SlotSelectionAndSelectLinesRefuseBadArguments) {
    SamSlots slots;
    EXPECT_EQ(slots.selected(), 0);
    EXPECT_EQ(slots.Select(5), Status::kOk);  // the extension slot
    EXPECT_EQ(slots.selected(), 5);
    EXPECT_EQ(slots.Select(6), Status::kNoSuchSlot);
    EXPECT_EQ(slots.selected(), 5);
    EXPECT_EQ(slots.SetSelectLine(0, 6, 1), Status::kNoSuchSlot);
    EXPECT_EQ(slots.SetSelectLine(1, 2, 2), Status::kBadArgument);
    EXPECT_EQ(slots.slot(2).line1, 1);

    struct Row {
        std::uint8_t line0, line1;
        std::optional<SupplyClass> supply;
    };
    const Row rows[] = {{0, 1, SupplyClass::kA},
                        {1, 0, SupplyClass::kB},
                        {1, 1, SupplyClass::kC},
                        {0, 0, std::nullopt}};
    for (const Row& row : rows) {
        ASSERT_EQ(slots.SetSelectLine(0, 3, row.line0), Status::kOk);
        ASSERT_EQ(slots.SetSelectLine(1, 3, row.line1), Status::kOk);
        EXPECT_EQ(SamSlots::SupplyOf(slots.slot(3).line0, slots.slot(3).line1), row.supply);
    }
}

TEST(SamSlotsTest, ResetAndApduOfTheSelectedSlot) {
    SamSlots slots;
    slots.Insert(1, MakeCard());
    Bytes atr;
    Bytes answer;
    // Slot 0 is empty.
    EXPECT_EQ(slots.Reset(atr), Status::kNoCard);
    EXPECT_EQ(slots.Exchange(kChallenge, answer), Status::kNoCard);

    ASSERT_EQ(slots.Select(1), Status::kOk);
    EXPECT_EQ(slots.Exchange(kChallenge, answer), Status::kNotActive);  // not reset yet
    ASSERT_EQ(slots.Reset(atr), Status::kOk);
    EXPECT_EQ(atr, kAtr);
    EXPECT_TRUE(slots.slot(1).powered);  // a reset powers the slot
    ASSERT_EQ(slots.Exchange(kChallenge, answer), Status::kOk);
    EXPECT_EQ(answer, (Bytes{0x84, 0x01, 0x02, 0x03, 0x04, 0x90, 0x00}));
    EXPECT_EQ(slots.Exchange(Bytes{0x00, 0x84, 0x00}, answer), Status::kBadArgument);

    // Power off deactivates; power on alone gives no session until the next reset.
    ASSERT_EQ(slots.SetPower(0), Status::kOk);
    EXPECT_FALSE(slots.slot(1).powered);
    ASSERT_EQ(slots.SetPower(1), Status::kOk);
    EXPECT_EQ(slots.Exchange(kChallenge, answer), Status::kNotActive);
    ASSERT_EQ(slots.Reset(atr), Status::kOk);
    EXPECT_EQ(slots.Exchange(kChallenge, answer), Status::kOk);

    // A change of supply needs a new reset; the same level again changes nothing.
    ASSERT_EQ(slots.SetSelectLine(1, 1, 1), Status::kOk);
    EXPECT_EQ(slots.Exchange(kChallenge, answer), Status::kOk);
    ASSERT_EQ(slots.SetSelectLine(0, 1, 1), Status::kOk);  // 1.8 V
    EXPECT_EQ(slots.Exchange(kChallenge, answer), Status::kNotActive);
}

TEST(SamSlotsTest, CardSilentWithoutSupplyOrAtAVoltageItDoesNotTake) {
    SamSlots slots;
    auto card = MakeCard();
    card->SetSupplyClasses(static_cast<unsigned>(SupplyClass::kA));
    slots.Insert(0, card);
    Bytes atr;
    ASSERT_EQ(slots.SetSelectLine(0, 0, 1), Status::kOk);
    ASSERT_EQ(slots.SetSelectLine(1, 0, 0), Status::kOk);  // 3 V
    EXPECT_EQ(slots.Reset(atr), Status::kCardSilent);
    ASSERT_EQ(slots.SetSelectLine(0, 0, 0), Status::kOk);  // no supply
    EXPECT_EQ(slots.Reset(atr), Status::kCardSilent);
    ASSERT_EQ(slots.SetSelectLine(1, 0, 1), Status::kOk);  // 5 V
    EXPECT_EQ(slots.Reset(atr), Status::kOk);

    slots.Insert(2, MakeCard(Bytes{}));  // a card without an answer to reset
    ASSERT_EQ(slots.Select(2), Status::kOk);
    EXPECT_EQ(slots.Reset(atr), Status::kCardSilent);

    // Removing the card of an active slot ends its session.
    slots.Remove(0);
    EXPECT_FALSE(card->active());
}

}  // namespace
}  // namespace sim
