#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/cards/bank_card_application.h"
#include "sim/cards/card_field.h"
#include "sim/cards/contact_card.h"
#include "sim/cards/fuel_card_application.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/commands/cpu_card_commands.h"
#include "sim/commands/mifare_commands.h"
#include "sim/commands/sam_slot_commands.h"
#include "sim/device/sam_slots.h"
#include "sim_fixture/sim_tcp_bench.h"

// The CPU-card, bank and fuel-card exports against the simulated reader as a networked
// reader on 127.0.0.1.

namespace {

using Bytes = std::vector<std::uint8_t>;

struct BankAndFuelCards {
    BankAndFuelCards() {
        sim::BankCardData bank;
        bank.track2 = {0x62, 0x28, 0x48, 0x00, 0x31, 0x41, 0x59, 0x26, 0xD2, 0x71};
        field.PresentTypeA(
            std::make_shared<sim::TypeACpuCard>(std::make_shared<sim::BankCardApplication>(bank)));
        sim::FuelCardData fuel =
            sim::FuelCardApplication::Sinopec({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                                              {0x20, 0x24, 0x01, 0x01}, {0x20, 0x34, 0x01, 0x01});
        fuel.pin = {0x65, 0x43, 0x21};
        fuel.balance = 8800;
        fuel.records.push_back({0x00, 0x07});
        slots.Insert(0, std::make_shared<sim::ContactCard>(
                            Bytes{0x3B, 0x02, 0x14, 0x50},
                            std::make_shared<sim::FuelCardApplication>(fuel)));
    }

    sim::SimulatedReader reader;
    sim::CardField field;
    sim::MifareCommands mifare{reader, field};
    sim::CpuCardCommands cpu{reader, field};
    sim::SamSlots slots;
    sim::SamSlotCommands sam{reader, slots};
};
using NetworkReader = SimTcpBench<BankAndFuelCards>;

TEST(BankCardsOverTcp, BankCardInTheFieldAndFuelCardInTheSlot) {
    NetworkReader net;
    ASSERT_GT(net.handle, 0);
    KorviCardParam record{};
    ASSERT_EQ(KorviCardResetCpuCard(net.handle, &record), 1);
    EXPECT_EQ(record.nBufferSize, 5);
    char number[32] = {};
    ASSERT_EQ(KorviCardGetBankCardNo(net.handle, number, sizeof number), 1);
    EXPECT_STREQ(number, "6228480031415926");

    ASSERT_EQ(KorviCardSetSamSlotIndex(net.handle, 0), 1);
    ASSERT_EQ(KorviCardResetSam(net.handle, &record), 1);
    KorviCardSinopecCardParam card{};
    ASSERT_EQ(KorviCardGetSinopecCardInfo(net.handle, &card, "654321"), 1);
    EXPECT_EQ(card.arrCardNo[10], 11);
    EXPECT_EQ(card.nCardBalance, 8800);
    EXPECT_EQ(card.arrSinopecRecord[0].arrEtNo[1], 0x07);
    EXPECT_EQ(net.server.Connections(), 1);
}

}  // namespace
