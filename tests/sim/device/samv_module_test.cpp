#include "sim/device/samv_module.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/sim_frames.h"
#include "sim/simulated_reader_rig.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Frames written out by hand: preamble, length, body, XOR of length and body.
struct Case {
    const char* what;
    Bytes frame;
    Bytes answer;  // empty: the module keeps silent
};

TEST(SamvModuleTest, AnswersEachFrameWithItsStatus) {
    const Case cases[] = {
        {"find card",
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x20, 0x01, 0x22},
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x9F, 0x9B}},
        {"select card",
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x20, 0x02, 0x21},
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x90, 0x94}},
        {"reset the SAM",
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x10, 0xFF, 0xEC},
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x90, 0x94}},
        {"wrong check byte",
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x20, 0x01, 0x23},
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x10, 0x14}},
        {"unknown command",
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x55, 0x66, 0x30},
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x21, 0x25}},
        {"body too short",
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x02, 0x20, 0x22},
         {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x11, 0x15}},
        {"no preamble", {0xAA, 0xAA, 0x00, 0x96, 0x69, 0x00, 0x03, 0x20, 0x01, 0x22}, {}},
        {"fewer bytes than announced", {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x05, 0x20, 0x01}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::SamvModule module;
        module.card = sim::SampleIdentityCard();
        module.held = {0x01};
        module.Receive(c.frame);
        EXPECT_EQ(module.held, c.answer);
    }
}

TEST(SamvModuleTest, ReadAnswerLayoutWithAndWithoutFingerprint) {
    const Bytes read = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x30, 0x10, 0x23};
    sim::SamvModule module;
    module.card = sim::SampleIdentityCard();
    module.Receive(read);
    ASSERT_EQ(module.held.size(), 2321u);
    EXPECT_EQ(Bytes(module.held.begin() + 5, module.held.begin() + 16),
              (Bytes{0x09, 0x0A, 0x00, 0x00, 0x90, 0x01, 0x00, 0x04, 0x00, 0x04, 0x00}));
    EXPECT_EQ(module.held[16], module.card->text[0]);
    EXPECT_EQ(module.held[272], module.card->photo[0]);
    EXPECT_EQ(module.held[1296], module.card->fingerprint[0]);

    module.card->fingerprint.clear();
    module.Receive(read);
    ASSERT_EQ(module.held.size(), 1295u);
    EXPECT_EQ(module.held[5], 0x05);
    EXPECT_EQ(module.held[6], 0x08);
    EXPECT_EQ(module.held[14], module.card->text[0]);
    EXPECT_EQ(module.held[270], module.card->photo[0]);
    std::uint8_t check = 0;
    for (std::size_t i = 5; i < module.held.size(); ++i) check ^= module.held[i];
    EXPECT_EQ(check, 0);

    module.card.reset();
    module.Receive(read);
    EXPECT_EQ(module.held,
              (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x80, 0x84}));
}

TEST(SamvModuleTest, TextFieldsHoldTheirTextWholeOrRefuseIt) {
    // The sample card's issuing authority fills 13 of its 15 units.
    const sim::IdentityCard sample = sim::SampleIdentityCard();
    const std::u16string department = u"Sample Police  ";
    for (std::size_t i = 0; i < department.size(); ++i) {
        EXPECT_EQ(sample.text[158 + 2 * i] | sample.text[159 + 2 * i] << 8, department[i]) << i;
    }

    sim::IdentityCard card;
    card.SetField(158, 30, u"ABCDEFGHIJKLMNO");
    EXPECT_EQ(card.text[186], 'O');
    EXPECT_EQ(card.text[188], 0) << "the next field is untouched";
    card.SetField(254, 2, u"Z");
    EXPECT_EQ(card.text[254], 'Z');
    const struct {
        std::size_t offset, size;
        std::u16string_view value;
    } refused[] = {{158, 30, u"ABCDEFGHIJKLMNOP"}, {30, 2, u"12"}, {250, 8, u"A"}, {300, 2, u""}};
    for (const auto& r : refused) {
        sim::IdentityCard before = card;
        EXPECT_THROW(card.SetField(r.offset, r.size, r.value), std::length_error) << r.offset;
        EXPECT_EQ(card.text, before.text);
    }
}

TEST(SamvModuleTest, TheRigReadsItsSampleCardThroughTheReaderCommands) {
    sim::ReaderRig rig;
    const sim::FrameMask mask = {0x11, 0x22, 0x33, 0x44};
    const Bytes read = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x30, 0x10, 0x23};
    EXPECT_EQ(sim_test::Exchange(rig.reader(), mask, 1, 38, read), (sim_test::Answer{0, {}}));
    EXPECT_EQ(sim_test::Exchange(rig.reader(), mask, 2, 246, {}),
              (sim_test::Answer{0, {0x11, 0x09, 0x00, 0x00}}));
    const sim_test::Answer header =
        sim_test::Exchange(rig.reader(), mask, 3, 40, {0, 0, 0, 0, 7, 0, 0, 0});
    EXPECT_EQ(header, (sim_test::Answer{0, {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x09, 0x0A}}));
    const sim_test::Answer tail =
        sim_test::Exchange(rig.reader(), mask, 4, 40, {0x10, 0x09, 0, 0, 240, 0, 0, 0});
    EXPECT_EQ(tail.status, 0);
    EXPECT_EQ(tail.payload.size(), 1u);
    EXPECT_EQ(sim_test::Exchange(rig.reader(), mask, 5, 40, {0, 0, 0, 0, 241, 0, 0, 0}).status, 1);
}

}  // namespace
