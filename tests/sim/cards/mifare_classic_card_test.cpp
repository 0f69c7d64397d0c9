#include "sim/cards/mifare_classic_card.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace sim {
namespace {

using Card = MifareClassicCard;
using KeyType = Card::KeyType;

constexpr std::array<std::uint8_t, 4> kUid = {0xDE, 0xAD, 0xBE, 0xEF};
// ANTICOLLISION and SELECT of cascade level 1; the UID's BCC is DE ^ AD ^ BE ^ EF = 22.
constexpr std::array<std::uint8_t, 2> kAnticollision = {0x93, 0x20};
constexpr std::array<std::uint8_t, 7> kSelect = {0x93, 0x70, 0xDE, 0xAD, 0xBE, 0xEF, 0x22};
constexpr Card::Key kKeyA = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
constexpr Card::Key kKeyB = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};

// Request, anticollision and select, as a reader activates a card.
void Activate(Card& card) {
    card.PowerOn();
    ASSERT_TRUE(card.Request(TypeACard::kReqA));
    ASSERT_TRUE(card.Anticollision(kAnticollision));
    ASSERT_TRUE(card.Select(kSelect));
}

Card::Block Pattern(std::uint8_t first) {
    Card::Block block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(first + i);
    }
    return block;
}

TEST(MifareClassicCardTest, GeometryOfBothSizes) {
    struct Row {
        int sector, first, trailer;
    };
    const Row rows[] = {{0, 0, 3},      {5, 20, 23},    {15, 60, 63},  {31, 124, 127},
                        {32, 128, 143}, {33, 144, 159}, {39, 240, 255}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sector);
        EXPECT_EQ(Card::FirstBlock(row.sector), row.first);
        EXPECT_EQ(Card::TrailerBlock(row.sector), row.trailer);
        EXPECT_EQ(Card::SectorOfBlock(row.first), row.sector);
        EXPECT_EQ(Card::SectorOfBlock(row.trailer), row.sector);
    }
    Card small(Card::Size::k1K, kUid);
    Card large(Card::Size::k4K, kUid);
    EXPECT_EQ(small.SectorCount(), 16);
    EXPECT_EQ(large.SectorCount(), 40);
    EXPECT_EQ(small.Atqa(), 0x0004);
    EXPECT_EQ(large.Atqa(), 0x0002);
    EXPECT_EQ(small.Sak(), 0x08);
    EXPECT_EQ(large.Sak(), 0x18);
    // Manufacturer block: UID, BCC, SAK, ATQA low byte first.
    const Card::Block& block0 = small.RawBlock(0);
    EXPECT_EQ(block0[4], 0xDE ^ 0xAD ^ 0xBE ^ 0xEF);
    EXPECT_EQ(block0[5], 0x08);
    EXPECT_EQ(block0[6], 0x04);
    EXPECT_EQ(block0[7], 0x00);
    // Every trailer of a fresh card: FF keys, access FF 07 80 69.
    const Card::Block& trailer = large.RawBlock(255);
    EXPECT_EQ(trailer, (Card::Block{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x80, 0x69,
                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(MifareClassicCardTest, AccessByteEncoding) {
    EXPECT_EQ(Card::EncodeAccess({0, 0, 0, 1}),
              (std::array<std::uint8_t, 4>{0xFF, 0x07, 0x80, 0x69}));
    // Data blocks open, trailer written with key B only.
    const std::array<std::uint8_t, 3> keyBTrailer = {0x7F, 0x07, 0x88};
    EXPECT_EQ(Card::DecodeAccess(keyBTrailer), (std::array<std::uint8_t, 4>{0, 0, 0, 3}));
    const std::array<std::uint8_t, 3> broken = {0xFF, 0x07, 0x88};
    EXPECT_FALSE(Card::DecodeAccess(broken));
}

TEST(MifareClassicCardTest, ActivationStates) {
    Card card(Card::Size::k1K, kUid);
    card.PowerOn();
    EXPECT_FALSE(card.Anticollision(kAnticollision)) << "an idle card takes no anticollision";
    EXPECT_FALSE(card.Request(0x30)) << "unknown request codes get no answer";
    ASSERT_TRUE(card.Request(TypeACard::kReqA));
    EXPECT_EQ(card.Anticollision(kAnticollision),
              (TypeACard::UidCln{0xDE, 0xAD, 0xBE, 0xEF, 0x22}));
    EXPECT_EQ(card.state(), TypeACard::State::kReady) << "a 4-byte UID still needs a select";
    const std::array<std::uint8_t, 7> other = {0x93, 0x70, 1, 2, 3, 4, 4};
    EXPECT_FALSE(card.Select(other));
    EXPECT_EQ(card.Select(kSelect), 0x08);
    ASSERT_TRUE(card.Halt());
    EXPECT_FALSE(card.Request(TypeACard::kReqA)) << "a halted card ignores REQA";
    EXPECT_TRUE(card.Request(TypeACard::kWupA));
}

TEST(MifareClassicCardTest, AuthenticationGuardsEverySector) {
    Card card(Card::Size::k1K, kUid);
    card.SetTrailer(1, kKeyA, Card::kTransportAccess, kKeyB);
    card.SetRawBlock(4, Pattern(0x40));
    Card::Block out{};

    EXPECT_EQ(card.Read(4, out), CardStatus::kNoAnswer) << "not selected yet";
    Activate(card);
    EXPECT_EQ(card.Read(4, out), CardStatus::kNotAuthenticated);
    EXPECT_EQ(card.state(), TypeACard::State::kIdle) << "a refused command ends the session";

    Activate(card);
    EXPECT_EQ(card.Authenticate(KeyType::kA, 4, Card::kTransportKey),
              CardStatus::kNotAuthenticated);
    EXPECT_EQ(card.state(), TypeACard::State::kIdle);

    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 7, kKeyA), CardStatus::kOk);
    EXPECT_EQ(card.AuthenticatedSector(), 1);
    ASSERT_EQ(card.Read(4, out), CardStatus::kOk);
    EXPECT_EQ(out, Pattern(0x40));
    EXPECT_EQ(card.Read(8, out), CardStatus::kNotAuthenticated) << "sector 2 needs its own";

    Activate(card);
    EXPECT_EQ(card.Authenticate(KeyType::kA, 64, kKeyA), CardStatus::kOutOfRange)
        << "a 1K card has no block 64";
}

// The data-block table of the Mifare Classic datasheet, per condition C1C2C3 and
// operation: which key may do it ("AB", "A", "B" or "-"). The trailer is set to
// condition 011 so that key B serves for authentication.
TEST(MifareClassicCardTest, DataBlockAccessConditions) {
    struct Row {
        std::uint8_t condition;
        const char* read;
        const char* write;
        const char* increment;
        const char* decrement;
    };
    const Row rows[] = {
        {0b000, "AB", "AB", "AB", "AB"}, {0b010, "AB", "-", "-", "-"},
        {0b100, "AB", "B", "-", "-"},    {0b110, "AB", "B", "B", "AB"},
        {0b001, "AB", "-", "-", "AB"},   {0b011, "B", "B", "-", "-"},
        {0b101, "B", "-", "-", "-"},     {0b111, "-", "-", "-", "-"},
    };
    const auto allows = [](const char* keys, KeyType type) {
        return std::string(keys).find(type == KeyType::kA ? 'A' : 'B') != std::string::npos;
    };
    for (const Row& row : rows) {
        for (KeyType type : {KeyType::kA, KeyType::kB}) {
            SCOPED_TRACE(testing::Message() << "condition " << int(row.condition) << " key "
                                            << (type == KeyType::kA ? 'A' : 'B'));
            const Card::Key& key = type == KeyType::kA ? kKeyA : kKeyB;
            const auto attempt = [&](auto&& op) {
                Card card(Card::Size::k1K, kUid);
                card.SetTrailer(2, kKeyA, Card::EncodeAccess({row.condition, 0, 0, 0b011}), kKeyB);
                card.SetRawBlock(8, Card::MakeValueBlock(100, 8));
                Activate(card);
                EXPECT_EQ(card.Authenticate(type, 8, key), CardStatus::kOk);
                return op(card) == CardStatus::kOk;
            };
            Card::Block out{};
            const Card::Block data = Card::MakeValueBlock(5, 8);
            EXPECT_EQ(attempt([&](Card& c) { return c.Read(8, out); }), allows(row.read, type));
            EXPECT_EQ(attempt([&](Card& c) { return c.Write(8, data); }), allows(row.write, type));
            EXPECT_EQ(attempt([&](Card& c) { return c.Increment(8, 1); }),
                      allows(row.increment, type));
            EXPECT_EQ(attempt([&](Card& c) { return c.Decrement(8, 1); }),
                      allows(row.decrement, type));
        }
    }
}

TEST(MifareClassicCardTest, KeyBThatCanBeReadGrantsNothing) {
    Card card(Card::Size::k1K, kUid);
    card.SetTrailer(3, kKeyA, Card::kTransportAccess, kKeyB);  // trailer 001: key B readable
    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kB, 12, kKeyB), CardStatus::kOk);
    Card::Block out{};
    EXPECT_EQ(card.Read(12, out), CardStatus::kDenied);
}

