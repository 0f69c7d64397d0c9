#pragma once

#include <QString>
#include <cstdint>

namespace bench {

// A dotted address packed with its first part in the high byte ("192.168.4.1" gives
// 0xC0A80401): part i (from 0) shifted left by 24 - 8i, the shift taken modulo 32, and added.
// A part that is no decimal integer throws ConversionError.
std::uint32_t IpStringToUInt32(const QString& text);

}  // namespace bench
