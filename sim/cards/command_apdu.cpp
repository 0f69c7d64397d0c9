#include "sim/cards/command_apdu.h"

namespace sim {

namespace {

unsigned ShortLe(std::uint8_t byte) { return byte == 0 ? 256 : byte; }

}  // namespace

std::optional<CommandApdu> CommandApdu::Parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4) {
        return std::nullopt;
    }
    CommandApdu apdu;
    apdu.cla = bytes[0];
    apdu.ins = bytes[1];
    apdu.p1 = bytes[2];
    apdu.p2 = bytes[3];
    if (bytes.size() == 4) {
        return apdu;
    }
    if (bytes.size() == 5) {
        apdu.le = ShortLe(bytes[4]);
        return apdu;
    }
    const std::size_t lc = bytes[4];
    if (lc == 0 || (bytes.size() != 5 + lc && bytes.size() != 6 + lc)) {
        return std::nullopt;
    }
    apdu.data.assign(bytes.begin() + 5, bytes.begin() + 5 + static_cast<std::ptrdiff_t>(lc));
    if (bytes.size() == 6 + lc) {
        apdu.le = ShortLe(bytes.back());
    }
    return apdu;
}

}  // namespace sim
