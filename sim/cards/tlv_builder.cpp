#include "sim/cards/tlv_builder.h"

namespace sim {

std::vector<std::uint8_t> Tlv(std::initializer_list<std::uint8_t> tag,
                              std::span<const std::uint8_t> value) {
    std::vector<std::uint8_t> element(tag);
    const std::size_t length = value.size();
    if (length > 0xFF) {
        element.push_back(0x82);
        element.push_back(static_cast<std::uint8_t>(length >> 8));
    } else if (length > 0x7F) {
        element.push_back(0x81);
    }
    element.push_back(static_cast<std::uint8_t>(length & 0xFF));
    element.insert(element.end(), value.begin(), value.end());
    return element;
}

std::vector<std::uint8_t> Tlv(std::initializer_list<std::uint8_t> tag, std::string_view value) {
    return Tlv(tag, std::span<const std::uint8_t>(
                        reinterpret_cast<const std::uint8_t*>(value.data()), value.size()));
}

std::vector<std::uint8_t> Tlv(std::initializer_list<std::uint8_t> tag,
                              std::initializer_list<std::vector<std::uint8_t>> elements) {
    std::vector<std::uint8_t> value;
    for (const std::vector<std::uint8_t>& element : elements) {
        value.insert(value.end(), element.begin(), element.end());
    }
    return Tlv(tag, value);
}

}  // namespace sim
