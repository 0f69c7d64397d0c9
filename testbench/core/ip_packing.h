#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace bench {

// Four address bytes, first octet first, as decimal parts joined by ".".
QString DottedText(const std::uint8_t* octets);
// The octets as one value with the first octet in the low byte (octet i shifted by 8 i).
std::uint32_t PackLowByteFirst(const std::array<std::uint8_t, 4>& octets);
// The four bytes of value from the low byte up, joined by ".".
QString UnpackLowByteFirst(std::uint32_t value);

}  // namespace bench

namespace bench {

// The message of an address text that is not four decimal parts 0-255.
inline constexpr char kNotAnAddress[] = "Ip不是整形数据类型!";

// The octets of the trimmed text, exactly four decimal parts 0-255; throws ConversionError
// with kNotAnAddress otherwise.
std::array<std::uint8_t, 4> AddressOrThrow(const QString& text);

}  // namespace bench
