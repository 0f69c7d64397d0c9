#include "sim/commands/mifare_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "sim/cards/apdu_script.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/sim_frames.h"

// The reader firmware's Mifare commands, driven with hand-built request frames.

namespace {

using sim_test::Answer;
using sim_test::Bytes;
using Card = sim::MifareClassicCard;

constexpr sim::FrameMask kMask = {0x11, 0x22, 0x33, 0x44};
const Bytes kUid = {0xC1, 0xC2, 0xC3, 0xC4};
const Bytes kFF6 = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class MifareFirmware : public ::testing::Test {
  public:
    MifareFirmware() {
        card = std::make_shared<Card>(Card::Size::k1K,
                                      std::array<std::uint8_t, 4>{0xC1, 0xC2, 0xC3, 0xC4});
        field.PresentTypeA(card);
    }

    Answer Send(std::uint8_t command, const Bytes& payload) {
        return sim_test::Exchange(reader, kMask, sequence++, command, payload);
    }
    // The failure code of a refused command, or -1 when it succeeded.
    int Code(std::uint8_t command, const Bytes& payload) {
        const Answer answer = Send(command, payload);
        return answer.status == 0 ? -1 : answer.payload.at(0);
    }
    void Activate() {
        ASSERT_EQ(Send(1, {0x52}).status, 0);
        ASSERT_EQ(Send(2, {}).status, 0);
        ASSERT_EQ(Send(3, kUid).status, 0);
    }

    sim::SimulatedReader reader;
    sim::CardField field;
    sim::MifareCommands mifare{reader, field};
    std::shared_ptr<Card> card;
    std::uint8_t sequence = 0;
};

TEST_F(MifareFirmware, ActivationAnswers) {
    Answer a = Send(1, {0x26});
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(a.payload, (Bytes{0x04, 0x00}));
    a = Send(2, {});
    EXPECT_EQ(a.payload, kUid);
    a = Send(3, kUid);
    EXPECT_EQ(a.payload, (Bytes{0x08}));
    a = Send(4, {0x60, 1});
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(a.payload, kUid);

    auto large = std::make_shared<Card>(Card::Size::k4K, std::array<std::uint8_t, 4>{1, 2, 3, 4});
    field.PresentTypeA(large);
    EXPECT_EQ(Send(1, {0x26}).payload, (Bytes{0x02, 0x00}));
    Send(2, {});
    EXPECT_EQ(Send(3, {1, 2, 3, 4}).payload, (Bytes{0x18}));
    EXPECT_EQ(Send(50, {0x52, 10, 0, 0}).payload, (Bytes{0x02, 0x00, 0x18, 1, 2, 3, 4}));
    EXPECT_EQ(mifare.Beeps(), (std::vector<std::uint16_t>{10}));
}

TEST_F(MifareFirmware, DoubleSizeUidEndsSelectedByTheAnticollision) {
    const Bytes uid = {0x04, 0x3C, 0x51, 0x6A, 0x72, 0x2E, 0x80};
    auto cpu = std::make_shared<sim::TypeACpuCard>(
        std::make_shared<sim::ApduScript>(), sim::AtsParameters{},
        std::array<std::uint8_t, 7>{0x04, 0x3C, 0x51, 0x6A, 0x72, 0x2E, 0x80});
    field.PresentTypeA(cpu);
    EXPECT_EQ(Send(1, {0x52}).payload, (Bytes{0x44, 0x03}));
    EXPECT_EQ(Send(2, {}).payload, uid);
    EXPECT_EQ(cpu->state(), sim::TypeACard::State::kActive);
    EXPECT_EQ(Code(3, {0x04, 0x3C, 0x51, 0x6A}), 8) << "no card is left to select";
    EXPECT_EQ(Send(50, {0x52, 0, 0, 0}).payload, Cat({0x44, 0x03, 0x20}, uid));
    EXPECT_EQ(cpu->state(), sim::TypeACard::State::kActive);
}

TEST_F(MifareFirmware, FailureCodes) {
    struct Row {
        const char* what;
        std::function<void(MifareFirmware&)> setUp;
        std::uint8_t command;
        Bytes payload;
        int code;
    };
    const Row rows[] = {
        {"request, no card", [](MifareFirmware& f) { f.field.RemoveTypeA(); }, 1, {0x26}, 6},
        {"request, reader on type B",
         [](MifareFirmware& f) { f.field.SetProtocol('B'); },
         1,
         {0x26},
         6},
        {"anticollision, no card", [](MifareFirmware& f) { f.field.RemoveTypeA(); }, 2, {}, 6},
        {"anticollision before a request", [](MifareFirmware&) {}, 2, {}, 7},
        {"select of another card",
         [](MifareFirmware& f) {
             f.Send(1, {0x26});
             f.Send(2, {});
         },
         3,
         {9, 9, 9, 9},
         8},
        {"card number, no card",
         [](MifareFirmware& f) { f.field.RemoveTypeA(); },
         50,
         {0x26, 0, 0, 0},
         6},
        {"authentication with a wrong key",
         [](MifareFirmware& f) {
             f.Activate();
             f.Send(10, Cat({0x60, 2}, {1, 2, 3, 4, 5, 6}));
         },
         4,
         {0x60, 2},
         9},
        {"authentication, sector 16 of a 1K card",
         [](MifareFirmware& f) { f.Activate(); },
         4,
         {0x60, 16},
         9},
        {"authentication with the key given, wrong", [](MifareFirmware& f) { f.Activate(); }, 46,
         Cat({0x61, 0}, {0, 0, 0, 0, 0, 0}), 9},
        {"read without authentication", [](MifareFirmware& f) { f.Activate(); }, 6, {4}, 9},
        {"read of another sector",
         [](MifareFirmware& f) {
             f.Activate();
             f.Send(4, {0x60, 0});
         },
         6,
         {4},
         9},
        {"read of a closed block",
         [](MifareFirmware& f) {
             f.card->SetTrailer(1, Card::kTransportKey, Card::EncodeAccess({7, 0, 0, 1}),
                                Card::kTransportKey);
             f.Activate();
             f.Send(4, {0x60, 1});
         },
         6,
         {4},
         11},
        {"write of a read-only block",
         [](MifareFirmware& f) {
             f.card->SetTrailer(1, Card::kTransportKey, Card::EncodeAccess({2, 0, 0, 1}),
                                Card::kTransportKey);
             f.Activate();
             f.Send(4, {0x60, 1});
         },
         7, Cat({4}, Bytes(16, 0xAB)), 12},
        {"write of the manufacturer block",
         [](MifareFirmware& f) {
             f.Activate();
             f.Send(4, {0x60, 0});
         },
         7, Cat({0}, Bytes(16, 0)), 12},
        {"write of 4 bytes to a Mifare block",
         [](MifareFirmware& f) {
             f.Activate();
             f.Send(4, {0x60, 1});
         },
         7,
         {4, 1, 2, 3, 4},
         12},
        {"increment of a block without a value",
         [](MifareFirmware& f) {
             f.Activate();
             f.Send(4, {0x60, 1});
         },
         8,
         {4, 1, 0, 0, 0},
         13},
        {"decrement of a block without a value",
         [](MifareFirmware& f) {
             f.Activate();
             f.Send(4, {0x60, 1});
         },
         9,
         {4, 1, 0, 0, 0},
         14},
        {"restore of a trailer",
         [](MifareFirmware& f) {
             f.Activate();
             f.Send(4, {0x60, 1});
         },
         12,
         {7},
         17},
        {"transfer without an operation",
         [](MifareFirmware& f) {
             f.Activate();
             f.Send(4, {0x60, 1});
         },
         13,
         {4},
         18},
        {"load key, sector 40", [](MifareFirmware&) {}, 10, Cat({0x60, 40}, Bytes(6, 0)), 15},
        {"load key, unknown key mode", [](MifareFirmware&) {}, 10, Cat({0x62, 1}, Bytes(6, 0)), 15},
        {"halt of no selected card", [](MifareFirmware&) {}, 5, {}, 10},
        {"block 0 on a genuine card", [](MifareFirmware& f) { f.Activate(); }, 37,
         Cat({0xC1, 0xC2, 0xC3, 0xC4, 0xC4}, Bytes(12, 0)), 12},
        {"unknown protocol letter", [](MifareFirmware&) {}, 20, {'D'}, 19},
        {"read with a missing block byte", [](MifareFirmware&) {}, 6, {}, 19},
        {"read data, block count 0", [](MifareFirmware&) {}, 51, Cat({0x26, 4, 0, 0, 0}, kFF6), 19},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        card = std::make_shared<Card>(Card::Size::k1K,
                                      std::array<std::uint8_t, 4>{0xC1, 0xC2, 0xC3, 0xC4});
        field.SetProtocol('A');
        field.PresentTypeA(card);
        row.setUp(*this);
        EXPECT_EQ(Code(row.command, row.payload), row.code);
    }
}

TEST_F(MifareFirmware, BlocksAndValues) {
    Activate();
    ASSERT_EQ(Send(10, Cat({0x60, 1}, kFF6)).status, 0);
    ASSERT_EQ(Send(4, {0x60, 1}).status, 0);
    const Bytes data = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    ASSERT_EQ(Send(7, Cat({5}, data)).status, 0);
    EXPECT_EQ(Send(6, {5}).payload, data);

    // Value block 10 in block 4 (the layout by hand): increment stores at once.
    const Bytes value10 = {10, 0, 0, 0, 0xF5, 0xFF, 0xFF, 0xFF, 10, 0, 0, 0, 4, 0xFB, 4, 0xFB};
    ASSERT_EQ(Send(7, Cat({4}, value10)).status, 0);
    ASSERT_EQ(Send(8, {4, 0xE8, 0x03, 0, 0}).status, 0);  // + 1000
    ASSERT_EQ(Send(9, {4, 1, 0, 0, 0}).status, 0);        // - 1
    const Bytes value1009 = {0xF1, 0x03, 0, 0, 0x0E, 0xFC, 0xFF, 0xFF,
                             0xF1, 0x03, 0, 0, 4,    0xFB, 4,    0xFB};
    EXPECT_EQ(Send(6, {4}).payload, value1009);
    // Backup copy into block 6.
    ASSERT_EQ(Send(12, {4}).status, 0);
    ASSERT_EQ(Send(13, {6}).status, 0);
    EXPECT_EQ(Send(6, {6}).payload, value1009);

    // The one-call read with its key and block count, and the write after it.
    ASSERT_EQ(Send(51, Cat({0x52, 4, 2, 0, 0x60}, kFF6)).payload,
              Cat(Cat({0x04, 0x00, 0x08, 0xC1, 0xC2, 0xC3, 0xC4}, value1009), data));
    ASSERT_EQ(Send(52, Cat({5, 10, 1}, Bytes(16, 0x5A))).status, 0);
    EXPECT_EQ(card->RawBlock(5), (Card::Block{0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A,
                                              0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A}));

    mifare.SetReaderBuffer({7, 8, 9});
    EXPECT_EQ(Send(41, {}).payload, (Bytes{7, 8, 9}));
    EXPECT_EQ(Send(41, {}).payload, Bytes{});
}

TEST_F(MifareFirmware, ProtocolLetterAndHalt) {
    Activate();
    ASSERT_EQ(Send(5, {}).status, 0);
    EXPECT_EQ(Code(1, {0x26}), 6) << "a halted card ignores REQA";
    EXPECT_EQ(Code(1, {0x52}), -1);
    ASSERT_EQ(Send(20, {'F'}).status, 0);
    EXPECT_EQ(field.protocol(), 'F');
    EXPECT_EQ(Code(1, {0x52}), 6);
    ASSERT_EQ(Send(20, {'A'}).status, 0);
    EXPECT_EQ(Code(1, {0x26}), -1) << "the field restart woke the card";
}

}  // namespace
