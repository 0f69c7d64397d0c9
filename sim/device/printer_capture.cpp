#include "sim/device/printer_capture.h"

#include <algorithm>

namespace sim {

void PrinterCapture::Print(std::span<const std::uint8_t> data) {
    const std::size_t kept = std::min(data.size(), capacity_ - std::min(capacity_, data_.size()));
    data_.insert(data_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(kept));
}

std::span<const std::uint8_t> PrinterCapture::Piece(std::size_t offset, std::size_t count) const {
    const std::span<const std::uint8_t> all(data_);
    if (offset >= all.size()) return {};
    return all.subspan(offset, std::min(count, all.size() - offset));
}

}  // namespace sim
