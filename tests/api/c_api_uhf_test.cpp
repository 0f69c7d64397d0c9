#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "api_test_support.h"
#include "core/protocol/error_codes.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/cards/uhf_tag.h"
#include "sim/commands/m100_commands.h"
#include "sim/device/m100_module.h"
#include "support/m100_frames.h"

// The M100 UHF exports against the simulated reader and its module on the callback route:
// the module frames the reader passed on, the module's state and the caller's outputs.

namespace {

using Bytes = std::vector<std::uint8_t>;
using m100_test::Concat;
using m100_test::Frame;

constexpr std::uint8_t kModuleCommand = 30;

// A tag notice: RSSI, PC, EPC, CRC.
Bytes NoticeFrame(std::uint8_t rssi, std::uint16_t pc, const Bytes& epc) {
    return Frame(0x02, 0x22,
                 Concat({{rssi, static_cast<std::uint8_t>(pc >> 8), static_cast<std::uint8_t>(pc)},
                         epc,
                         {0x12, 0x34}}));
}

Bytes Epc(std::uint8_t first, std::size_t length = 12) {
    Bytes epc(length);
    for (std::size_t i = 0; i < length; ++i) epc[i] = static_cast<std::uint8_t>(first + i);
    return epc;
}

Bytes EpcOf(const M100UhfInventoryStruct& record) {
    return Bytes(record.arrEpc, record.arrEpc + record.ucEpcLength);
}

class UhfApi : public ::testing::Test {
  protected:
    int Handle() const { return open.handle; }
    int ErrorCode() const { return KorviCardGetErrorCode(open.handle); }
    // The module frames the reader received in command 30, and the log emptied.
    std::vector<Bytes> TakeModuleFrames() {
        std::vector<Bytes> frames;
        for (const sim::Request& r : open.reader.Requests()) {
            EXPECT_EQ(r.command, kModuleCommand);
            frames.push_back(r.payload);
        }
        open.reader.ClearRequests();
        return frames;
    }
    // The reader answers command 30 with these payloads, each in a reply of its own.
    void AnswerWith(std::vector<Bytes> payloads) {
        open.reader.SetHandler(kModuleCommand, [payloads](const sim::Request&) {
            sim::Reply reply = sim::Reply::Ok(payloads.empty() ? Bytes{} : payloads.front());
            if (payloads.size() > 1)
                reply.laterPayloads.assign(payloads.begin() + 1, payloads.end());
            return reply;
        });
    }
    void AnswerFromModule() { sim::M100Commands again(open.reader, module); }
    void AddTags(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            module.tags.emplace_back(Epc(static_cast<std::uint8_t>(i)),
                                     static_cast<std::int8_t>(-40 - static_cast<int>(i % 40)));
        }
    }

    api_test::CallbackReader open;
    sim::M100Module module;
    sim::M100Commands commands{open.reader, module};
};