TEST(MifareClassicCardTest, TrailerReadsAndWrites) {
    Card card(Card::Size::k1K, kUid);
    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 23, Card::kTransportKey), CardStatus::kOk);
    Card::Block out{};
    ASSERT_EQ(card.Read(23, out), CardStatus::kOk);
    EXPECT_EQ(out, (Card::Block{0, 0, 0, 0, 0, 0, 0xFF, 0x07, 0x80, 0x69, 0xFF, 0xFF, 0xFF, 0xFF,
                                0xFF, 0xFF}))
        << "key A never reads back; key B is readable under the transport conditions";

    // Malformed access bytes would lock the sector: refused, nothing changes.
    Card::Block bad{};
    std::copy(kKeyA.begin(), kKeyA.end(), bad.begin());
    bad[6] = 0xFF, bad[7] = 0x07, bad[8] = 0x88, bad[9] = 0x00;
    EXPECT_EQ(card.Write(23, bad), CardStatus::kDenied);
    EXPECT_EQ(card.RawBlock(23)[0], 0xFF);

    // New keys with the trailer written by key B only from now on.
    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 23, Card::kTransportKey), CardStatus::kOk);
    Card::Block next{};
    std::copy(kKeyA.begin(), kKeyA.end(), next.begin());
    next[6] = 0x7F, next[7] = 0x07, next[8] = 0x88, next[9] = 0x00;
    std::copy(kKeyB.begin(), kKeyB.end(), next.begin() + 10);
    ASSERT_EQ(card.Write(23, next), CardStatus::kOk);
    EXPECT_EQ(card.RawBlock(23), next);

    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 23, kKeyA), CardStatus::kOk);
    EXPECT_EQ(card.Write(23, next), CardStatus::kDenied) << "key A may no longer write it";
    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kB, 23, kKeyB), CardStatus::kOk);
    EXPECT_EQ(card.Write(23, next), CardStatus::kOk);
    EXPECT_EQ(card.Write(20, Pattern(1)), CardStatus::kOk) << "data blocks stay open";

    // Condition 100 lets key B write the keys but not the access bytes.
    Card partial(Card::Size::k1K, kUid);
    partial.SetTrailer(1, kKeyA, Card::EncodeAccess({0, 0, 0, 0b100}), kKeyB);
    Activate(partial);
    ASSERT_EQ(partial.Authenticate(KeyType::kB, 7, kKeyB), CardStatus::kOk);
    Card::Block attempt = Pattern(0x10);
    ASSERT_EQ(partial.Write(7, attempt), CardStatus::kOk);
    const Card::Block& stored = partial.RawBlock(7);
    EXPECT_TRUE(std::equal(stored.begin(), stored.begin() + 6, attempt.begin()));
    EXPECT_EQ(stored[6], Card::EncodeAccess({0, 0, 0, 0b100})[0]) << "access bytes kept";
    EXPECT_TRUE(std::equal(stored.begin() + 10, stored.end(), attempt.begin() + 10));
}

