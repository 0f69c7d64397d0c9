#include "core/iso14443_4_ats.h"

std::optional<AtsInfo> ParseAts(std::span<const std::uint8_t> received) {
    if (received.empty() || received[0] == 0 || received[0] > received.size()) {
        return std::nullopt;
    }
    AtsInfo ats;
    ats.length = received[0];
    const std::span<const std::uint8_t> bytes = received.first(ats.length);
    if (bytes.size() == 1) {
        return ats;
    }
    const std::uint8_t t0 = bytes[1];
    ats.fsci = t0 & 0x0F;
    std::size_t offset = 2;
    const auto next = [&](std::uint8_t presence) -> std::optional<std::optional<std::uint8_t>> {
        if ((t0 & presence) == 0) {
            return std::optional<std::uint8_t>();
        }
        if (offset >= bytes.size()) {
            return std::nullopt;
        }
        return std::optional<std::uint8_t>(bytes[offset++]);
    };
    const auto ta1 = next(0x10);
    const auto tb1 = next(0x20);
    const auto tc1 = next(0x40);
    if (!ta1 || !tb1 || !tc1) {
        return std::nullopt;
    }
    ats.ta1 = *ta1;
    ats.tb1 = *tb1;
    ats.tc1 = *tc1;
    ats.historical = bytes.subspan(offset);
    return ats;
}
