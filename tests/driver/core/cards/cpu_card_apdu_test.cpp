#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/type_b_card.h"
#include "sim/commands/cpu_card_commands.h"
#include "sim/commands/type_b_commands.h"
#include "sim_fixture/sim_card_bench.h"

// The identity card's type B reads and the checked CPU command of a session, against a
// simulated type B card reached by the reader's own ISO 14443-4 protocol.

namespace {

using Bytes = std::vector<std::uint8_t>;

int callbacks = 0;
void CountCallback(int, int, int, int) { ++callbacks; }

Bytes Counting(std::size_t count, std::uint8_t first) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

class IdCardReads : public ::testing::Test {
  protected:
    IdCardReads() {
        application->Add({0x00, 0x36, 0x00, 0x00, 0x08}, {Counting(8, 0x11), 0x90, 0x00});
        application->Add({0x00, 0xA4, 0x00, 0x00, 0x02, 0x60, 0x02},
                         sim::ApduAnswer::Status(0x90, 0x00));
        application->Add({0x80, 0xB0, 0x00, 0x00, 0x20}, {Counting(32, 0x40), 0x90, 0x00});
        card->SetApplication(application);
        typeB.Present(card);
        cpu.PresentTypeB(card);
        bench.field.SetProtocol('B');
        bench.session.SetIdCallBack(CountCallback);
        callbacks = 0;
    }

    SimSessionBench bench;
    sim::TypeBCommands typeB{bench.reader, bench.field};
    sim::CpuCardCommands cpu{bench.reader, bench.field};
    std::shared_ptr<sim::TypeBCard> card = std::make_shared<sim::TypeBCard>();
    std::shared_ptr<sim::ApduScript> application = std::make_shared<sim::ApduScript>();
};

TEST_F(IdCardReads, UidThroughRequestAttribAndOneApdu) {
    std::uint8_t uid[32] = {};
    int length = sizeof uid;
    ASSERT_TRUE(bench.session.ReadIdCardUid(uid, &length));
    EXPECT_EQ(length, 8);
    EXPECT_EQ(Bytes(uid, uid + 8), Counting(8, 0x11));
    EXPECT_EQ(bench.Commands(), (Bytes{27, 28, 14}));
    EXPECT_EQ(bench.LastPayload(), (Bytes{0x07, 0x05, 0x00, 0x36, 0x00, 0x00, 0x08}));
    EXPECT_EQ(callbacks, 1);
}

TEST_F(IdCardReads, UidFailuresLeaveTheirIdentityCardCodes) {
    std::uint8_t uid[32] = {};
    int length = 31;
    EXPECT_FALSE(bench.session.ReadIdCardUid(uid, &length));
    EXPECT_TRUE(bench.reader.Requests().empty());

    length = 32;
    card->SetApplication(std::make_shared<sim::ApduScript>("0036000008 => 6A82"));
    EXPECT_FALSE(bench.session.ReadIdCardUid(uid, &length));
    EXPECT_EQ(bench.session.GetTwoIdErrorCode(), 5);
    EXPECT_EQ(callbacks, 1);

    bench.field.SetProtocol('A');
    EXPECT_FALSE(bench.session.ReadIdCardUid(uid, &length));
    EXPECT_EQ(bench.session.GetTwoIdErrorCode(), 2);
}

TEST_F(IdCardReads, DnNumberThroughSelectAndRead) {
    KorviCardParam record{};
    ASSERT_TRUE(bench.session.RequestB(0, &record));
    ASSERT_TRUE(bench.session.SelectB(&record));
    std::uint8_t dn[40] = {};
    int length = sizeof dn;
    ASSERT_TRUE(bench.session.ReadIdCardDnNo(dn, &length));
    EXPECT_EQ(length, 32);
    EXPECT_EQ(Bytes(dn, dn + 32), Counting(32, 0x40));

    card->SetApplication(std::make_shared<sim::ApduScript>("00A40000026002 => 6A82"));
    ASSERT_TRUE(bench.session.RequestB(0, &record));
    ASSERT_TRUE(bench.session.SelectB(&record));
    EXPECT_FALSE(bench.session.ReadIdCardDnNo(dn, &length));
    EXPECT_EQ(bench.session.GetTwoIdErrorCode(), 55);
}

TEST_F(IdCardReads, CheckedCpuCommandNeedsNinetyZeroZero) {
    KorviCardParam record{};
    ASSERT_TRUE(bench.session.RequestB(0, &record));
    ASSERT_TRUE(bench.session.SelectB(&record));
    const Bytes apdu = {0x00, 0x36, 0x00, 0x00, 0x08};
    KorviCardParam command{};
    std::memcpy(command.arrBuffer, apdu.data(), apdu.size());
    command.nBufferSize = 5;
    EXPECT_TRUE(bench.session.SendCpuApduCheckSw(&command));
    EXPECT_EQ(bench.LastPayload()[0], 5) << "the command's length as the mode";
    const Bytes other = {0x00, 0xB0, 0x00, 0x00, 0x01};
    std::memcpy(command.arrBuffer, other.data(), other.size());
    command.nBufferSize = 5;
    EXPECT_FALSE(bench.session.SendCpuApduCheckSw(&command)) << "6D 00 from the card";
    EXPECT_EQ(callbacks, 2);
    EXPECT_FALSE(bench.session.SendCpuApduCheckSw(nullptr));
}

}  // namespace