TEST(MifareClassicCardTest, ValueBlockOperations) {
    Card card(Card::Size::k1K, kUid);
    card.SetRawBlock(5, Card::MakeValueBlock(10, 5));
    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 5, Card::kTransportKey), CardStatus::kOk);

    ASSERT_EQ(card.Increment(5, 1000), CardStatus::kOk);
    EXPECT_EQ(Card::ParseValueBlock(card.RawBlock(5)), 10) << "nothing stored before transfer";
    ASSERT_EQ(card.Transfer(5), CardStatus::kOk);
    EXPECT_EQ(Card::ParseValueBlock(card.RawBlock(5)), 1010);
    EXPECT_EQ(card.Transfer(5), CardStatus::kNoTransferPending) << "one transfer per operation";

    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 5, Card::kTransportKey), CardStatus::kOk);
    ASSERT_EQ(card.Decrement(5, 11), CardStatus::kOk);
    ASSERT_EQ(card.Transfer(5), CardStatus::kOk);
    EXPECT_EQ(Card::ParseValueBlock(card.RawBlock(5)), 999);

    // Backup copy: restore block 5, transfer into block 6; the address byte travels along.
    ASSERT_EQ(card.Restore(5), CardStatus::kOk);
    ASSERT_EQ(card.Transfer(6), CardStatus::kOk);
    EXPECT_EQ(card.RawBlock(6), Card::MakeValueBlock(999, 5));

    // Any other command drops a pending operation.
    ASSERT_EQ(card.Increment(5, 1), CardStatus::kOk);
    Card::Block out{};
    ASSERT_EQ(card.Read(4, out), CardStatus::kOk);
    EXPECT_EQ(card.Transfer(5), CardStatus::kNoTransferPending);

    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 5, Card::kTransportKey), CardStatus::kOk);
    EXPECT_EQ(card.Increment(4, 1), CardStatus::kBadValue) << "block 4 is no value block";
    Activate(card);
    card.SetRawBlock(5, Card::MakeValueBlock(0x7FFFFFFF, 5));
    ASSERT_EQ(card.Authenticate(KeyType::kA, 5, Card::kTransportKey), CardStatus::kOk);
    EXPECT_EQ(card.Increment(5, 1), CardStatus::kBadValue) << "overflow";
    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 5, Card::kTransportKey), CardStatus::kOk);
    EXPECT_EQ(card.Increment(7, 1), CardStatus::kDenied) << "the trailer holds no value";
}

