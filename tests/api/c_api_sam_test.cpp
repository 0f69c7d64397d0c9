#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "core/protocol/error_codes.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/cards/apdu_script.h"
#include "sim/cards/contact_card.h"
#include "sim/commands/sam_slot_commands.h"
#include "sim/device/sam_slots.h"
#include "sim_fixture/sim_handle_bench.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kAtr = {0x3B, 0x68, 0x00, 0x00, 0x81, 0x31, 0xFE, 0x45, 0x4A, 0x43};

// The simulated reader's contact slots with a scripted card in slot 1, reached through a
// C API handle on the callback route.
class SamBench : public SimHandleBench {
  public:
    SamBench() { slots.Insert(1, card); }

    std::shared_ptr<sim::ApduScript> script = std::make_shared<sim::ApduScript>(R"(
        0084000004                   => 1A2B3C4D 9000
        00A40000023F00               => 6F0A 8400 A506 8804 01020304 9000
        00A40000026F02               => 6A82
        00B00000*                    => )" + std::string(500, 'C') + R"( 9000
    )");
    std::shared_ptr<sim::ContactCard> card = std::make_shared<sim::ContactCard>(kAtr, script);
    sim::SamSlots slots;
    sim::SamSlotCommands samCommands{reader, slots};
};

Bytes Head(const std::uint8_t* bytes, std::size_t count) { return Bytes(bytes, bytes + count); }

KorviCardParam Command(const Bytes& apdu) {
    KorviCardParam record{};
    std::memcpy(record.arrCosSendBuffer, apdu.data(), apdu.size());
    record.unCosSendBufferLength = static_cast<unsigned>(apdu.size());
    return record;
}

struct Step {
    const char* what;
    std::function<int(int, KorviCardParam&)> call;
    int result;
    int error;
    std::uint8_t command;
    Bytes payload;
    std::function<void(const SamBench&, const KorviCardParam&)> check;
};

// A record's COS answer as bytes.
Bytes Answer(const KorviCardParam& r) {
    return Head(r.arrCosResultBuffer, r.unCosReultBufferLength);
}

