#include "testbench/pages/uhf_formats.h"

#include <cmath>

#include "testbench/core/hex_text.h"

namespace bench {

QString ShortDecimal(double value) { return QString::number(value, 'g', 15); }

QString ChannelText(const UhfRegion& region, int channel) {
    return ShortDecimal(region.baseMhz + channel * region.stepMhz) + QStringLiteral("MHz");
}

QString PowerText(std::uint16_t hundredths) {
    return ShortDecimal(static_cast<std::int16_t>(hundredths) / 100.0);
}

int PowerFromText(const QString& text) {
    bool ok = false;
    const double dbm = text.trimmed().toDouble(&ok);
    const double hundredths = std::round(dbm * 100.0);
    if (!ok || !std::isfinite(hundredths) || hundredths < INT16_MIN || hundredths > INT16_MAX) {
        throw ConversionError(QStringLiteral("“%1”不是有效的浮点数值").arg(text));
    }
    return static_cast<int>(hundredths);
}

QString QueryParameterHex(std::uint16_t value) {
    const auto word =
        static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(value)));
    return QString::number(word, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

}  // namespace bench
