#include "sim/commands/samv_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/cards/apdu_script.h"
#include "sim/cards/card_field.h"
#include "sim/cards/type_b_card.h"
#include "sim/commands/cpu_card_commands.h"
#include "sim/commands/type_b_commands.h"
#include "sim/rig_population.h"
#include "sim/sim_frames.h"
#include "sim/simulated_reader_rig.h"

// The module's last APDU and its answer (reader commands 244 and 245): what the module's read
// exchanged with the card in the field, driven with hand-built request frames.

namespace {

using sim_test::Answer;
using sim_test::Bytes;

constexpr sim::FrameMask kMask = {0x6B, 0x02, 0xD4, 0x19};
const Bytes kReadFrame = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x30, 0x10, 0x23};
// The last chunk of a 1024-byte file: offset 960, 64 bytes.
const Bytes kLastChunk = {0x80, 0xB0, 0x03, 0xC0, 0x40};

Answer Ok(Bytes payload = {}) { return {0, std::move(payload)}; }

// The reader's type B, CPU-card and SAMV commands, the module's APDUs passed to the field as
// the whole rig passes them; the sample identity card on the module and a type B card that
// answers by the script in the field.
struct SamvField {
    explicit SamvField(const std::string& cardScript)
        : script(std::make_shared<sim::ApduScript>(cardScript)) {
        module.card = sim::SampleIdentityCard();
        card->SetApplication(script);
        typeB.Present(card);
        cpu.PresentTypeB(card);
        field.SetProtocol('B');
    }

    Answer Send(std::uint8_t command, const Bytes& payload) {
        return sim_test::Exchange(reader, kMask, sequence++, command, payload);
    }
    // REQB and ATTRIB: the card is active.
    void Activate() {
        ASSERT_EQ(Send(27, {0}).status, 0);
        ASSERT_EQ(Send(28, {}).status, 0);
    }
    // The files the card was asked to select (the low byte of 60xx), in order.
    Bytes SelectedFiles() const {
        Bytes files;
        for (const Bytes& apdu : script->received()) {
            if (apdu.size() == 7 && apdu[1] == 0xA4) files.push_back(apdu[6]);
        }
        return files;
    }

    sim::SimulatedReader reader;
    sim::CardField field;
    sim::TypeBCommands typeB{reader, field};
    sim::CpuCardCommands cpu{reader, field};
    sim::SamvModule module;
    sim::SamvCommands samv{reader, module, [this](std::span<const std::uint8_t> apdu) {
                               return cpu.ExchangeTypeBApdu(apdu);
                           }};
    std::shared_ptr<sim::ApduScript> script;
    std::shared_ptr<sim::TypeBCard> card = std::make_shared<sim::TypeBCard>();
    std::uint8_t sequence = 0;
};

const char kAnsweringCard[] = "00A4* => 9000\n80B0* => 5A 5A 9000\n";

TEST(SamvLastApdu, IsTheLastApduTheModulesReadExchangedWithTheCard) {
    SamvField r(kAnsweringCard);
    EXPECT_EQ(r.Send(244, {}), Ok());
    EXPECT_EQ(r.Send(245, {}), Ok());
    r.Activate();
    ASSERT_EQ(r.Send(38, kReadFrame), Ok());
    EXPECT_EQ(r.module.held.size(), 2321u) << "the module still answers its card's read";

    EXPECT_EQ(r.SelectedFiles(), (Bytes{0x11, 0x12, 0x13, 0x21}));
    const std::vector<Bytes>& sent = r.script->received();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(std::vector<Bytes>(sent.begin() + 1, sent.begin() + 4),
              (std::vector<Bytes>{{0x80, 0xB0, 0x00, 0x00, 0x50},
                                  {0x80, 0xB0, 0x00, 0x50, 0x50},
                                  {0x80, 0xB0, 0x00, 0xA0, 0x36}}))
        << "file 6011 of 214 bytes in chunks of 80";
    EXPECT_EQ(sent.back(), kLastChunk);
    EXPECT_EQ(r.Send(244, {}), Ok(kLastChunk));
    EXPECT_EQ(r.Send(245, {}), Ok({0x5A, 0x5A, 0x90, 0x00}));

    // A module command that reaches no card, and a read once the card has left, keep them.
    ASSERT_EQ(r.Send(38, {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x20, 0x01, 0x22}), Ok());
    r.field.SetProtocol('A');
    ASSERT_EQ(r.Send(38, kReadFrame), Ok());
    EXPECT_EQ(r.Send(244, {}), Ok(kLastChunk));
    EXPECT_EQ(r.Send(245, {}), Ok({0x5A, 0x5A, 0x90, 0x00}));
}

