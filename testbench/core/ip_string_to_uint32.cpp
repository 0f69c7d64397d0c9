#include "testbench/core/ip_string_to_uint32.h"

#include <QStringList>

#include "testbench/core/hex_text.h"

namespace bench {

std::uint32_t IpStringToUInt32(const QString& text) {
    std::uint32_t address = 0;
    const QStringList parts = text.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const qint64 part = parts[i].toLongLong(&ok, 10);
        if (!ok) {
            throw ConversionError(QStringLiteral("“%1”不是有效的整数值").arg(parts[i]));
        }
        const auto shift = static_cast<unsigned>(24 - 8 * i) & 31u;
        address += static_cast<std::uint32_t>(static_cast<std::uint64_t>(part) << shift);
    }
    return address;
}

}  // namespace bench
