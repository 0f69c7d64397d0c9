#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

// A FeliCa card as the Polling command sees it: its IDm (manufacture ID, 8 bytes), PMm
// (manufacture parameters, 8 bytes) and one system code.
class FelicaCard {
  public:
    using Id = std::array<std::uint8_t, 8>;

    static constexpr std::uint16_t kAnySystem = 0xFFFF;

    explicit FelicaCard(Id idm = {0x01, 0x2E, 0x3A, 0x4B, 0x5C, 0x6D, 0x7E, 0x8F},
                        Id pmm = {0x03, 0x01, 0x4B, 0x02, 0x4F, 0x49, 0x93, 0xFF},
                        std::uint16_t systemCode = 0x0003);

    const Id& idm() const { return idm_; }
    const Id& pmm() const { return pmm_; }
    std::uint16_t systemCode() const { return systemCode_; }

    // Polling (command 00) for `systemCode` (an FF byte matches any value in its place)
    // with a request code: 0 no request data, 1 the system code, 2 the communication
    // performance (212 and 424 kbit/s, automatic detection); other codes are reserved
    // and get no request data. The answer: response code 01, IDm, PMm, request data
    // (big-endian). Nothing when the system code does not match.
    std::optional<std::vector<std::uint8_t>> Polling(std::uint16_t systemCode,
                                                     std::uint8_t requestCode) const;

  private:
    Id idm_;
    Id pmm_;
    std::uint16_t systemCode_;
};

}  // namespace sim
