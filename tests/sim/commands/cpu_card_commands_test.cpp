#include "sim/commands/cpu_card_commands.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/protocol/error_codes.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/commands/mifare_commands.h"
#include "sim/commands/type_b_commands.h"
#include "sim/sim_frames.h"

// The reader firmware's command 14, driven with hand-built request frames.

namespace {

using sim_test::Bytes;

constexpr sim::FrameMask kMask = {0x5A, 0x01, 0xC3, 0x7E};
constexpr int kOk = -1;

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes LengthForm(const Bytes& frame) {
    return Cat(
        {static_cast<std::uint8_t>(frame.size() >> 8), static_cast<std::uint8_t>(frame.size())},
        frame);
}

Bytes ModeForm(std::uint8_t mode, const Bytes& bytes) {
    return Cat({mode, static_cast<std::uint8_t>(bytes.size())}, bytes);
}

class CpuCardFirmware : public ::testing::Test {
  public:
    CpuCardFirmware() {
        application = std::make_shared<sim::ApduScript>(
            "00A4040007A0000000031010 => 6F048402AABB 9000\n"
            "00B0*                    => " +
            std::string(600, 'C') + " 9000\n");
    }

    // Reply payload of command 14, or the failure code in `code`.
    Bytes Send(const Bytes& payload, int& code) {
        return Exchange(sim::CpuCardCommands::kCommand, payload, code);
    }
    Bytes Exchange(std::uint8_t command, const Bytes& payload, int& code) {
        const sim_test::Answer answer =
            sim_test::Exchange(reader, kMask, sequence++, command, payload);
        code = 0;
        if (answer.status == 0xFF) return {};
        code = answer.status == 0 ? kOk : answer.payload.at(0);
        return answer.payload;
    }
    std::shared_ptr<sim::TypeACpuCard> PresentTypeA(sim::AtsParameters ats = {}) {
        auto card = std::make_shared<sim::TypeACpuCard>(application, ats);
        field.PresentTypeA(card);
        int code = 0;
        Exchange(1, {0x26}, code);
        Exchange(2, {}, code);
        Exchange(3, card->Uid(), code);
        EXPECT_EQ(code, kOk);
        return card;
    }

    sim::SimulatedReader reader;
    sim::CardField field;
    sim::MifareCommands typeA{reader, field};
    sim::TypeBCommands typeB{reader, field};
    sim::CpuCardCommands cpu{reader, field};
    std::shared_ptr<sim::ApduScript> application;
    std::uint8_t sequence = 0;
};

TEST_F(CpuCardFirmware, FramesPassToTheSelectedCardAsTheyAre) {
    PresentTypeA();
    int code = 0;
    EXPECT_EQ(Send(LengthForm({0xE0, 0x50}), code), (Bytes{0x05, 0x78, 0x00, 0x70, 0x02}));
    EXPECT_EQ(code, kOk);
    const Bytes select = {0x00, 0xA4, 0x04, 0x00, 0x07, 0xA0, 0x00, 0x00, 0x00, 0x03, 0x10, 0x10};
    EXPECT_EQ(Send(LengthForm(Cat({0x02}, select)), code),
              (Bytes{0x02, 0x6F, 0x04, 0x84, 0x02, 0xAA, 0xBB, 0x90, 0x00}));
    EXPECT_EQ(Send(ModeForm(4, {0xC2}), code), Bytes{0xC2}) << "mode 4: a frame";
    Send(ModeForm(4, {0xC2}), code);
    EXPECT_EQ(code, LCEC_SEND_COMMAND) << "a deselected card is silent";
    EXPECT_EQ(cpu.Frames().size(), 4u);
}

TEST_F(CpuCardFirmware, OtherModesCarryAnApduOverTheReadersOwnProtocol) {
    // FSC 32: the reader chains a 40-byte command; the card's FSD 256 lets 200 bytes back
    // in one block.
    auto card = PresentTypeA({2, std::nullopt, std::nullopt, std::nullopt, {}});
    application->Add(Cat({0x80, 0xE2, 0x00, 0x00, 0x23}, Bytes(35, 0x11)),
                     {Bytes(200, 0x22), 0x90, 0x00});
    int code = 0;
    const Bytes apdu = Cat({0x80, 0xE2, 0x00, 0x00, 0x23}, Bytes(35, 0x11));
    EXPECT_EQ(Send(ModeForm(7, apdu), code), Cat(Bytes(200, 0x22), {0x90, 0x00}));
    EXPECT_EQ(code, kOk);
    ASSERT_EQ(card->picc().apdus().size(), 1u);
    EXPECT_EQ(card->picc().apdus()[0], apdu);
    EXPECT_EQ(card->picc().framesReceived().front(), (Bytes{0xE0, 0x80})) << "RATS by the reader";
    EXPECT_EQ(card->picc().framesReceived().size(), 3u) << "RATS and two chained blocks";

    card->picc().SetWtxRequests(2);
    Send(ModeForm(100, {0x00, 0xB0, 0x00, 0x00, 0x10}), code);
    EXPECT_EQ(code, LCEC_SEND_COMMAND) << "a response past one reply";
}

TEST_F(CpuCardFirmware, TheTypeBCardIsReachedAfterAttribAndLeftAfterHalt) {
    auto card = std::make_shared<sim::TypeBCard>();
    card->SetApplication(application);
    typeB.Present(card);
    cpu.PresentTypeB(card);
    int code = 0;
    Exchange(20, {'B'}, code);
    const Bytes select = {0x00, 0xA4, 0x04, 0x00, 0x07, 0xA0, 0x00, 0x00, 0x00, 0x03, 0x10, 0x10};
    Send(ModeForm(7, select), code);
    EXPECT_EQ(code, LCEC_SEND_COMMAND) << "not active yet";
    Exchange(27, {0x00}, code);
    Exchange(28, {}, code);
    ASSERT_EQ(code, kOk);
    EXPECT_EQ(Send(ModeForm(7, select), code),
              (Bytes{0x6F, 0x04, 0x84, 0x02, 0xAA, 0xBB, 0x90, 0x00}));
    EXPECT_EQ(Send(ModeForm(7, select), code).size(), 8u);
    Exchange(29, {}, code);
    Send(ModeForm(7, select), code);
    EXPECT_EQ(code, LCEC_SEND_COMMAND);
}

TEST_F(CpuCardFirmware, MalformedRequestsAndAnEmptyFieldFail) {
    int code = 0;
    Send(LengthForm({0x02, 0x00}), code);
    EXPECT_EQ(code, LCEC_SEND_COMMAND) << "no card";
    PresentTypeA();
    const Bytes malformed[] = {{}, {0x00, 0x05}, {0x00, 0x05, 0x02}, {0x07, 0x09, 0x00, 0xB0}};
    for (const Bytes& payload : malformed) {
        Send(payload, code);
        EXPECT_EQ(code, LCEC_SEND_COMMAND);
    }
}

}  // namespace
