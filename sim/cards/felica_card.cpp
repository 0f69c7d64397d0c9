#include "sim/cards/felica_card.h"

namespace sim {

namespace {

bool HalfMatches(std::uint8_t wanted, std::uint8_t have) {
    return wanted == 0xFF || wanted == have;
}

}  // namespace

FelicaCard::FelicaCard(Id idm, Id pmm, std::uint16_t systemCode)
    : idm_(idm), pmm_(pmm), systemCode_(systemCode) {}

std::optional<std::vector<std::uint8_t>> FelicaCard::Polling(std::uint16_t systemCode,
                                                             std::uint8_t requestCode) const {
    if (!HalfMatches(static_cast<std::uint8_t>(systemCode >> 8),
                     static_cast<std::uint8_t>(systemCode_ >> 8)) ||
        !HalfMatches(static_cast<std::uint8_t>(systemCode & 0xFF),
                     static_cast<std::uint8_t>(systemCode_ & 0xFF))) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> answer = {0x01};
    answer.insert(answer.end(), idm_.begin(), idm_.end());
    answer.insert(answer.end(), pmm_.begin(), pmm_.end());
    if (requestCode == 1) {
        answer.push_back(static_cast<std::uint8_t>(systemCode_ >> 8));
        answer.push_back(static_cast<std::uint8_t>(systemCode_ & 0xFF));
    } else if (requestCode == 2) {
        answer.push_back(0x00);
        answer.push_back(0x83);
    }
    return answer;
}

}  // namespace sim
