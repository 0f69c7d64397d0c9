// ISO/IEC 14443-3 anticollision and select of the simulated type A cards, against the frames
// the standard gives (without CRC_A). UID CLn is UID0-3 for a single-size UID; for a
// double-size UID it is the cascade tag 88 and UID0-2 on level 1 (SEL 93), UID3-6 on
// level 2 (SEL 95). BCC is the XOR of the four bytes of UID CLn. NVB 20 asks for the whole
// UID CLn, NVB 70 selects with all of it; the SAK carries the cascade bit (b3, 04) while the
// UID is not complete, and b6 (20) once it is, for a card that speaks ISO/IEC 14443-4.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/cards/apdu_script.h"
#include "sim/cards/mifare_classic_card.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/device/iso14443_3_pcd.h"

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One frame from the reader and the card's answer; an empty answer is silence.
struct Frame {
    const char* what;
    Bytes command;
    Bytes answer;
};

// ANTICOLLISION (NVB 20) answers UID CLn and BCC, SELECT (NVB 70) the SAK.
Bytes Send(TypeACard& card, const Bytes& command) {
    if (command.size() == 2) {
        const std::optional<TypeACard::UidCln> uidCln = card.Anticollision(command);
        return uidCln ? Bytes(uidCln->begin(), uidCln->end()) : Bytes{};
    }
    const std::optional<std::uint8_t> sak = card.Select(command);
    return sak ? Bytes{*sak} : Bytes{};
}

void Exchange(TypeACard& card, const std::vector<Frame>& frames) {
    for (const Frame& frame : frames) {
        EXPECT_EQ(Send(card, frame.command), frame.answer) << frame.what;
    }
}

// UID 04 3C 51 6A 72 2E 80: BCC1 = 88 ^ 04 ^ 3C ^ 51 = E1, BCC2 = 6A ^ 72 ^ 2E ^ 80 = B6.
std::shared_ptr<TypeACpuCard> DoubleSizeCpuCard() {
    return std::make_shared<TypeACpuCard>(
        std::make_shared<ApduScript>(), AtsParameters{},
        std::array<std::uint8_t, 7>{0x04, 0x3C, 0x51, 0x6A, 0x72, 0x2E, 0x80});
}

TEST(TypeACascadeTest, DoubleSizeUidIsSelectedOverTwoCascadeLevels) {
    const std::shared_ptr<TypeACpuCard> card = DoubleSizeCpuCard();
    EXPECT_EQ(card->Atqa(), 0x0344) << "b7 of the first ATQA byte: double-size UID";
    card->PowerOn();
    ASSERT_TRUE(card->Request(TypeACard::kWupA));
    Exchange(
        *card,
        {
            {"level 2 before level 1", {0x95, 0x20}, {}},
            {"anticollision, level 1", {0x93, 0x20}, {0x88, 0x04, 0x3C, 0x51, 0xE1}},
            {"select, level 1, wrong BCC", {0x93, 0x70, 0x88, 0x04, 0x3C, 0x51, 0x00}, {}},
            {"select with UID0-3 instead of the cascade tag",
             {0x93, 0x70, 0x04, 0x3C, 0x51, 0x6A, 0x03},
             {}},
            {"select, level 1: cascade bit", {0x93, 0x70, 0x88, 0x04, 0x3C, 0x51, 0xE1}, {0x04}},
        });
    EXPECT_EQ(card->state(), TypeACard::State::kReady) << "the UID is not complete yet";
    EXPECT_FALSE(card->Transceive(Bytes{0xE0, 0x50})) << "no RATS before the last level";
    Exchange(*card, {
                        {"level 1 again", {0x93, 0x20}, {}},
                        {"anticollision, level 2", {0x95, 0x20}, {0x6A, 0x72, 0x2E, 0x80, 0xB6}},
                        {"select, level 2: complete, ISO/IEC 14443-4",
                         {0x95, 0x70, 0x6A, 0x72, 0x2E, 0x80, 0xB6},
                         {0x20}},
                        {"anticollision once selected", {0x95, 0x20}, {}},
                    });
    EXPECT_EQ(card->state(), TypeACard::State::kActive);
    const std::optional<Bytes> ats = card->Transceive(Bytes{0xE0, 0x50});
    ASSERT_TRUE(ats);
    EXPECT_EQ(ats->at(0), ats->size()) << "TL";

    // A new request starts again at level 1.
    ASSERT_TRUE(card->Request(TypeACard::kWupA));
    Exchange(*card,
             {{"anticollision after a request", {0x93, 0x20}, {0x88, 0x04, 0x3C, 0x51, 0xE1}}});
}

TEST(TypeACascadeTest, SingleSizeUidTakesOneLevel) {
    // UID 3A 5C 7E 91, BCC 3A ^ 5C ^ 7E ^ 91 = 89; SAK 08 (Mifare Classic 1K).
    MifareClassicCard card(MifareClassicCard::Size::k1K, {0x3A, 0x5C, 0x7E, 0x91});
    card.PowerOn();
    ASSERT_TRUE(card.Request(TypeACard::kReqA));
    Exchange(card, {
                       {"no level 2", {0x95, 0x20}, {}},
                       {"anticollision with another NVB", {0x93, 0x21}, {}},
                       {"anticollision", {0x93, 0x20}, {0x3A, 0x5C, 0x7E, 0x91, 0x89}},
                       {"select", {0x93, 0x70, 0x3A, 0x5C, 0x7E, 0x91, 0x89}, {0x08}},
                   });
    EXPECT_EQ(card.state(), TypeACard::State::kActive);
}

TEST(TypeACascadeTest, TheReaderRunsEveryCascadeLevel) {
    const std::shared_ptr<TypeACpuCard> doubleSize = DoubleSizeCpuCard();
    doubleSize->PowerOn();
    ASSERT_TRUE(doubleSize->Request(TypeACard::kReqA));
    EXPECT_EQ(RunAnticollision(*doubleSize, false),
              (Bytes{0x04, 0x3C, 0x51, 0x6A, 0x72, 0x2E, 0x80}));
    EXPECT_EQ(doubleSize->state(), TypeACard::State::kActive) << "selected at level 2 too";

    MifareClassicCard single(MifareClassicCard::Size::k1K, {0x3A, 0x5C, 0x7E, 0x91});
    single.PowerOn();
    ASSERT_TRUE(single.Request(TypeACard::kReqA));
    EXPECT_EQ(RunAnticollision(single, false), (Bytes{0x3A, 0x5C, 0x7E, 0x91}));
    EXPECT_EQ(single.state(), TypeACard::State::kReady) << "left for its select";
    const std::array<std::uint8_t, 4> uid = {0x3A, 0x5C, 0x7E, 0x91};
    EXPECT_EQ(SelectFirstLevel(single, uid), 0x08);
    ASSERT_TRUE(single.Request(TypeACard::kReqA));
    EXPECT_EQ(RunAnticollision(single, true), (Bytes{0x3A, 0x5C, 0x7E, 0x91}));
    EXPECT_EQ(single.state(), TypeACard::State::kActive);
}

}  // namespace
}  // namespace sim
