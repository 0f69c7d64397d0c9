#include "sim/device/m100_module.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/cards/uhf_tag.h"
#include "sim/commands/m100_commands.h"
#include "sim/sim_frames.h"
#include "sim/simulated_reader.h"
#include "support/m100_frames.h"

// The simulated M100 module from its serial frames, laid out here from the frame format.

namespace {

using Bytes = std::vector<std::uint8_t>;
using m100_test::Concat;
using m100_test::Frame;
using Frames = std::vector<Bytes>;

Bytes Command(std::uint8_t command, const Bytes& parameters = {}) {
    return Frame(0x00, command, parameters);
}
Bytes Response(std::uint8_t command, const Bytes& parameters) {
    return Frame(0x01, command, parameters);
}
Bytes Done(std::uint8_t command) { return Response(command, {0x00}); }
Bytes Error(std::uint8_t code) { return Response(0xFF, {code}); }

Bytes Be16(std::uint16_t v) {
    return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

// RSSI, PC, EPC, CRC as the notice of an inventory carries them.
Bytes Notice(const sim::UhfTag& tag) {
    return Frame(0x02, 0x22,
                 Concat({{static_cast<std::uint8_t>(tag.rssi)},
                         Be16(tag.Pc()),
                         Bytes(tag.Epc().begin(), tag.Epc().end()),
                         Be16(tag.StoredCrc())}));
}

// UL, PC, EPC of the answers to tag access.
Bytes Identity(const sim::UhfTag& tag) {
    return Concat({{static_cast<std::uint8_t>(tag.Epc().size() + 2)},
                   Be16(tag.Pc()),
                   Bytes(tag.Epc().begin(), tag.Epc().end())});
}

const Bytes kEpcA = {0xE2, 0x00, 0x00, 0x17, 0x22, 0x0B, 0x01, 0x45, 0x18, 0x20, 0x4C, 0x0A};
const Bytes kEpcB = {0x30, 0x08, 0x33, 0xB2, 0xDD, 0xD9, 0x01, 0x40, 0x00, 0x00, 0x00, 0x01};

TEST(UhfTag, Gen2CrcAndTheEpcBank) {
    const std::string check = "123456789";
    EXPECT_EQ(sim::Gen2Crc16(Bytes(check.begin(), check.end())), 0xD64E);
    sim::UhfTag tag(kEpcA, -55);
    EXPECT_EQ(tag.Pc(), 0x3000) << "six words";
    EXPECT_EQ(Bytes(tag.Epc().begin(), tag.Epc().end()), kEpcA);
    EXPECT_EQ(tag.StoredCrc(), sim::Gen2Crc16(Concat({Be16(0x3000), kEpcA})));
    // A shorter EPC through the PC word: the stored CRC follows.
    ASSERT_TRUE(tag.WriteWords(sim::UhfTag::kEpcBank, 1, Be16(0x1000)));
    EXPECT_EQ(Bytes(tag.Epc().begin(), tag.Epc().end()), Bytes(kEpcA.begin(), kEpcA.begin() + 4));
    EXPECT_EQ(tag.StoredCrc(),
              sim::Gen2Crc16(Concat({Be16(0x1000), Bytes(kEpcA.begin(), kEpcA.begin() + 4)})));
    EXPECT_FALSE(tag.WriteWords(sim::UhfTag::kUser, 7, Bytes(4, 0))) << "past user memory";
    EXPECT_FALSE(tag.ReadWords(sim::UhfTag::kReserved, 3, 2).has_value());
    EXPECT_TRUE(tag.Matches(sim::UhfTag::kEpcBank, 0x20, 12, Bytes{0xE2, 0x00}));
    EXPECT_FALSE(tag.Matches(sim::UhfTag::kEpcBank, 0x20, 16, Bytes{0xE2, 0x01}));
    EXPECT_THROW(sim::UhfTag(Bytes(3, 0)), std::invalid_argument);
}

class M100ModuleTest : public ::testing::Test {
  protected:
    Frames Send(const Bytes& frame) { return module.Process(frame); }

    sim::M100Module module;
};

TEST_F(M100ModuleTest, SettingsAnswerThroughTheirCommands) {
    struct Row {
        const char* name;
        Bytes request;
        Frames answer;
    };
    const Row rows[] = {
        {"region China 900",
         {0xBB, 0x00, 0x07, 0x00, 0x01, 0x01, 0x09, 0x7E},
         {{0xBB, 0x01, 0x07, 0x00, 0x01, 0x00, 0x09, 0x7E}}},
        {"region Europe", Command(0x07, {0x03}), {Done(0x07)}},
        {"region unknown", Command(0x07, {0x05}), {Error(0x17)}},
        {"channel 14 of 15", Command(0xAB, {14}), {Done(0xAB)}},
        {"channel 15 of 15", Command(0xAB, {15}), {Error(0x17)}},
        {"get channel", Command(0xAA), {Response(0xAA, {14})}},
        {"power 26 dBm", Command(0xB6, Be16(2600)), {Done(0xB6)}},
        {"power above the module's", Command(0xB6, Be16(2601)), {Error(0x17)}},
        {"get power", Command(0xB7), {Response(0xB7, Be16(2600))}},
        {"hopping off", Command(0xAD, {0x00}), {Done(0xAD)}},
        {"hopping 01", Command(0xAD, {0x01}), {Error(0x17)}},
        {"carrier on", Command(0xB0, {0xFF}), {Done(0xB0)}},
        {"query parameter", Command(0x0E, {0x10, 0x20}), {Done(0x0E)}},
        {"get query parameter", Command(0x0D), {Response(0x0D, {0x10, 0x20})}},
        {"modem", Command(0xF0, {2, 4, 0x01, 0x20}), {Done(0xF0)}},
        {"read modem", Command(0xF1), {Response(0xF1, {2, 4, 0x01, 0x20})}},
        {"inventory mode 2", Command(0x12, {2}), {Done(0x12)}},
        {"inventory mode 3", Command(0x12, {3}), {Error(0x17)}},
        {"hardware version",
         Command(0x03, {0}),
         {Response(0x03, Concat({{0},
                                 Bytes{'M', '1', '0', '0', ' ', '2', '6', 'd', 'B', 'm', ' ', 'V',
                                       '1', '.', '0'}}))}},
        {"version kind 3", Command(0x03, {3}), {Error(0x17)}},
        {"unknown command", Command(0x99), {Error(0x17)}},
        {"getter with a parameter", Command(0xB7, {0}), {Error(0x17)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Send(row.request), row.answer);
    }
    EXPECT_EQ(module.region, 0x03);
    EXPECT_EQ(module.channel, 14);
    EXPECT_EQ(module.power, 2600);
    EXPECT_FALSE(module.frequencyHopping);
    EXPECT_TRUE(module.carrier);
    EXPECT_EQ(module.threshold, 0x0120);
    EXPECT_EQ(module.inventoryMode, 2);
    EXPECT_EQ(module.Commands().size(), std::size(rows));
}

TEST_F(M100ModuleTest, FramesThatFailTheirChecksGetNoAnswer) {
    Bytes badSum = Command(0xB7);
    badSum[5] ^= 1;
    Bytes badEnd = Command(0xB7);
    badEnd.back() = 0x7F;
    Bytes response = Frame(0x01, 0xB7, {});
    Bytes shortLength = Command(0x07, {0x01});
    shortLength[4] = 0x00;
    for (const Bytes& frame : {badSum, badEnd, response, shortLength, Bytes{0xBB, 0x00}}) {
        EXPECT_TRUE(Send(frame).empty());
    }
    EXPECT_EQ(module.RejectedFrames(), 5u);
    EXPECT_TRUE(module.Commands().empty());
}

TEST_F(M100ModuleTest, InventoryReportsEachTagOrNoTag) {
    EXPECT_EQ(Send(Command(0x22)), (Frames{{0xBB, 0x01, 0xFF, 0x00, 0x01, 0x15, 0x16, 0x7E}}));
    module.tags = {sim::UhfTag(kEpcA, -55), sim::UhfTag(kEpcB, -70)};
    EXPECT_EQ(Send(Command(0x22)), (Frames{Notice(module.tags[0]), Notice(module.tags[1])}));
    EXPECT_EQ(Notice(module.tags[0])[5], 0xC9) << "RSSI -55 as a signed byte";

    // Three rounds of the multiple inventory, then stopped.
    EXPECT_EQ(Send(Command(0x27, {0x22, 0x00, 0x03})).size(), 6u);
    EXPECT_TRUE(module.multipleInventory);
    EXPECT_EQ(Send(Command(0x28)), Frames{Done(0x28)});
    EXPECT_FALSE(module.multipleInventory);
    EXPECT_EQ(Send(Command(0x27, {0x22, 0xFF, 0xFF})).size(), sim::M100Module::kMaxNotices);
    EXPECT_EQ(Send(Command(0x27, {0x22, 0x00, 0x00})), Frames{Error(0x17)});
}

TEST_F(M100ModuleTest, SelectFiltersInventoryAndTagAccessByMode) {
    module.tags = {sim::UhfTag(kEpcA), sim::UhfTag(kEpcB)};
    // SelParam 01: EPC bank; bit 0x20 is the EPC's first bit; 96 mask bits.
    EXPECT_EQ(Send(Command(0x0C, Concat({{0x01, 0x00, 0x00, 0x00, 0x20, 0x60, 0x00}, kEpcB}))),
              Frames{Done(0x0C)});
    EXPECT_EQ(Send(Command(0x0C, {0x01, 0, 0, 0, 0x20, 0x60, 0x00, 0x30})), Frames{Error(0x17)})
        << "fewer mask bytes than bits";
    const Bytes readEpc = {0, 0, 0, 0, 0x01, 0x00, 0x02, 0x00, 0x01};
    struct Row {
        std::uint8_t mode;
        Frames inventory;
        const Bytes* accessed;
    };
    const Row rows[] = {
        {1, {Notice(module.tags[0]), Notice(module.tags[1])}, &kEpcA},
        {0, {Notice(module.tags[1])}, &kEpcB},
        {2, {Notice(module.tags[0]), Notice(module.tags[1])}, &kEpcB},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        module.inventoryMode = row.mode;
        EXPECT_EQ(Send(Command(0x22)), row.inventory);
        const Frames read = Send(Command(0x39, readEpc));
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(Bytes(read[0].begin() + 8, read[0].begin() + 20), *row.accessed);
    }
}

TEST_F(M100ModuleTest, TagMemoryAccessKeepsItsRules) {
    module.tags = {sim::UhfTag(kEpcA)};
    sim::UhfTag& tag = module.tags[0];
    const Bytes userData = {0x11, 0x22, 0x33, 0x44};
    // Write two user words, read them back, then with an access password set.
    EXPECT_EQ(Send(Command(0x49, Concat({{0, 0, 0, 0, 0x03, 0x00, 0x02, 0x00, 0x02}, userData}))),
              Frames{Response(0x49, Concat({Identity(tag), {0x00}}))});
    EXPECT_EQ(Send(Command(0x39, {0, 0, 0, 0, 0x03, 0x00, 0x02, 0x00, 0x02})),
              Frames{Response(0x39, Concat({Identity(tag), userData}))});
    tag.SetPasswords(0x0BADF00D, 0x12345678);
    struct Row {
        const char* name;
        Bytes request;
        Frames answer;
    };
    const Row rows[] = {
        {"read, wrong password", Command(0x39, {0, 0, 0, 0, 0x03, 0, 0, 0, 1}), {Error(0x16)}},
        {"read, its password",
         Command(0x39, {0x12, 0x34, 0x56, 0x78, 0x03, 0, 2, 0, 1}),
         {Response(0x39, Concat({Identity(tag), {0x11, 0x22}}))}},
        {"read past the bank",
         Command(0x39, {0x12, 0x34, 0x56, 0x78, 0x03, 0, 7, 0, 2}),
         {Error(0xA3)}},
        {"read of bank 4",
         Command(0x39, {0x12, 0x34, 0x56, 0x78, 0x04, 0, 0, 0, 1}),
         {Error(0x17)}},
        {"write, wrong password",
         Command(0x49, {0, 0, 0, 0, 0x03, 0, 0, 0, 1, 0xAA, 0xBB}),
         {Error(0x16)}},
        {"write, data short of the count",
         Command(0x49, {0x12, 0x34, 0x56, 0x78, 3, 0, 0, 0, 2, 1, 2}),
         {Error(0x17)}},
        {"lock, wrong password", Command(0x82, {0, 0, 0, 0, 0x00, 0x0C, 0x08}), {Error(0x16)}},
        {"lock",
         Command(0x82, {0x12, 0x34, 0x56, 0x78, 0x00, 0x0C, 0x08}),
         {Response(0x82, Concat({Identity(tag), {0x00}}))}},
        {"kill, wrong password", Command(0x65, {0, 0, 0, 0}), {Error(0x12)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Send(row.request), row.answer);
    }
    EXPECT_EQ(tag.lockPayload, (std::array<std::uint8_t, 3>{0x00, 0x0C, 0x08}));
    const Frames killed = Send(Command(0x65, {0x0B, 0xAD, 0xF0, 0x0D}));
    EXPECT_EQ(killed, Frames{Response(0x65, Concat({Identity(sim::UhfTag(kEpcA)), {0x00}}))});
    EXPECT_TRUE(module.tags.empty());
    EXPECT_EQ(Send(Command(0x39, {0, 0, 0, 0, 0x01, 0, 2, 0, 1})), Frames{Error(0x09)});
    EXPECT_EQ(Send(Command(0x65, {0, 0, 0, 1})), Frames{Error(0x12)});
}

TEST_F(M100ModuleTest, ScansReportEveryChannelOfTheRegion) {
    module.jammerLevels[3] = -40;
    const Frames jammer = Send(Command(0xF2));
    ASSERT_EQ(jammer.size(), 1u);
    Bytes values(20, 0xB0);
    values[3] = 0xD8;
    EXPECT_EQ(jammer[0], Response(0xF2, Concat({{0, 19}, values})));
    ASSERT_EQ(Send(Command(0x07, {0x02})), Frames{Done(0x07)});
    const Frames rssi = Send(Command(0xF3));
    ASSERT_EQ(rssi.size(), 1u);
    EXPECT_EQ(rssi[0], Response(0xF3, Concat({{0, 51}, Bytes(52, 0xB0)})));
}

TEST_F(M100ModuleTest, AnswerFaultsDamageTheNextAnswerOnly) {
    const Bytes power = Response(0xB7, Be16(module.power));
    using Fault = sim::M100Module::AnswerFault;
    Bytes badSum = power;
    badSum[badSum.size() - 2] ^= 0x5A;
    Bytes badEnd = power;
    badEnd.back() = 0x00;
    Bytes badHeader = power;
    badHeader[0] = 0xAA;
    Bytes longLength = power;
    longLength[4] = 0x03;
    longLength[7] = static_cast<std::uint8_t>(longLength[7] + 1);
    struct Row {
        Fault fault;
        std::size_t keep;
        Bytes answer;
    };
    const Row rows[] = {
        {Fault::kBadChecksum, 0, badSum},
        {Fault::kBadEnd, 0, badEnd},
        {Fault::kBadHeader, 0, badHeader},
        {Fault::kTruncate, 6, Bytes(power.begin(), power.begin() + 6)},
        {Fault::kLongLength, 0, longLength},
    };
    for (const Row& row : rows) {
        module.QueueAnswerFault(row.fault, row.keep);
        EXPECT_EQ(Send(Command(0xB7)), Frames{row.answer});
        EXPECT_EQ(Send(Command(0xB7)), Frames{power});
    }
}

// The reader's command 30: one reply per module frame.
TEST(M100Commands, EachAnswerFrameLeavesInAReplyOfItsOwn) {
    sim::SimulatedReader reader;
    sim::M100Module module;
    sim::M100Commands commands(reader, module);
    module.tags = {sim::UhfTag(kEpcA), sim::UhfTag(kEpcB), sim::UhfTag(Bytes(4, 0x01))};
    const sim::FrameMask mask = {0x10, 0x20, 0x30, 0x40};
    struct Row {
        const char* name;
        Bytes moduleFrame;
        Frames payloads;
    };
    Bytes broken = Command(0x22);
    broken[5] ^= 1;
    const Row rows[] = {
        {"inventory",
         Command(0x22),
         {Notice(module.tags[0]), Notice(module.tags[1]), Notice(module.tags[2])}},
        {"power", Command(0xB7), {Response(0xB7, Be16(module.power))}},
        {"a frame the module refuses", broken, {{}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<sim::Emission> out =
            reader.Process(sim_test::Request(mask, 7, 30, row.moduleFrame));
        ASSERT_EQ(out.size(), row.payloads.size());
        for (std::size_t i = 0; i < out.size(); ++i) {
            const sim_test::PlainReply plain = sim_test::Unscramble(out[i].bytes, mask);
            ASSERT_TRUE(plain.checkOk);
            EXPECT_EQ(plain.body, Concat({{8, 0, static_cast<std::uint8_t>(row.payloads[i].size())},
                                          row.payloads[i]}));
        }
    }
    // A lost reply takes the notices after it along.
    reader.QueueFault({sim::FaultKind::kNoReply});
    EXPECT_TRUE(reader.Process(sim_test::Request(mask, 7, 30, Command(0x22))).empty());
}

}  // namespace