TEST(SamExportsTest, RequestsAndRecordsOfASlotSession) {
    SamBench bench;
    ASSERT_GT(bench.handle, 0);
    const Step steps[] = {
        {"select slot 1",
         [](int h, KorviCardParam&) { return KorviCardSetSamSlotIndex(h, 1); },
         1,
         0,
         45,
         {0x01},
         [](const SamBench& b, const auto&) { EXPECT_EQ(b.slots.selected(), 1); }},
        {"line 0 of slot 1 high",
         [](int h, KorviCardParam&) { return KorviCardSetSamVSel0(h, 1, 1); },
         1,
         0,
         230,
         {0x01, 0x01},
         [](const SamBench& b, const auto&) { EXPECT_EQ(b.slots.slot(1).line0, 1); }},
        {"line 1 of slot 1 low: 3 V",
         [](int h, KorviCardParam&) { return KorviCardSetSamVSel1(h, 1, 0); },
         1,
         0,
         231,
         {0x01, 0x00},
         [](const SamBench& b, const auto&) { EXPECT_EQ(b.slots.slot(1).line1, 0); }},
        {"power on",
         [](int h, KorviCardParam&) { return KorviCardSetSamPowerOnOff(h, 1); },
         1,
         0,
         42,
         {0x01},
         [](const SamBench& b, const auto&) { EXPECT_TRUE(b.slots.slot(1).powered); }},
        {"reset",
         [](int h, KorviCardParam& r) { return KorviCardResetSam(h, &r); },
         1,
         0,
         43,
         {},
         [](const SamBench&, const KorviCardParam& r) {
             EXPECT_EQ(Head(r.arrBuffer, static_cast<std::size_t>(r.nBufferSize)), kAtr);
             EXPECT_EQ(Answer(r), kAtr);
         }},
        {"case 2 from arrCosSendBuffer: the procedure byte is dropped",
         [](int h, KorviCardParam& r) {
             r = Command({0x00, 0x84, 0x00, 0x00, 0x04});
             return KorviCardSendSamAPDU(h, &r);
         },
         1,
         0,
         44,
         {0x00, 0x84, 0x00, 0x00, 0x04},
         [](const SamBench&, const KorviCardParam& r) {
             EXPECT_EQ(Answer(r), (Bytes{0x1A, 0x2B, 0x3C, 0x4D, 0x90, 0x00}));
         }},
        {"case 3 from arrBuffer: A4 61 0C answers 61 0C",
         [](int h, KorviCardParam& r) {
             const Bytes apdu = {0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00};
             std::memcpy(r.arrBuffer, apdu.data(), apdu.size());
             r.nBufferSize = static_cast<int>(apdu.size());
             return KorviCardSendSamAPDU(h, &r);
         },
         1,
         0,
         44,
         {0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00},
         [](const SamBench&, const KorviCardParam& r) {
             EXPECT_EQ(Answer(r), (Bytes{0x61, 0x0C}));
         }},
        {"GET RESPONSE",
         [](int h, KorviCardParam& r) {
             r = Command({0x00, 0xC0, 0x00, 0x00, 0x0C});
             return KorviCardSendSamAPDU(h, &r);
         },
         1,
         0,
         44,
         {0x00, 0xC0, 0x00, 0x00, 0x0C},
         [](const SamBench&, const KorviCardParam& r) {
             EXPECT_EQ(Answer(r), (Bytes{0x6F, 0x0A, 0x84, 0x00, 0xA5, 0x06, 0x88, 0x04, 0x01, 0x02,
                                         0x03, 0x04, 0x90, 0x00}));
         }},
        {"a bare status word is kept whole",
         [](int h, KorviCardParam& r) {
             r = Command({0x00, 0xB0, 0x00, 0x00, 0x10});
             return KorviCardSendSamAPDU(h, &r);
         },
         1,
         0,
         44,
         {0x00, 0xB0, 0x00, 0x00, 0x10},
         [](const SamBench&, const KorviCardParam& r) {
             EXPECT_EQ(Answer(r), (Bytes{0x6C, 0xFA}));
         }},
        {"both lengths 0: an empty command, refused by the reader",
         [](int h, KorviCardParam& r) { return KorviCardSendSamAPDU(h, &r); },
         0,
         LCEC_SEND_COMMAND,
         44,
         {},
         [](const SamBench&, const KorviCardParam& r) { EXPECT_EQ(r.unCosReultBufferLength, 0u); }},
        {"power off",
         [](int h, KorviCardParam&) { return KorviCardSetSamPowerOnOff(h, 0); },
         1,
         0,
         42,
         {0x00},
         [](const SamBench& b, const auto&) { EXPECT_FALSE(b.card->active()); }},
        {"an APDU after power off",
         [](int h, KorviCardParam& r) {
             r = Command({0x00, 0x84, 0x00, 0x00, 0x04});
             return KorviCardSendSamAPDU(h, &r);
         },
         0,
         LCEC_SEND_COMMAND,
         44,
         {0x00, 0x84, 0x00, 0x00, 0x04},
         [](const SamBench&, const auto&) {}},
        {"slot 6 does not exist",
         [](int h, KorviCardParam&) { return KorviCardSetSamSlotIndex(h, 6); },
         0,
         LCEC_SEND_COMMAND,
         45,
         {0x06},
         [](const SamBench& b, const auto&) { EXPECT_EQ(b.slots.selected(), 1); }},
        {"level 2 does not exist",
         [](int h, KorviCardParam&) { return KorviCardSetSamVSel0(h, 1, 2); },
         0,
         LCEC_SEND_COMMAND,
         230,
         {0x01, 0x02},
         [](const SamBench&, const auto&) {}},
        {"select the empty slot 0",
         [](int h, KorviCardParam&) { return KorviCardSetSamSlotIndex(h, 0); },
         1,
         0,
         45,
         {0x00},
         [](const SamBench&, const auto&) {}},
        {"reset of an empty slot",
         [](int h, KorviCardParam& r) { return KorviCardResetSam(h, &r); },
         0,
         LCEC_REQUEST,
         43,
         {},
         [](const SamBench&, const KorviCardParam& r) { EXPECT_EQ(r.nBufferSize, 0); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        bench.ClearRequests();
        KorviCardParam record{};
        EXPECT_EQ(step.call(bench.handle, record), step.result);
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), step.error);
        ASSERT_EQ(bench.Commands(), Bytes{step.command});
        EXPECT_EQ(bench.LastPayload(), step.payload);
        step.check(bench, record);
    }
}

