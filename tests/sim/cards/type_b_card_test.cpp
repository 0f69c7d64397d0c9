#include "sim/cards/type_b_card.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/cards/apdu_script.h"

namespace sim {
namespace {

using State = TypeBCard::State;

TEST(TypeBCardTest, AtqbCarriesPupiApplicationDataAndProtocolInfo) {
    TypeBCard card({0x01, 0x02, 0x03, 0x04}, {0xA0, 0xA1, 0xA2, 0xA3}, {0x00, 0x81, 0x71});
    EXPECT_EQ(card.Atqb(), (std::vector<std::uint8_t>{0x50, 0x01, 0x02, 0x03, 0x04, 0xA0, 0xA1,
                                                      0xA2, 0xA3, 0x00, 0x81, 0x71}));
    EXPECT_EQ(card.AttribAnswer(), std::vector<std::uint8_t>{0x00});
    card.SetAtqb(std::vector<std::uint8_t>(80, 0x50));
    EXPECT_EQ(card.Atqb().size(), 80u);
}

TEST(TypeBCardTest, StateMachineOfRequestWakeUpAttribAndHalt) {
    struct Step {
        const char* what;
        bool (*command)(TypeBCard&);
        bool answers;
        State after;
    };
    auto reqb = [](TypeBCard& c) { return c.Request(false); };
    auto wupb = [](TypeBCard& c) { return c.Request(true); };
    auto attrib = [](TypeBCard& c) { return c.Attrib(); };
    auto halt = [](TypeBCard& c) { return c.Halt(); };
    const Step steps[] = {
        {"ATTRIB of an idle card", attrib, false, State::kIdle},
        {"HLTB of an idle card", halt, false, State::kIdle},
        {"REQB wakes it", reqb, true, State::kReady},
        {"REQB again", reqb, true, State::kReady},
        {"ATTRIB", attrib, true, State::kActive},
        {"an active card ignores REQB", reqb, false, State::kActive},
        {"and WUPB", wupb, false, State::kActive},
        {"HLTB", halt, true, State::kHalted},
        {"REQB does not reach a halted card", reqb, false, State::kHalted},
        {"ATTRIB neither", attrib, false, State::kHalted},
        {"WUPB does", wupb, true, State::kReady},
        {"HLTB of a ready card", halt, true, State::kHalted},
    };
    TypeBCard card;
    card.PowerOn();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.command(card), step.answers);
        EXPECT_EQ(card.state(), step.after);
    }
}

TEST(TypeBCardTest, LeavingTheActiveStateResetsTheApplication) {
    struct CountingApplication : ApduResponder {
        int resets = 0;
        void Reset() override { ++resets; }
        ApduAnswer Process(std::span<const std::uint8_t>) override { return {}; }
    };
    auto application = std::make_shared<CountingApplication>();
    TypeBCard card;
    card.SetApplication(application);
    ASSERT_EQ(card.application(), application.get());
    card.PowerOn();
    EXPECT_EQ(application->resets, 1);
    ASSERT_TRUE(card.Request(false));
    ASSERT_TRUE(card.Attrib());
    ASSERT_TRUE(card.Halt());
    EXPECT_EQ(application->resets, 2);
    ASSERT_TRUE(card.Request(true));
    ASSERT_TRUE(card.Attrib());
    card.Deactivate();
    EXPECT_EQ(card.state(), State::kIdle);
    EXPECT_EQ(application->resets, 3);
}

}  // namespace
}  // namespace sim
