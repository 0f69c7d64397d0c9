#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace sim {

// BER-TLV elements as cards lay them out, for building scripted card answers.

// One element: the tag bytes (one or two), the length in BER form (one byte up to 127,
// 81 xx up to 255, 82 xx xx beyond), the value.
std::vector<std::uint8_t> Tlv(std::initializer_list<std::uint8_t> tag,
                              std::span<const std::uint8_t> value);
std::vector<std::uint8_t> Tlv(std::initializer_list<std::uint8_t> tag, std::string_view value);
// A constructed element whose value is the elements given, one after the other.
std::vector<std::uint8_t> Tlv(std::initializer_list<std::uint8_t> tag,
                              std::initializer_list<std::vector<std::uint8_t>> elements);

}  // namespace sim
