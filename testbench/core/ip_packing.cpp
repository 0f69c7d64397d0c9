#include "testbench/core/ip_packing.h"

#include "testbench/core/hex_text.h"
#include "testbench/core/ip_address.h"

namespace bench {

QString DottedText(const std::uint8_t* octets) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(octets[0])
        .arg(octets[1])
        .arg(octets[2])
        .arg(octets[3]);
}

std::uint32_t PackLowByteFirst(const std::array<std::uint8_t, 4>& octets) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | octets[static_cast<std::size_t>(i)];
    return value;
}

QString UnpackLowByteFirst(std::uint32_t value) {
    const std::uint8_t octets[] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return DottedText(octets);
}

}  // namespace bench

namespace bench {

std::array<std::uint8_t, 4> AddressOrThrow(const QString& text) {
    const auto octets = ParseDottedAddress(text.trimmed());
    if (!octets) throw ConversionError(QString::fromUtf8(kNotAnAddress));
    return *octets;
}

}  // namespace bench
