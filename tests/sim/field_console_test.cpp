#include "sim/field_console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The card lines of korvicard-sim's standard input: which lines place cards, and how input
// that is no line of the console is answered without touching the field.

namespace {

using sim::FieldCard;

class FieldConsoleTest : public ::testing::Test {
  public:
    std::vector<std::vector<FieldCard>> placed;
    sim::FieldConsole console{
        {FieldCard::kMifare1K, FieldCard::kTypeB},
        [this](const std::vector<FieldCard>& cards) { placed.push_back(cards); }};
};

// The answer to a refused line: the reason, the names, what the field holds.
std::string Refused(const std::string& reason, const std::string& field) {
    return "refused: " + reason +
           "; the names: mifare1k mifare4k ntag213 ntag215 ntag216 typeb cpu fm1208issued "
           "transit bank desfire felica none; in the field: " +
           field + "\n";
}

TEST_F(FieldConsoleTest, HintNamesTheCardsAndTheField) {
    EXPECT_EQ(console.Hint(),
              "Type `card NAME…` here to place cards (card none empties the field); the names: "
              "mifare1k mifare4k ntag213 ntag215 ntag216 typeb cpu fm1208issued transit bank "
              "desfire felica none; in the field: mifare1k, typeb\n");
}

TEST_F(FieldConsoleTest, OnlyAcceptedLinesPlaceCards) {
    EXPECT_EQ(console.Take("\n \t\r\ncard felica ntag216\ncard ntag216 ntag213\nca"),
              "in the field: felica, ntag216\n" +
                  Refused("ntag216 and ntag213 are both type A cards: the field holds one card "
                          "per protocol (type A, type B, FeliCa)",
                          "felica, ntag216"));
    EXPECT_EQ(console.Take("rd no"), "");
    EXPECT_EQ(console.Take("ne\ncard none none\n"),
              "in the field: no card\n" + Refused("none cannot go with a card", "no card"));
    EXPECT_EQ(console.Finish(), "");
    EXPECT_EQ(placed,
              (std::vector<std::vector<FieldCard>>{{FieldCard::kFelica, FieldCard::kNtag216}, {}}));
}

TEST_F(FieldConsoleTest, AnOverlongLineIsRefusedWholeAndTheNextOneCounts) {
    const std::string overlong = "card " + std::string(1020, 'x') + " cpu\n";
    EXPECT_EQ(console.Take(overlong.substr(0, 600)), "");
    EXPECT_EQ(console.Take(overlong.substr(600) + "card cpu\n"),
              Refused("a line longer than 1024 bytes", "mifare1k, typeb") + "in the field: cpu\n");
    EXPECT_EQ(console.Take(std::string(3000, 'y')), "");
    EXPECT_EQ(console.Finish(), Refused("a line longer than 1024 bytes", "cpu"));
    EXPECT_EQ(placed, (std::vector<std::vector<FieldCard>>{{FieldCard::kCpu}}));
}

}  // namespace