TEST(SamvLastApdu, TheReadStopsWhereTheCardRefuses) {
    const struct {
        const char* what;
        std::string script;
        std::function<void(SamvField&)> setup;
        Bytes selected;
        Bytes lastApdu;
        Bytes lastResult;
    } cases[] = {
        {"a refused SELECT of 6012",
         "00A40000026012 => 6A82\n" + std::string(kAnsweringCard),
         nullptr,
         {0x11, 0x12},
         {0x00, 0xA4, 0x00, 0x00, 0x02, 0x60, 0x12},
         {0x6A, 0x82}},
        {"a refused chunk of 6011",
         "80B000A0* => 6B00\n" + std::string(kAnsweringCard),
         nullptr,
         {0x11},
         {0x80, 0xB0, 0x00, 0xA0, 0x36},
         {0x6B, 0x00}},
        {"a card without fingerprint: three files",
         kAnsweringCard,
         [](SamvField& r) { r.module.card->fingerprint.clear(); },
         {0x11, 0x12, 0x13},
         kLastChunk,
         {0x5A, 0x5A, 0x90, 0x00}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SamvField r(c.script);
        if (c.setup) c.setup(r);
        r.Activate();
        ASSERT_EQ(r.Send(38, kReadFrame), Ok());
        EXPECT_EQ(r.module.held[9], sim::SamvModule::kStatusOk);
        EXPECT_EQ(r.SelectedFiles(), c.selected);
        EXPECT_EQ(r.script->received().back(), c.lastApdu);
        EXPECT_EQ(r.Send(244, {}), Ok(c.lastApdu));
        EXPECT_EQ(r.Send(245, {}), Ok(c.lastResult));
    }
}

TEST(SamvLastApdu, StaysEmptyWhileTheModuleReachesNoCard) {
    const struct {
        const char* what;
        std::function<void(SamvField&)> setup;
        std::uint8_t status;
    } cases[] = {
        {"the card not selected", [](SamvField&) {}, sim::SamvModule::kStatusOk},
        {"the reader runs type A",
         [](SamvField& r) {
             r.Activate();
             r.field.SetProtocol('A');
         },
         sim::SamvModule::kStatusOk},
        {"no card on the module",
         [](SamvField& r) {
             r.Activate();
             r.module.card.reset();
         },
         sim::SamvModule::kStatusNoCard},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SamvField r(kAnsweringCard);
        c.setup(r);
        ASSERT_EQ(r.Send(38, kReadFrame), Ok());
        EXPECT_EQ(r.module.held.at(9), c.status);
        EXPECT_TRUE(r.script->received().empty());
        EXPECT_EQ(r.Send(244, {}), Ok());
        EXPECT_EQ(r.Send(245, {}), Ok());
    }
}

TEST(SamvLastApdu, TheRigPassesTheModulesReadToTheIdentityCardInItsField) {
    sim::ReaderRig rig(sim::FieldCard::kTypeB);
    std::uint8_t sequence = 0;
    const auto send = [&](std::uint8_t command, const Bytes& payload) {
        return sim_test::Exchange(rig.reader(), kMask, sequence++, command, payload);
    };
    ASSERT_EQ(send(20, {'B'}), Ok());
    ASSERT_EQ(send(27, {0}).status, 0);
    ASSERT_EQ(send(28, {}).status, 0);
    ASSERT_EQ(send(38, kReadFrame), Ok());
    EXPECT_EQ(send(244, {}), Ok(kLastChunk));
    const Bytes answer = sim::SampleIdentityTypeBCard()->application()->Process(kLastChunk).Bytes();
    ASSERT_EQ(Bytes(answer.end() - 2, answer.end()), (Bytes{0x90, 0x00}));
    EXPECT_EQ(send(245, {}), Ok(answer));
}

}  // namespace
