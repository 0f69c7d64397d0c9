#include "testbench/core/hex_text.h"

#include <cmath>

namespace bench {

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

QString NotANumber(const QString& text) { return QStringLiteral("“%1”不是有效的整数值").arg(text); }

}  // namespace

ConversionError::ConversionError(const QString& text) : std::runtime_error(text.toStdString()) {}

bool IsHexText(const QString& text) {
    for (QChar c : text) {
        if (HexDigit(c) < 0) return false;
    }
    return true;
}

QString BytesToHex(std::span<const std::uint8_t> bytes, std::size_t count, bool withBlank) {
    QString out;
    if (count > bytes.size()) return out;
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        if (withBlank) out += QLatin1Char(' ');
        out += QLatin1Char(kDigits[bytes[i] >> 4]);
        out += QLatin1Char(kDigits[bytes[i] & 0x0F]);
    }
    return out;
}

void HexToBytes(const QString& text, std::span<std::uint8_t> destination, int limit, int& count) {
    const QString trimmed = text.trimmed();
    const qsizetype n = trimmed.size();
    if (n > static_cast<qsizetype>(limit) + 1) return;
    const auto pairs = static_cast<qsizetype>(std::nearbyint(static_cast<double>(n) / 2.0));
    const qsizetype room = std::min<qsizetype>(pairs, static_cast<qsizetype>(destination.size()));
    for (qsizetype i = 0; i < room; ++i) {
        const QString pair = trimmed.mid(2 * i, 2);
        int value = 0;
        for (QChar c : pair) {
            const int digit = HexDigit(c);
            if (digit < 0) throw ConversionError(NotANumber(pair));
            value = value * 16 + digit;
        }
        destination[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    }
    count = static_cast<int>(room);
}

std::uint32_t HexTextToValue(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 8 || !IsHexText(trimmed)) {
        throw ConversionError(NotANumber(text));
    }
    return trimmed.toUInt(nullptr, 16);
}

int DecimalTextToValue(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok) throw ConversionError(NotANumber(text));
    return value;
}

}  // namespace bench