TEST(SamExportsTest, CardSilentAtAVoltageItDoesNotTake) {
    SamBench bench;
    bench.card->SetSupplyClasses(static_cast<unsigned>(sim::SupplyClass::kA));
    const int h = bench.handle;
    ASSERT_EQ(KorviCardSetSamSlotIndex(h, 1), 1);
    ASSERT_EQ(KorviCardSetSamVSel0(h, 1, 1), 1);
    ASSERT_EQ(KorviCardSetSamVSel1(h, 1, 1), 1);  // 1.8 V
    KorviCardParam record{};
    EXPECT_EQ(KorviCardResetSam(h, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_REQUEST);
    ASSERT_EQ(KorviCardSetSamVSel0(h, 1, 0), 1);  // 5 V
    EXPECT_EQ(KorviCardResetSam(h, &record), 1);
    EXPECT_EQ(record.nBufferSize, static_cast<int>(kAtr.size()));
}

TEST(SamExportsTest, CommandsThatDoNotFitAreRefusedBeforeSending) {
    SamBench bench;
    const int h = bench.handle;
    KorviCardParam tooLong{};
    tooLong.unCosSendBufferLength = sizeof tooLong.arrCosSendBuffer + 1;
    KorviCardParam bufferTooLong{};
    bufferTooLong.nBufferSize = sizeof bufferTooLong.arrBuffer + 1;
    KorviCardParam negative{};
    negative.nBufferSize = -1;
    struct Row {
        const char* what;
        std::function<int(int)> call;
        bool badArgument;
    };
    const Row rows[] = {
        {"APDU past arrCosSendBuffer", [&](int x) { return KorviCardSendSamAPDU(x, &tooLong); },
         true},
        {"APDU past arrBuffer", [&](int x) { return KorviCardSendSamAPDU(x, &bufferTooLong); },
         true},
        {"negative nBufferSize", [&](int x) { return KorviCardSendSamAPDU(x, &negative); }, true},
        {"SendSamAPDU null record", [](int x) { return KorviCardSendSamAPDU(x, nullptr); }, true},
        {"ResetSam null record", [](int x) { return KorviCardResetSam(x, nullptr); }, true},
        {"SetSamSlotIndex", [](int x) { return KorviCardSetSamSlotIndex(x, 1); }, false},
        {"SetSamPowerOnOff", [](int x) { return KorviCardSetSamPowerOnOff(x, 1); }, false},
        {"SetSamVSel0", [](int x) { return KorviCardSetSamVSel0(x, 1, 0); }, false},
        {"SetSamVSel1", [](int x) { return KorviCardSetSamVSel1(x, 1, 0); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        bench.ClearRequests();
        for (int badHandle : {0, -1, h + 1000}) EXPECT_EQ(row.call(badHandle), 0);
        if (row.badArgument) {
            EXPECT_EQ(row.call(h), 0);
            EXPECT_EQ(KorviCardGetErrorCode(h), 0);
        }
        EXPECT_TRUE(bench.Commands().empty());
    }

    // A command of exactly 256 bytes fits; the card's answer too long for one reply is the
    // reader's failure.
    ASSERT_EQ(KorviCardSetSamSlotIndex(h, 1), 1);
    KorviCardParam record{};
    ASSERT_EQ(KorviCardResetSam(h, &record), 1);
    Bytes full(256, 0x00);
    full[1] = 0xD6;
    full[4] = 0xFB;  // Lc 251: an instruction the card does not know, carried whole
    record = Command(full);
    bench.ClearRequests();
    EXPECT_EQ(KorviCardSendSamAPDU(h, &record), 1);
    EXPECT_EQ(bench.LastPayload(), full);
    EXPECT_EQ(Answer(record), (Bytes{0x6D, 0x00}));
    // 250 data bytes with the procedure byte and the status word: 253 bytes.
    record = Command({0x00, 0xB0, 0x00, 0x00, 0xFA});
    EXPECT_EQ(KorviCardSendSamAPDU(h, &record), 0);
    EXPECT_EQ(KorviCardGetErrorCode(h), LCEC_SEND_COMMAND);
}

}  // namespace
