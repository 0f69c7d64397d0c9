#include "sim/cards/contact_card.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/cards/apdu_script.h"

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kAtr = {0x3B, 0x02, 0x14, 0x50};

std::shared_ptr<ApduScript> BankScript() {
    return std::make_shared<ApduScript>(R"(
        00A404000E315041592E5359532E4444463031 => 6F0A 840E 0102030405060708 9000
        00B2010C*                                => 7006 5A04 12345678 9000
        00D6000003*                              => 9000
        00A40000023F01                           => 6A82
        0084000004                               => A1A2A3A4 9000
        00200000*                                => 63C2
    )");
}

TEST(ContactCardTest, T0AnswersPerCommandCase) {
    ContactCard card(kAtr, BankScript());
    ASSERT_EQ(card.Activate(SupplyClass::kA), kAtr);
    const Bytes select = {0x00, 0xA4, 0x04, 0x00, 0x0E, '1', 'P', 'A', 'Y', '.',
                          'S',  'Y',  'S',  '.',  'D',  'D', 'F', '0', '1'};
    Bytes selectWithLe = select;
    selectWithLe.push_back(0x00);
    struct Row {
        const char* what;
        Bytes command;
        Bytes line;  // what the card sends back
    };
    const Row rows[] = {
        {"case 4: data held for GET RESPONSE", select, {0xA4, 0x61, 0x0C}},
        {"case 4 with Le travels as case 3", selectWithLe, {0xA4, 0x61, 0x0C}},
        {"case 2 with Le 0: wrong length", {0x00, 0xB2, 0x01, 0x0C, 0x00}, {0x6C, 0x08}},
        {"case 2 with the right Le",
         {0x00, 0xB2, 0x01, 0x0C, 0x08},
         {0xB2, 0x70, 0x06, 0x5A, 0x04, 0x12, 0x34, 0x56, 0x78, 0x90, 0x00}},
        {"case 3 accepted", {0x00, 0xD6, 0x00, 0x00, 0x03, 1, 2, 3}, {0xD6, 0x90, 0x00}},
        {"case 3 refused after the data",
         {0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x01},
         {0xA4, 0x6A, 0x82}},
        {"unknown instruction refused at the header",
         {0x80, 0xCA, 0x00, 0x00, 0x02, 1, 2},
         {0x6D, 0x00}},
        {"case 2 refused", {0x00, 0x20, 0x00, 0x00, 0x00}, {0x63, 0xC2}},
        {"case 1: status only", {0x00, 0x84, 0x00, 0x00}, {0x6D, 0x00}},
        {"Lc that does not fit the command", {0x00, 0xD6, 0x00, 0x00, 0x05, 1, 2}, {0x67, 0x00}},
        {"GET RESPONSE with nothing held", {0x00, 0xC0, 0x00, 0x00, 0x0C}, {0x6D, 0x00}},
        {"too short for T=0", {0x00, 0xA4, 0x04}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(card.TransmitT0(row.command), row.line);
    }
}

TEST(ContactCardTest, GetResponseServesHeldDataInParts) {
    ContactCard card(kAtr, BankScript());
    ASSERT_TRUE(card.Activate(SupplyClass::kB));
    const Bytes select = {0x00, 0xA4, 0x04, 0x00, 0x0E, '1', 'P', 'A', 'Y', '.',
                          'S',  'Y',  'S',  '.',  'D',  'D', 'F', '0', '1'};
    ASSERT_EQ(card.TransmitT0(select), (Bytes{0xA4, 0x61, 0x0C}));
    EXPECT_EQ(card.TransmitT0(Bytes{0x00, 0xC0, 0x00, 0x00, 0x20}), (Bytes{0x6C, 0x0C}));
    EXPECT_EQ(card.TransmitT0(Bytes{0x00, 0xC0, 0x00, 0x00, 0x04}),
              (Bytes{0xC0, 0x6F, 0x0A, 0x84, 0x0E, 0x61, 0x08}));
    EXPECT_EQ(card.TransmitT0(Bytes{0x00, 0xC0, 0x00, 0x00, 0x08}),
              (Bytes{0xC0, 1, 2, 3, 4, 5, 6, 7, 8, 0x90, 0x00}));
    // Nothing held any more: GET RESPONSE goes to the application.
    EXPECT_EQ(card.TransmitT0(Bytes{0x00, 0xC0, 0x00, 0x00, 0x08}), (Bytes{0x6D, 0x00}));

    // Another command drops what was held.
    ASSERT_EQ(card.TransmitT0(select), (Bytes{0xA4, 0x61, 0x0C}));
    card.TransmitT0(Bytes{0x00, 0x84, 0x00, 0x00, 0x04});
    EXPECT_EQ(card.TransmitT0(Bytes{0x00, 0xC0, 0x00, 0x00, 0x0C}), (Bytes{0x6D, 0x00}));
}

TEST(ContactCardTest, GsmCardAnnouncesResponseWith9F) {
    auto script = std::make_shared<ApduScript>("A0A40000023F00 => 0000 9000");
    ContactCard sim(kAtr, script);
    sim.SetGetResponseSw1(0x9F);
    ASSERT_TRUE(sim.Activate(SupplyClass::kC));
    EXPECT_EQ(sim.TransmitT0(Bytes{0xA0, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}),
              (Bytes{0xA4, 0x9F, 0x02}));
    EXPECT_EQ(sim.TransmitT0(Bytes{0xA0, 0xC0, 0x00, 0x00, 0x02}), (Bytes{0xC0, 0, 0, 0x90, 0x00}));
}

TEST(ContactCardTest, ActivationNeedsASupportedVoltageAndResetsTheApplication) {
    struct CountingApplication : ApduResponder {
        int resets = 0;
        void Reset() override { ++resets; }
        ApduAnswer Process(std::span<const std::uint8_t>) override { return {}; }
    };
    auto application = std::make_shared<CountingApplication>();
    ContactCard card(kAtr, application);
    card.SetSupplyClasses(static_cast<unsigned>(SupplyClass::kA) |
                          static_cast<unsigned>(SupplyClass::kB));
    EXPECT_FALSE(card.Activate(SupplyClass::kC));
    EXPECT_FALSE(card.active());
    EXPECT_TRUE(card.TransmitT0(Bytes{0x00, 0x84, 0x00, 0x00, 0x04}).empty());
    EXPECT_EQ(card.Activate(SupplyClass::kB), kAtr);
    EXPECT_TRUE(card.active());
    card.Deactivate();
    EXPECT_EQ(application->resets, 3);

    ContactCard mute(Bytes{}, application);
    EXPECT_FALSE(mute.Activate(SupplyClass::kA));
}

}  // namespace
}  // namespace sim
