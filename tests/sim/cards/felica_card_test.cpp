#include "sim/cards/felica_card.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace sim {
namespace {

TEST(FelicaCardTest, PollingAnswerPerRequestCodeAndSystemCode) {
    const FelicaCard::Id idm = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    const FelicaCard::Id pmm = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
    FelicaCard card(idm, pmm, 0x12FC);
    std::vector<std::uint8_t> base = {0x01};
    base.insert(base.end(), idm.begin(), idm.end());
    base.insert(base.end(), pmm.begin(), pmm.end());
    auto with = [&](std::vector<std::uint8_t> extra) {
        std::vector<std::uint8_t> answer = base;
        answer.insert(answer.end(), extra.begin(), extra.end());
        return answer;
    };
    struct Row {
        std::uint16_t system;
        std::uint8_t request;
        std::optional<std::vector<std::uint8_t>> answer;
    };
    const Row rows[] = {
        {FelicaCard::kAnySystem, 0, base},
        {FelicaCard::kAnySystem, 1, with({0x12, 0xFC})},
        {FelicaCard::kAnySystem, 2, with({0x00, 0x83})},
        {FelicaCard::kAnySystem, 7, base},  // reserved request code: no request data
        {0x12FC, 0, base},
        {0x12FF, 0, base},  // FF matches either half
        {0xFFFC, 1, with({0x12, 0xFC})},
        {0x0003, 0, std::nullopt},  // another system: the card stays silent
        {0x12FD, 0, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.system << " " << int{row.request});
        EXPECT_EQ(card.Polling(row.system, row.request), row.answer);
    }
}

}  // namespace
}  // namespace sim