TEST(MifareClassicCardTest, ManufacturerBlockRules) {
    Card card(Card::Size::k1K, kUid);
    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 0, Card::kTransportKey), CardStatus::kOk);
    EXPECT_EQ(card.Write(0, Pattern(0)), CardStatus::kDenied);

    std::array<std::uint8_t, 17> block0{0x11, 0x22, 0x33, 0x44, 0x11 ^ 0x22 ^ 0x33 ^ 0x44, 0x08};
    Activate(card);
    EXPECT_EQ(card.WriteManufacturerBlock(block0), CardStatus::kDenied) << "genuine card";

    card.SetBlock0Writable(true);
    Activate(card);
    std::array<std::uint8_t, 17> badCheck = block0;
    badCheck[4] ^= 1;
    EXPECT_EQ(card.WriteManufacturerBlock(badCheck), CardStatus::kDenied);
    Activate(card);
    ASSERT_EQ(card.WriteManufacturerBlock(block0), CardStatus::kOk);
    EXPECT_EQ(card.Uid(), (std::vector<std::uint8_t>{0x11, 0x22, 0x33, 0x44}));
}

TEST(MifareClassicCardTest, LargeSectorsUseGroupsOfFiveBlocks) {
    Card card(Card::Size::k4K, kUid);
    // Sector 32: blocks 128-132 open, 133-137 read-only, 138-142 closed.
    card.SetTrailer(32, kKeyA, Card::EncodeAccess({0b000, 0b010, 0b111, 0b001}), kKeyB);
    struct Row {
        std::uint8_t block;
        bool readable, writable;
    };
    const Row rows[] = {{128, true, true},  {132, true, true},   {133, true, false},
                        {137, true, false}, {138, false, false}, {142, false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.block));
        Card::Block out{};
        Activate(card);
        ASSERT_EQ(card.Authenticate(KeyType::kA, row.block, kKeyA), CardStatus::kOk);
        EXPECT_EQ(card.Read(row.block, out) == CardStatus::kOk, row.readable);
        Activate(card);
        ASSERT_EQ(card.Authenticate(KeyType::kA, row.block, kKeyA), CardStatus::kOk);
        EXPECT_EQ(card.Write(row.block, Pattern(1)) == CardStatus::kOk, row.writable);
    }
    Card::Block out{};
    Activate(card);
    ASSERT_EQ(card.Authenticate(KeyType::kA, 255, Card::kTransportKey), CardStatus::kOk);
    EXPECT_EQ(card.Read(255, out), CardStatus::kOk) << "sector 39 exists on a 4K card";
    EXPECT_EQ(card.Write(255, std::array<std::uint8_t, 4>{}), CardStatus::kBadLength);
}

}  // namespace
}  // namespace sim