TEST_F(UhfApi, SettersSendTheirModuleFrameAndChangeTheModule) {
    module.tags.emplace_back(Epc(0xE0));
    const Bytes mask = Epc(0xE0);
    const Bytes data = {0xCA, 0xFE, 0xBE, 0xEF};
    const std::array<std::uint8_t, 3> lock = {0x00, 0x0C, 0x08};
    module.tags[0].SetPasswords(0x01020304, 0);
    struct Row {
        const char* name;
        std::function<int(int)> call;
        Bytes frame;
        std::function<void(sim::M100Module&)> check;
    };
    const Row rows[] = {
        {"region",
         [](int h) { return KorviCardM100UhfSetRegion(h, 3); },
         {0xBB, 0x00, 0x07, 0x00, 0x01, 0x03, 0x0B, 0x7E},
         [](sim::M100Module& m) { EXPECT_EQ(m.region, 3); }},
        {"RF channel", [](int h) { return KorviCardM100UhfSetRfChannel(h, 5); },
         Frame(0, 0xAB, {5}), [](sim::M100Module& m) { EXPECT_EQ(m.channel, 5); }},
        {"power 26 dBm", [](int h) { return KorviCardM100UhfSetPower(h, 2600); },
         Frame(0, 0xB6, {0x0A, 0x28}), [](sim::M100Module& m) { EXPECT_EQ(m.power, 2600); }},
        {"hopping off", [](int h) { return KorviCardM100UhfSetFHSS(h, 0x00); },
         Frame(0, 0xAD, {0x00}), [](sim::M100Module& m) { EXPECT_FALSE(m.frequencyHopping); }},
        {"carrier on", [](int h) { return KorviCardM100UhfSetCW(h, 0xFF); }, Frame(0, 0xB0, {0xFF}),
         [](sim::M100Module& m) { EXPECT_TRUE(m.carrier); }},
        {"query parameter 1020", [](int h) { return KorviCardM100UhfSetQueryParamter(h, 0x1020); },
         Frame(0, 0x0E, {0x10, 0x20}),
         [](sim::M100Module& m) { EXPECT_EQ(m.queryParameter, 0x1020); }},
        {"modem", [](int h) { return KorviCardM100UhfSetModemParameter(h, 3, 6, 0x01B0); },
         Frame(0, 0xF0, {0x03, 0x06, 0x01, 0xB0}),
         [](sim::M100Module& m) {
             EXPECT_EQ(m.mixerGain, 3);
             EXPECT_EQ(m.ifGain, 6);
             EXPECT_EQ(m.threshold, 0x01B0);
         }},
        {"inventory mode", [](int h) { return KorviCardM100UhfSetInventoryMode(h, 2); },
         Frame(0, 0x12, {0x02}), [](sim::M100Module& m) { EXPECT_EQ(m.inventoryMode, 2); }},
        {"select",
         [&](int h) {
             return KorviCardM100UhfSetSelectParameter(h, 0x01, 0x20, 0x60, 0, mask.data(), 12);
         },
         Frame(0, 0x0C, Concat({{0x01, 0x00, 0x00, 0x00, 0x20, 0x60, 0x00}, mask})),
         [&](sim::M100Module& m) {
             EXPECT_EQ(m.select.pointer, 0x20u);
             EXPECT_EQ(m.select.mask, mask);
         }},
        {"stop multiple inventory", [](int h) { return KorviCardM100UhfStopMulti(h); },
         Frame(0, 0x28, {}), [](sim::M100Module& m) { EXPECT_FALSE(m.multipleInventory); }},
        {"write two user words",
         [&](int h) {
             int length = 4;
             const int ok = KorviCardM100UhfWriteData(h, 0, 3, 1, 2, data.data(), &length);
             EXPECT_EQ(length, 4);
             return ok;
         },
         Frame(0, 0x49, Concat({{0, 0, 0, 0, 0x03, 0x00, 0x01, 0x00, 0x02}, data})),
         [&](sim::M100Module& m) {
             EXPECT_EQ(*m.tags[0].ReadWords(sim::UhfTag::kUser, 1, 2), data);
         }},
        {"lock", [&](int h) { return KorviCardM100UhfLockUnLock(h, 0, lock.data(), 3); },
         Frame(0, 0x82, {0, 0, 0, 0, 0x00, 0x0C, 0x08}),
         [&](sim::M100Module& m) { EXPECT_EQ(m.tags[0].lockPayload, lock); }},
        {"kill", [](int h) { return KorviCardM100UhfKill(h, 0x01020304); },
         Frame(0, 0x65, {0x01, 0x02, 0x03, 0x04}),
         [](sim::M100Module& m) { EXPECT_TRUE(m.tags.empty()); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.call(Handle()), 1);
        EXPECT_EQ(ErrorCode(), LCEC_OK);
        EXPECT_EQ(TakeModuleFrames(), std::vector<Bytes>{row.frame});
        row.check(module);
    }
}

TEST_F(UhfApi, GettersCopyTheModulesValues) {
    module.tags.emplace_back(Epc(0x30), -52);
    module.tags[0].WriteWords(sim::UhfTag::kUser, 0, Bytes{0xA1, 0xA2, 0xA3, 0xA4});
    module.power = 2250;
    module.channel = 7;
    module.queryParameter = 0x1120;
    module.jammerLevels[2] = -35;
    module.rssiLevels[19] = -61;
    struct Row {
        const char* name;
        std::function<void(int)> call;
        Bytes frame;
    };
    const Row rows[] = {
        {"power",
         [](int h) {
             unsigned short power = 0;
             ASSERT_EQ(KorviCardM100UhfGetPower(h, &power), 1);
             EXPECT_EQ(power, 2250);
         },
         Frame(0, 0xB7, {})},
        {"channel",
         [](int h) {
             unsigned char channel = 0;
             ASSERT_EQ(KorviCardM100UhfGetRfChannel(h, &channel), 1);
             EXPECT_EQ(channel, 7);
         },
         Frame(0, 0xAA, {})},
        {"query parameter",
         [](int h) {
             unsigned short value = 0;
             ASSERT_EQ(KorviCardM100UhfGetQueryParamter(h, &value), 1);
             EXPECT_EQ(value, 0x1120);
         },
         Frame(0, 0x0D, {})},
        {"modem",
         [](int h) {
             unsigned char mixer = 0, gain = 0;
             unsigned short threshold = 0;
             ASSERT_EQ(KorviCardM100UhfReadModemParameter(h, &mixer, &gain, &threshold), 1);
             EXPECT_EQ(mixer, 3);
             EXPECT_EQ(gain, 6);
             EXPECT_EQ(threshold, 0x01B0);
         },
         Frame(0, 0xF1, {})},
        {"software version",
         [](int h) {
             char text[64];
             std::memset(text, 'x', sizeof text);
             ASSERT_EQ(KorviCardGetUhfFwVersion(h, 1, text, sizeof text), 1);
             EXPECT_STREQ(text, "V2.3.5");
         },
         Frame(0, 0x03, {0x01})},
        {"manufacturer, cut to the buffer",
         [](int h) {
             char text[6];
             ASSERT_EQ(KorviCardGetUhfFwVersion(h, 2, text, sizeof text), 1);
             EXPECT_STREQ(text, "Korvi");
         },
         Frame(0, 0x03, {0x02})},
        {"jammer scan",
         [](int h) {
             unsigned char start = 9, end = 9;
             unsigned char values[128] = {};
             int length = 128;
             ASSERT_EQ(KorviCardM100UhfScanJammer(h, &start, &end, values, &length), 1);
             EXPECT_EQ(start, 0);
             EXPECT_EQ(end, 19);
             ASSERT_EQ(length, 20);
             EXPECT_EQ(values[2], 0xDD);
             EXPECT_EQ(values[3], 0xB0);
         },
         Frame(0, 0xF2, {})},
        {"RSSI scan",
         [](int h) {
             unsigned char start = 9, end = 9;
             unsigned char values[20] = {};
             int length = 20;
             ASSERT_EQ(KorviCardM100UhfScanRssi(h, &start, &end, values, &length), 1);
             EXPECT_EQ(length, 20);
             EXPECT_EQ(values[19], 0xC3);
         },
         Frame(0, 0xF3, {})},
        {"read user words",
         [](int h) {
             unsigned char data[64] = {};
             int length = 64;
             ASSERT_EQ(KorviCardM100UhfReadData(h, 0, 3, 0, 2, data, &length), 1);
             ASSERT_EQ(length, 4);
             EXPECT_EQ(Bytes(data, data + 4), (Bytes{0xA1, 0xA2, 0xA3, 0xA4}));
         },
         Frame(0, 0x39, {0, 0, 0, 0, 0x03, 0x00, 0x00, 0x00, 0x02})},
        {"read the EPC through the EPC bank",
         [](int h) {
             unsigned char data[12] = {};
             int length = 12;
             ASSERT_EQ(KorviCardM100UhfReadData(h, 0, 1, 2, 6, data, &length), 1);
             EXPECT_EQ(Bytes(data, data + 12), Epc(0x30));
         },
         Frame(0, 0x39, {0, 0, 0, 0, 0x01, 0x00, 0x02, 0x00, 0x06})},
        {"one poll of the multiple inventory",
         [](int h) {
             unsigned char rssi = 0, epc[128] = {};
             unsigned short pc = 0;
             int length = 0;
             ASSERT_EQ(KorviCardM100UhfReadMulti(h, &rssi, &pc, epc, 128, &length), 1);
             EXPECT_EQ(static_cast<signed char>(rssi), -52);
             EXPECT_EQ(pc, 0x3000);
             ASSERT_EQ(length, 12);
             EXPECT_EQ(Bytes(epc, epc + 12), Epc(0x30));
         },
         Frame(0, 0x27, {0x22, 0x00, 0x01})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.call(Handle());
        EXPECT_EQ(ErrorCode(), LCEC_OK);
        EXPECT_EQ(TakeModuleFrames(), std::vector<Bytes>{row.frame});
    }
}

TEST_F(UhfApi, InventoryFillsTheTableUntilTheNoticesStop) {
    AddTags(3);
    int count = -1;
    ASSERT_EQ(KorviCardM100UhfInventory(Handle(), &count), 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ErrorCode(), LCEC_OK);
    EXPECT_EQ(TakeModuleFrames(), (std::vector<Bytes>{{0xBB, 0x00, 0x22, 0x00, 0x00, 0x22, 0x7E}}));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        M100UhfInventoryStruct record{};
        ASSERT_EQ(KorviCardM100UhfGetInventoryStruct(Handle(), i, &record), 1);
        EXPECT_EQ(EpcOf(record), Epc(static_cast<std::uint8_t>(i)));
        EXPECT_EQ(static_cast<std::int8_t>(record.ucRssi), -40 - i);
        EXPECT_EQ(record.usPc, 0x3000);
    }
    // A later inventory starts from an empty table.
    module.tags.erase(module.tags.begin() + 1, module.tags.end());
    ASSERT_EQ(KorviCardM100UhfInventory(Handle(), &count), 1);
    EXPECT_EQ(count, 1);
    M100UhfInventoryStruct record;
    std::memset(&record, 0xCC, sizeof record);
    ASSERT_EQ(KorviCardM100UhfGetInventoryStruct(Handle(), 1, &record), 1);
    EXPECT_EQ(record.ucEpcLength, 0);
    EXPECT_EQ(record.usPc, 0);
    EXPECT_EQ(KorviCardM100UhfGetInventoryStruct(Handle(), 49, &record), 1);
    EXPECT_EQ(KorviCardM100UhfGetInventoryStruct(Handle(), 50, &record), 0);
    EXPECT_EQ(KorviCardM100UhfGetInventoryStruct(Handle(), -1, &record), 0);
    EXPECT_EQ(KorviCardM100UhfGetInventoryStruct(Handle(), 0, nullptr), 0);
}

TEST_F(UhfApi, InventoryStopsAtFiftyTags) {
    AddTags(55);
    int count = 0;
    ASSERT_EQ(KorviCardM100UhfInventory(Handle(), &count), 1);
    EXPECT_EQ(count, 50);
    M100UhfInventoryStruct record{};
    ASSERT_EQ(KorviCardM100UhfGetInventoryStruct(Handle(), 49, &record), 1);
    EXPECT_EQ(EpcOf(record), Epc(49));
}

TEST_F(UhfApi, InventoryWithoutTagsFailsWithCode32) {
    int count = 7;
    EXPECT_EQ(KorviCardM100UhfInventory(Handle(), &count), 0);
    EXPECT_EQ(ErrorCode(), LCEC_M100_INVENTORY_FAIL);
    EXPECT_EQ(count, 0);
    // The same from the answer as the module's format gives it.
    AnswerWith({{0xBB, 0x01, 0xFF, 0x00, 0x01, 0x15, 0x16, 0x7E}});
    EXPECT_EQ(KorviCardM100UhfInventory(Handle(), &count), 0);
    EXPECT_EQ(ErrorCode(), 32);
}

TEST_F(UhfApi, InventorySkipsNoticesThatAreNotWholeOrDoNotFit) {
    const Bytes good1 = NoticeFrame(0xC8, 0x3000, Epc(0x10));
    const Bytes good2 = NoticeFrame(0xC0, 0x2000, Epc(0x50, 8));
    Bytes badSum = NoticeFrame(0xC4, 0x3000, Epc(0x20));
    badSum[badSum.size() - 2] ^= 0x01;
    const Bytes cut(good1.begin(), good1.begin() + 10);
    const Bytes tooLong = NoticeFrame(0xC4, 0xF800, Epc(0x00, 65));
    const Bytes noEpcRoom = Frame(0x02, 0x22, {0xC4, 0x30});
    struct Row {
        const char* name;
        std::vector<Bytes> replies;
        int result;
        int count;
        int code;
    };
    const Row rows[] = {
        {"bad checksum between good notices", {good1, badSum, good2}, 1, 2, LCEC_OK},
        {"cut notice between good notices", {good1, cut, good2}, 1, 2, LCEC_OK},
        {"EPC of 65 bytes, then a good one", {tooLong, good2}, 1, 1, LCEC_OK},
        {"empty replies between notices", {Bytes{}, good1, Bytes{}}, 1, 1, LCEC_OK},
        {"only a bad checksum", {badSum}, 0, 0, LCEC_RECV_CRC_FALSE},
        {"only a cut notice", {cut}, 0, 0, LCEC_RECV_TIME_OUT},
        {"only a notice without room for an EPC", {noEpcRoom}, 0, 0, LCEC_RECV_TIME_OUT},
        {"only an EPC of 65 bytes", {tooLong}, 0, 0, LCEC_RECV_TIME_OUT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AnswerWith(row.replies);
        int count = -1;
        EXPECT_EQ(KorviCardM100UhfInventory(Handle(), &count), row.result);
        EXPECT_EQ(count, row.count);
        EXPECT_EQ(ErrorCode(), row.code);
    }
    M100UhfInventoryStruct record{};
    AnswerWith({good1, badSum, good2});
    int count = 0;
    ASSERT_EQ(KorviCardM100UhfInventory(Handle(), &count), 1);
    ASSERT_EQ(KorviCardM100UhfGetInventoryStruct(Handle(), 1, &record), 1);
    EXPECT_EQ(EpcOf(record), Epc(0x50, 8));
    EXPECT_EQ(record.usPc, 0x2000);
    EXPECT_EQ(record.ucRssi, 0xC0);
}

TEST_F(UhfApi, InventoryEndsOnReaderFailures) {
    AddTags(2);
    int count = 5;
    open.reader.QueueFault({sim::FaultKind::kNoReply});
    EXPECT_EQ(KorviCardM100UhfInventory(Handle(), &count), 0);
    EXPECT_EQ(ErrorCode(), LCEC_RECV_TIME_OUT);
    EXPECT_EQ(count, 0);
    open.reader.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = 19});
    EXPECT_EQ(KorviCardM100UhfInventory(Handle(), &count), 0);
    EXPECT_EQ(ErrorCode(), 19);
    // A first notice with a bad reader check byte ends the round; the second is not read.
    open.reader.QueueFault({sim::FaultKind::kBadCheckByte});
    EXPECT_EQ(KorviCardM100UhfInventory(Handle(), &count), 0);
    EXPECT_EQ(ErrorCode(), LCEC_RECV_CRC_FALSE);
}

