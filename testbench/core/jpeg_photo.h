#pragma once

#include <QImage>
#include <cstdint>
#include <span>

namespace bench {

// The picture of a JPEG held in memory, decoded with libjpeg; a null image when libjpeg
// refuses the data (truncated, corrupt, not a JPEG). Never exits the program.
QImage DecodeJpeg(std::span<const std::uint8_t> bytes);

}  // namespace bench
