#include "sim/cards/fresh_challenge_application.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "sim/cards/apdu_script.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::ApduScript;
using sim::FreshChallengeApplication;

constexpr std::array<std::uint8_t, 8> kSeed = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87};
const Bytes kChallenge8 = {0x00, 0x84, 0x00, 0x00, 0x08};
const Bytes kChallenge4 = {0x00, 0x84, 0x00, 0x00, 0x04};

class FreshChallengeTest : public ::testing::Test {
  public:
    Bytes Send(const Bytes& apdu) { return card.Process(apdu).Bytes(); }

    std::shared_ptr<ApduScript> script = std::make_shared<ApduScript>(
        "0084000008 => 01 01 01 01 01 01 01 01 9000\n"
        "8084000008 => 02 02 9000\n");
    FreshChallengeApplication card{script, kSeed};
};

TEST_F(FreshChallengeTest, EveryChallengeIsFreshAndFollowsFromTheSeed) {
    const Bytes first = Send(kChallenge8);
    EXPECT_EQ(first, (Bytes{0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87, 0x90, 0x00}));
    std::vector<Bytes> seen = {first};
    for (int i = 0; i < 20; ++i) {
        const Bytes next = Send(i % 2 == 0 ? kChallenge8 : kChallenge4);
        ASSERT_EQ(next.size(), i % 2 == 0 ? 10u : 6u);
        EXPECT_EQ(Bytes(next.end() - 2, next.end()), (Bytes{0x90, 0x00}));
        for (const Bytes& before : seen) EXPECT_NE(next, before) << i;
        seen.push_back(next);
    }
    EXPECT_TRUE(script->received().empty()) << "the script's fixed challenge is never used";

    // Another card of the same seed gives the same challenges: a test can know them ahead.
    FreshChallengeApplication twin(std::make_shared<ApduScript>(), kSeed);
    EXPECT_EQ(twin.Process(kChallenge8).Bytes(), first);
    EXPECT_EQ(twin.Process(kChallenge8).Bytes(), seen[1]);
}

TEST_F(FreshChallengeTest, RefusesOtherLengthsWithoutUsingAChallengeAndPassesTheRestOn) {
    const struct {
        const char* what;
        Bytes apdu;
    } refused[] = {
        {"16 bytes", {0x00, 0x84, 0x00, 0x00, 0x10}},
        {"256 bytes", {0x00, 0x84, 0x00, 0x00, 0x00}},
        {"no Le", {0x00, 0x84, 0x00, 0x00}},
    };
    for (const auto& r : refused) EXPECT_EQ(Send(r.apdu), (Bytes{0x67, 0x00})) << r.what;
    EXPECT_EQ(Send(kChallenge4), (Bytes{0x10, 0x21, 0x32, 0x43, 0x90, 0x00}));

    EXPECT_EQ(Send({0x80, 0x84, 0x00, 0x00, 0x08}), (Bytes{0x02, 0x02, 0x90, 0x00}));
    EXPECT_EQ(Send({0x00, 0xB0, 0x00, 0x00, 0x08}), (Bytes{0x6D, 0x00}));
    EXPECT_EQ(Send({0x00}), (Bytes{0x6D, 0x00})) << "no APDU: the script's answer";
    EXPECT_EQ(script->received().size(), 3u);
}

}  // namespace
