#include "sim/cards/select_read_application.h"

#include <optional>

namespace sim {

ApduAnswer SelectReadApplication::Process(std::span<const std::uint8_t> command) {
    const std::optional<CommandApdu> apdu = CommandApdu::Parse(command);
    if (!apdu) {
        return ApduAnswer::Status(0x67, 0x00);
    }
    if (apdu->cla != 0x00) {
        return ApduAnswer::Status(0x6E, 0x00);
    }
    if (apdu->ins == 0xA4) {
        return Select(*apdu);
    }
    if (apdu->ins == 0xB2) {
        return ReadRecord(*apdu);
    }
    return ApduAnswer::Status(0x6D, 0x00);
}

}  // namespace sim
