#include "core/cards/iso14443_4_ats.h"

#include <utility>

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
    // Interface bytes TA1, TB1, TC1 follow T0 in that order when T0 announces them.
    const std::pair<std::uint8_t, std::optional<std::uint8_t>*> interfaceBytes[] = {
        {0x10, &ats.ta1}, {0x20, &ats.tb1}, {0x40, &ats.tc1}};
    for (const auto& [presence, field] : interfaceBytes) {
        if ((t0 & presence) == 0) continue;
        if (offset >= bytes.size()) return std::nullopt;
        *field = bytes[offset++];
    }
    ats.historical = bytes.subspan(offset);
    return ats;
}