TEST_F(UhfApi, DamagedModuleFramesInGoodRepliesFailAndLeaveOutputs) {
    using Fault = sim::M100Module::AnswerFault;
    struct Row {
        const char* name;
        Fault fault;
        std::size_t keep;
        int code;
    };
    const Row rows[] = {
        {"checksum", Fault::kBadChecksum, 0, LCEC_RECV_CRC_FALSE},
        {"end byte", Fault::kBadEnd, 0, LCEC_RECV_CRC_FALSE},
        {"header", Fault::kBadHeader, 0, LCEC_RECV_CRC_FALSE},
        {"cut after the length", Fault::kTruncate, 5, LCEC_RECV_TIME_OUT},
        {"cut before the checksum", Fault::kTruncate, 6, LCEC_RECV_TIME_OUT},
        {"length past the parameters", Fault::kLongLength, 0, LCEC_RECV_TIME_OUT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        module.QueueAnswerFault(row.fault, row.keep);
        unsigned short power = 0xABCD;
        EXPECT_EQ(KorviCardM100UhfGetPower(Handle(), &power), 0);
        EXPECT_EQ(ErrorCode(), row.code);
        EXPECT_EQ(power, 0xABCD);
        module.QueueAnswerFault(row.fault, row.keep);
        EXPECT_EQ(KorviCardM100UhfSetRegion(Handle(), 1), 0);
        EXPECT_EQ(ErrorCode(), row.code);
    }
    module.tags.emplace_back(Epc(0x30));
    module.QueueAnswerFault(Fault::kBadChecksum);
    unsigned char rssi = 1, epc[32] = {};
    unsigned short pc = 1;
    int length = 1;
    EXPECT_EQ(KorviCardM100UhfReadMulti(Handle(), &rssi, &pc, epc, 32, &length), 0);
    EXPECT_EQ(ErrorCode(), LCEC_RECV_CRC_FALSE);
    EXPECT_EQ(length, 1);
}

TEST_F(UhfApi, ModuleErrorsAndShortAnswersFail) {
    const Bytes noTag = Frame(0x01, 0xFF, {0x15});
    const Bytes badCommand = Frame(0x01, 0xFF, {0x17});
    struct Row {
        const char* name;
        std::vector<Bytes> answer;  // empty: the simulated module answers
        std::function<int(int)> call;
        int code;
    };
    const Row rows[] = {
        {"channel the region lacks",
         {},
         [](int h) { return KorviCardM100UhfSetRfChannel(h, 99); },
         LCEC_UNKNOWN},
        {"power above the module's",
         {},
         [](int h) { return KorviCardM100UhfSetPower(h, 3000); },
         LCEC_UNKNOWN},
        {"multiple inventory without a tag",
         {},
         [](int h) {
             unsigned char rssi, epc[32];
             unsigned short pc;
             int length;
             return KorviCardM100UhfReadMulti(h, &rssi, &pc, epc, 32, &length);
         },
         LCEC_M100_INVENTORY_FAIL},
        {"read without a tag",
         {},
         [](int h) {
             unsigned char data[8];
             int length = 8;
             return KorviCardM100UhfReadData(h, 0, 3, 0, 2, data, &length);
         },
         LCEC_UNKNOWN},
        {"kill without a tag", {}, [](int h) { return KorviCardM100UhfKill(h, 1); }, LCEC_UNKNOWN},
        {"lock answered by an error",
         {badCommand},
         [](int h) {
             const unsigned char lock[3] = {};
             return KorviCardM100UhfLockUnLock(h, 0, lock, 3);
         },
         LCEC_UNKNOWN},
        {"setter answered for another command",
         {Frame(0x01, 0xB7, {0x00})},
         [](int h) { return KorviCardM100UhfSetPower(h, 2000); },
         LCEC_UNKNOWN},
        {"no-tag error to a read",
         {noTag},
         [](int h) {
             unsigned char data[8];
             int length = 8;
             return KorviCardM100UhfReadData(h, 0, 3, 0, 2, data, &length);
         },
         LCEC_M100_INVENTORY_FAIL},
        {"power with one parameter",
         {Frame(0x01, 0xB7, {0x07})},
         [](int h) {
             unsigned short power = 0;
             return KorviCardM100UhfGetPower(h, &power);
         },
         LCEC_RECV_TIME_OUT},
        {"power without an answer frame",
         {Bytes{}},
         [](int h) {
             unsigned short power = 0;
             return KorviCardM100UhfGetPower(h, &power);
         },
         LCEC_RECV_TIME_OUT},
        {"modem with three parameters",
         {Frame(0x01, 0xF1, {1, 2, 3})},
         [](int h) {
             unsigned char a, b;
             unsigned short c;
             return KorviCardM100UhfReadModemParameter(h, &a, &b, &c);
         },
         LCEC_RECV_TIME_OUT},
        {"read data short of the words asked",
         {Frame(0x01, 0x39, Concat({{0x0E, 0x30, 0x00}, Epc(0x30), {0xA1, 0xA2}}))},
         [](int h) {
             unsigned char data[8];
             int length = 8;
             return KorviCardM100UhfReadData(h, 0, 3, 0, 2, data, &length);
         },
         LCEC_RECV_TIME_OUT},
        {"read data whose PC names more EPC than there is",
         {Frame(0x01, 0x39, Concat({{0x0E, 0xF8, 0x00}, Epc(0x30), {0xA1, 0xA2, 0xA3, 0xA4}}))},
         [](int h) {
             unsigned char data[8];
             int length = 8;
             return KorviCardM100UhfReadData(h, 0, 3, 0, 2, data, &length);
         },
         LCEC_RECV_TIME_OUT},
        {"notice without room for an EPC",
         {Frame(0x02, 0x22, {0xC0, 0x30, 0x00})},
         [](int h) {
             unsigned char rssi, epc[32];
             unsigned short pc;
             int length;
             return KorviCardM100UhfReadMulti(h, &rssi, &pc, epc, 32, &length);
         },
         LCEC_RECV_TIME_OUT},
        {"EPC longer than the buffer",
         {NoticeFrame(0xC0, 0xA000, Epc(0, 40))},
         [](int h) {
             unsigned char rssi, epc[32];
             unsigned short pc;
             int length;
             return KorviCardM100UhfReadMulti(h, &rssi, &pc, epc, 32, &length);
         },
         LCEC_UNKNOWN},
        {"scan values past the room",
         {Frame(0x01, 0xF2, Concat({{0, 19}, Bytes(20, 0xB0)}))},
         [](int h) {
             unsigned char start, end, values[19];
             int length = 19;
             return KorviCardM100UhfScanJammer(h, &start, &end, values, &length);
         },
         LCEC_UNKNOWN},
        {"version answered without the kind",
         {Frame(0x01, 0x03, {})},
         [](int h) {
             char text[16];
             return KorviCardGetUhfFwVersion(h, 0, text, 16);
         },
         LCEC_RECV_TIME_OUT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.answer.empty()) {
            AnswerFromModule();
        } else {
            AnswerWith(row.answer);
        }
        EXPECT_EQ(row.call(Handle()), 0);
        EXPECT_EQ(ErrorCode(), row.code);
    }
}

TEST_F(UhfApi, SettersWithoutAnAnswerFrameKeepTheReadersResult) {
    AnswerWith({Bytes{}});
    EXPECT_EQ(KorviCardM100UhfSetRegion(Handle(), 1), 1);
    EXPECT_EQ(KorviCardM100UhfSetQueryParamter(Handle(), 0x1020), 1);
    // A command without the echo rule takes a notice, not the module's error answer.
    AnswerWith({Frame(0x02, 0x22, {0xC0, 0x30, 0x00, 0x12, 0x34})});
    EXPECT_EQ(KorviCardM100UhfSetCW(Handle(), 0), 1);
    EXPECT_EQ(KorviCardM100UhfStopMulti(Handle()), 1);
    EXPECT_EQ(KorviCardM100UhfSetRegion(Handle(), 1), 0);
    AnswerWith({Frame(0x01, 0xFF, {0x17})});
    for (const auto& call :
         {KorviCardM100UhfSetCW, KorviCardM100UhfSetFHSS, KorviCardM100UhfSetQueryParamter}) {
        EXPECT_EQ(call(Handle(), 0), 0);
        EXPECT_EQ(ErrorCode(), LCEC_UNKNOWN);
    }
    EXPECT_EQ(KorviCardM100UhfStopMulti(Handle()), 0);
}

TEST_F(UhfApi, BadArgumentsFailWithoutReachingTheReader) {
    unsigned char byte = 0, buffer[64] = {};
    unsigned short word = 0;
    int length = 64;
    int shortLength = 3;
    char text[64];
    const unsigned char lock[3] = {};
    const std::function<int(int)> calls[] = {
        [&](int h) { return KorviCardM100UhfInventory(h, nullptr); },
        [&](int h) { return KorviCardM100UhfGetPower(h, nullptr); },
        [&](int h) { return KorviCardM100UhfGetRfChannel(h, nullptr); },
        [&](int h) { return KorviCardM100UhfGetQueryParamter(h, nullptr); },
        [&](int h) { return KorviCardM100UhfReadModemParameter(h, nullptr, &byte, &word); },
        [&](int h) { return KorviCardM100UhfReadModemParameter(h, &byte, nullptr, &word); },
        [&](int h) { return KorviCardM100UhfReadModemParameter(h, &byte, &byte, nullptr); },
        [&](int h) { return KorviCardM100UhfReadMulti(h, nullptr, &word, buffer, 64, &length); },
        [&](int h) { return KorviCardM100UhfReadMulti(h, &byte, nullptr, buffer, 64, &length); },
        [&](int h) { return KorviCardM100UhfReadMulti(h, &byte, &word, nullptr, 64, &length); },
        [&](int h) { return KorviCardM100UhfReadMulti(h, &byte, &word, buffer, 64, nullptr); },
        [&](int h) { return KorviCardM100UhfReadMulti(h, &byte, &word, buffer, 31, &length); },
        [&](int h) { return KorviCardM100UhfScanJammer(h, nullptr, &byte, buffer, &length); },
        [&](int h) { return KorviCardM100UhfScanJammer(h, &byte, nullptr, buffer, &length); },
        [&](int h) { return KorviCardM100UhfScanJammer(h, &byte, &byte, buffer, nullptr); },
        [&](int h) { return KorviCardM100UhfScanRssi(h, &byte, &byte, nullptr, &length); },
        [&](int h) { return KorviCardGetUhfFwVersion(h, 0, nullptr, 64); },
        [&](int h) { return KorviCardGetUhfFwVersion(h, 0, text, 0); },
        [&](int h) { return KorviCardM100UhfReadData(h, 0, 3, 0, 2, buffer, nullptr); },
        [&](int h) { return KorviCardM100UhfReadData(h, 0, 3, 0, 2, nullptr, &length); },
        [&](int h) { return KorviCardM100UhfReadData(h, 0, 3, 0, 33, buffer, &length); },
        [&](int h) { return KorviCardM100UhfReadData(h, 0, 3, 0, 2, buffer, &shortLength); },
        [&](int h) { return KorviCardM100UhfWriteData(h, 0, 3, 0, 1, buffer, nullptr); },
        [&](int h) { return KorviCardM100UhfWriteData(h, 0, 3, 0, 1, nullptr, &length); },
        [&](int h) { return KorviCardM100UhfWriteData(h, 0, 3, 0, 17, buffer, &length); },
        [&](int h) { return KorviCardM100UhfWriteData(h, 0, 3, 0, 2, buffer, &shortLength); },
        [&](int h) { return KorviCardM100UhfLockUnLock(h, 0, lock, 2); },
        [&](int h) { return KorviCardM100UhfLockUnLock(h, 0, nullptr, 3); },
        [&](int h) { return KorviCardM100UhfSetSelectParameter(h, 1, 0x20, 0x60, 0, buffer, 33); },
        [&](int h) { return KorviCardM100UhfSetSelectParameter(h, 1, 0x20, 0x60, 0, nullptr, 1); },
        [&](int h) { return KorviCardM100UhfSetSelectParameter(h, 1, 0x20, 0x60, 0, buffer, -1); },
    };
    KorviCardM100UhfSetRegion(Handle(), 1);
    open.reader.ClearRequests();
    for (std::size_t i = 0; i < std::size(calls); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i](Handle()), 0);
        EXPECT_TRUE(open.reader.Requests().empty());
        EXPECT_EQ(ErrorCode(), LCEC_OK) << "error code untouched";
    }
    EXPECT_EQ(length, 64);
    EXPECT_EQ(shortLength, 3);
}

