#pragma once

#include <QString>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace bench {

// A text the bench cannot convert (a key, command or identifier that is not a number in its
// base). Handlers let it end their run; the window shows its text in a message box.
class ConversionError : public std::runtime_error {
  public:
    explicit ConversionError(const QString& text);
    QString text() const { return QString::fromUtf8(what()); }
};

// True when every character is 0-9, a-f or A-F; the empty text is true.
bool IsHexText(const QString& text);

// The first count bytes as two upper-case digits each, a blank before each pair when
// withBlank. A count larger than bytes gives the empty text.
QString BytesToHex(std::span<const std::uint8_t> bytes, std::size_t count, bool withBlank);

// Reads the trimmed text as hexadecimal pairs into destination. When the trimmed text has
// more than limit + 1 characters nothing is written and count is left as it was. Otherwise
// count := half the length rounded to the even neighbour, each pair (a last single digit
// alone) converted; a pair that is not hexadecimal throws ConversionError. At most
// destination.size() bytes are written.
void HexToBytes(const QString& text, std::span<std::uint8_t> destination, int limit, int& count);

// The value of the trimmed text read as hexadecimal (1-8 digits) or decimal; throws
// ConversionError otherwise.
std::uint32_t HexTextToValue(const QString& text);
int DecimalTextToValue(const QString& text);

}  // namespace bench
