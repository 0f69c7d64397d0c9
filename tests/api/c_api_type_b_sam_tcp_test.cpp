#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/card_field.h"
#include "sim/cards/contact_card.h"
#include "sim/cards/felica_card.h"
#include "sim/cards/ntag_tag.h"
#include "sim/cards/type_b_card.h"
#include "sim/commands/felica_commands.h"
#include "sim/commands/mifare_commands.h"
#include "sim/commands/nfc_buffer_commands.h"
#include "sim/commands/ntag_commands.h"
#include "sim/commands/sam_slot_commands.h"
#include "sim/commands/type_b_commands.h"
#include "sim/device/nfc_text_buffer.h"
#include "sim/device/sam_slots.h"
#include "sim_fixture/sim_tcp_bench.h"

// The type B, FeliCa, NFC buffer, NTAG21x and SAM slot exports against the simulated reader
// as a networked reader on 127.0.0.1.

namespace {

using Bytes = std::vector<std::uint8_t>;

// The simulated reader with every card of these families.
struct FamilyCards {
    FamilyCards() {
        typeB.Present(std::make_shared<sim::TypeBCard>());
        felica.Present(std::make_shared<sim::FelicaCard>());
        tag->SetPassword({'2', '4', '6', '8'}, {0x12, 0x34});
        field.PresentTypeA(tag);
        slots.Insert(2,
                     std::make_shared<sim::ContactCard>(
                         Bytes{0x3B, 0x02, 0x14, 0x50},
                         std::make_shared<sim::ApduScript>("0084000008 => 0102030405060708 9000")));
    }

    sim::SimulatedReader reader;
    sim::CardField field;
    sim::MifareCommands mifare{reader, field};
    sim::TypeBCommands typeB{reader, field};
    sim::FelicaCommands felica{reader, field};
    sim::NfcTextBuffer nfcBuffer;
    sim::NfcBufferCommands nfc{reader, nfcBuffer};
    sim::NtagCommands ntag{reader, field};
    sim::SamSlots slots;
    sim::SamSlotCommands sam{reader, slots};
    std::shared_ptr<sim::NtagTag> tag =
        std::make_shared<sim::NtagTag>(sim::NtagTag::Model::kNtag215);
};

// Served over TCP.
struct NetworkReader : SimTcpBench<FamilyCards> {
    void SetProtocol(char letter) {
        port.WithReader([&](sim::SimulatedReader&) { field.SetProtocol(letter); });
    }
};

TEST(TypeBSamOverTcp, TypeBFelicaNfcBufferAndNtagCommands) {
    NetworkReader net;
    ASSERT_GT(net.handle, 0);
    const int h = net.handle;
    KorviCardParam record{};

    net.SetProtocol('B');
    ASSERT_EQ(KorviCardRequestB(h, 0, &record), 1);
    EXPECT_EQ(record.nBufferSize, 12);
    EXPECT_EQ(record.arrBuffer[0], 0x50);
    ASSERT_EQ(KorviCardSelectB(h, &record), 1);
    ASSERT_EQ(KorviCardHaltB(h), 1);
    EXPECT_EQ(KorviCardSelectB(h, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), 8);
    EXPECT_EQ(net.TakeCommands(), (Bytes{27, 28, 29, 28}));

    net.SetProtocol('F');
    ASSERT_EQ(KorviCardFelicaPolling(h, 0, &record), 1);
    const sim::FelicaCard::Id idm = sim::FelicaCard().idm();
    EXPECT_EQ(Bytes(record.arrCardNo, record.arrCardNo + 8), Bytes(idm.begin(), idm.end()));

    net.SetProtocol('C');
    const char text[] = "\xE5\xA4\x84\xE5\xA4\x84";  // UTF-8 text
    ASSERT_EQ(KorviCardWriteNfcBuffer(h, text, 6), 1);
    char read[48];
    ASSERT_EQ(KorviCardReadNfcBuffer(h, read, sizeof read), 1);
    EXPECT_STREQ(read, text);

    net.SetProtocol('A');
    ASSERT_EQ(KorviCardRequest(h, 0x26, &record), 1);
    ASSERT_EQ(KorviCardAnticoll(h, &record), 1);
    unsigned char version[8] = {};
    ASSERT_EQ(KorviCardNtagGetVersion(h, version, sizeof version), 1);
    EXPECT_EQ(version[6], 0x11);  // NTAG215
    const unsigned char password[] = {'2', '4', '6', '8'};
    ASSERT_EQ(KorviCardNtagPwdAuth(h, password, 4), 1);
    EXPECT_EQ(net.TakeCommands(), (Bytes{21, 26, 25, 1, 2, 100, 103}));
    EXPECT_EQ(net.server.Connections(), 1);
}

TEST(TypeBSamOverTcp, SamSlotSession) {
    NetworkReader net;
    ASSERT_GT(net.handle, 0);
    const int h = net.handle;
    ASSERT_EQ(KorviCardSetSamSlotIndex(h, 2), 1);
    ASSERT_EQ(KorviCardSetSamVSel0(h, 2, 0), 1);
    ASSERT_EQ(KorviCardSetSamVSel1(h, 2, 1), 1);
    ASSERT_EQ(KorviCardSetSamPowerOnOff(h, 1), 1);
    KorviCardParam record{};
    ASSERT_EQ(KorviCardResetSam(h, &record), 1);
    EXPECT_EQ(Bytes(record.arrBuffer, record.arrBuffer + record.nBufferSize),
              (Bytes{0x3B, 0x02, 0x14, 0x50}));
    record = KorviCardParam{};
    const Bytes challenge = {0x00, 0x84, 0x00, 0x00, 0x08};
    std::memcpy(record.arrCosSendBuffer, challenge.data(), challenge.size());
    record.unCosSendBufferLength = static_cast<unsigned>(challenge.size());
    ASSERT_EQ(KorviCardSendSamAPDU(h, &record), 1);
    EXPECT_EQ(
        Bytes(record.arrCosResultBuffer, record.arrCosResultBuffer + record.unCosReultBufferLength),
        (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0x90, 0x00}));
    ASSERT_EQ(KorviCardSetSamPowerOnOff(h, 0), 1);
    EXPECT_EQ(KorviCardSendSamAPDU(h, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), 19);
    EXPECT_EQ(net.TakeCommands(), (Bytes{45, 230, 231, 42, 43, 44, 42, 44}));
}

}  // namespace