TEST_F(UhfApi, EveryExportAnswersZeroForAHandleThatNamesNoReader) {
    unsigned char byte = 0, buffer[64] = {};
    unsigned short word = 0;
    int length = 64, count = 0;
    char text[64];
    M100UhfInventoryStruct record{};
    const std::function<int(int)> calls[] = {
        [&](int h) { return KorviCardGetUhfFwVersion(h, 0, text, 64); },
        [&](int h) { return KorviCardM100UhfInventory(h, &count); },
        [&](int h) { return KorviCardM100UhfGetInventoryStruct(h, 0, &record); },
        [&](int h) { return KorviCardM100UhfReadMulti(h, &byte, &word, buffer, 64, &length); },
        [&](int h) { return KorviCardM100UhfStopMulti(h); },
        [&](int h) { return KorviCardM100UhfGetPower(h, &word); },
        [&](int h) { return KorviCardM100UhfSetPower(h, 2000); },
        [&](int h) { return KorviCardM100UhfSetRegion(h, 1); },
        [&](int h) { return KorviCardM100UhfGetRfChannel(h, &byte); },
        [&](int h) { return KorviCardM100UhfSetRfChannel(h, 1); },
        [&](int h) { return KorviCardM100UhfSetFHSS(h, 0xFF); },
        [&](int h) { return KorviCardM100UhfGetQueryParamter(h, &word); },
        [&](int h) { return KorviCardM100UhfSetQueryParamter(h, 0); },
        [&](int h) { return KorviCardM100UhfSetCW(h, 0); },
        [&](int h) { return KorviCardM100UhfScanJammer(h, &byte, &byte, buffer, &length); },
        [&](int h) { return KorviCardM100UhfScanRssi(h, &byte, &byte, buffer, &length); },
        [&](int h) { return KorviCardM100UhfReadModemParameter(h, &byte, &byte, &word); },
        [&](int h) { return KorviCardM100UhfSetModemParameter(h, 3, 6, 0x1B0); },
        [&](int h) { return KorviCardM100UhfSetInventoryMode(h, 1); },
        [&](int h) { return KorviCardM100UhfSetSelectParameter(h, 1, 0, 0, 0, buffer, 0); },
        [&](int h) { return KorviCardM100UhfReadData(h, 0, 3, 0, 1, buffer, &length); },
        [&](int h) { return KorviCardM100UhfWriteData(h, 0, 3, 0, 1, buffer, &length); },
        [&](int h) { return KorviCardM100UhfLockUnLock(h, 0, buffer, 3); },
        [&](int h) { return KorviCardM100UhfKill(h, 1); },
    };
    const int closed = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
    KorviCardCloseDevice(closed);
    for (int handle : {0, -1, closed, 0x7FFFFFF0}) {
        for (std::size_t i = 0; i < std::size(calls); ++i) {
            SCOPED_TRACE(testing::Message() << "handle " << handle << ", call " << i);
            EXPECT_EQ(calls[i](handle), 0);
        }
    }
    EXPECT_TRUE(open.reader.Requests().empty());
}

}  // namespace
