#include "sim/device/bluetooth_at_module.h"

namespace sim {

std::vector<std::uint8_t> BluetoothAtModule::operator()(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> answer;
    for (std::uint8_t byte : bytes) {
        line_.push_back(byte);
        const std::size_t n = line_.size();
        if (n < 2 || line_[n - 2] != '\r' || line_[n - 1] != '\n') continue;
        if (n >= 4 && line_[0] == 'A' && line_[1] == 'T') {
            for (char c : {'O', 'K', '\r', '\n'}) answer.push_back(static_cast<std::uint8_t>(c));
        }
        line_.clear();
    }
    return answer;
}

}  // namespace sim
