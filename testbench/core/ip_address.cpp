#include "testbench/core/ip_address.h"

#include <QStringList>

namespace bench {

std::optional<std::array<std::uint8_t, 4>> ParseDottedAddress(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4) return std::nullopt;
    std::array<std::uint8_t, 4> octets{};
    for (int i = 0; i < 4; ++i) {
        const QString& part = parts[i];
        if (part.isEmpty() || part.size() > 3) return std::nullopt;
        int value = 0;
        for (QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
            value = value * 10 + (c.unicode() - '0');
        }
        if (value > 255) return std::nullopt;
        octets[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    }
    return octets;
}

bool IsIpAddress(const QString& text) {
    const auto octets = ParseDottedAddress(text);
    if (!octets) return false;
    for (std::uint8_t octet : *octets) {
        if (octet != 0xFF) return true;
    }
    return false;
}

}  // namespace bench
