#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/cards/card_field.h"
#include "sim/cards/mifare_classic_card.h"
#include "sim/commands/mifare_commands.h"
#include "sim_fixture/sim_tcp_bench.h"

// The Mifare exports against the simulated reader as a networked reader on 127.0.0.1.

namespace {

using Bytes = std::vector<std::uint8_t>;
using Card = sim::MifareClassicCard;

struct MifareModel {
    MifareModel() { field.PresentTypeA(card); }

    sim::SimulatedReader reader;
    sim::CardField field;
    sim::MifareCommands mifare{reader, field};
    std::shared_ptr<Card> card = std::make_shared<Card>(
        Card::Size::k4K, std::array<std::uint8_t, 4>{0x0A, 0x0B, 0x0C, 0x0D});
};

struct NetworkReader : SimTcpBench<MifareModel> {
    Card::Block Block(int block) {
        return port.WithReader([&](sim::SimulatedReader&) { return card->RawBlock(block); });
    }
};

TEST(CApiMifareTcp, ASectorSessionOverTheNetwork) {
    NetworkReader net;
    ASSERT_GT(net.handle, 0);
    KorviCardParam record{};
    std::memset(record.arrKeys, 0xFF, 6);

    ASSERT_EQ(KorviCardBeep(net.handle, 10), 1);
    ASSERT_EQ(KorviCardGetCardNo(net.handle, 0x52, &record), 1);
    EXPECT_EQ(record.nCardType, 2);
    EXPECT_EQ(Bytes(record.arrCardNo, record.arrCardNo + 4), (Bytes{0x0A, 0x0B, 0x0C, 0x0D}));
    ASSERT_EQ(KorviCardLoadKey(net.handle, 0x60, 33, &record), 1);
    ASSERT_EQ(KorviCardAuthentication(net.handle, 0x60, 33, &record), 1);
    EXPECT_EQ(net.TakeCommands(), (Bytes{11, 1, 2, 3, 10, 4}));

    // Sector 33: blocks 144-159. Text, a value block, then new keys.
    ASSERT_EQ(KorviCardWriteText(net.handle, 33, "networked reader", 16), 1);
    char text[32] = {};
    ASSERT_EQ(KorviCardReadText(net.handle, 33, text, sizeof text), 1);
    EXPECT_STREQ(text, "networked reader");
    ASSERT_EQ(KorviCardInitValue(net.handle, 150, 100), 1);
    ASSERT_EQ(KorviCardDecrement(net.handle, 150, 30), 1);
    EXPECT_EQ(Card::ParseValueBlock(net.Block(150)), 70);
    ASSERT_EQ(KorviCardChangePassword(net.handle, 33, "112233445566", "AABBCCDDEEFF"), 1);
    EXPECT_EQ(net.TakeCommands(), (Bytes{7, 7, 6, 6, 7, 9, 7}));
    EXPECT_EQ(net.Block(159)[0], 0x11);

    // The old key no longer opens the sector: the reader's code 9 comes back over TCP.
    ASSERT_EQ(KorviCardGetCardNo(net.handle, 0x52, &record), 1);
    EXPECT_EQ(KorviCardAuthentication(net.handle, 0x60, 33, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(net.handle), 9);
    ASSERT_EQ(KorviCardGetCardNo(net.handle, 0x52, &record), 1);
    const std::uint8_t newKeyA[6] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    std::memcpy(record.arrKeys, newKeyA, 6);
    EXPECT_EQ(KorviCardAuthenticationWithPassword(net.handle, 0x60, 33, &record), 1);
    EXPECT_EQ(KorviCardRead(net.handle, 150, &record), 1);
    EXPECT_EQ(KorviCardHalt(net.handle), 1);
    EXPECT_EQ(KorviCardGetErrorCode(net.handle), 0);
}

}  // namespace
