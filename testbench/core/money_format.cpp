#include "testbench/core/money_format.h"

namespace bench {

QString FormatCents(std::int64_t cents) {
    const bool negative = cents < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
    const std::uint64_t units = magnitude / 100;
    QString text = negative ? QStringLiteral("-") : QString();
    if (units > 0) text += QString::number(units);
    return text + QStringLiteral(".%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

}  // namespace bench
