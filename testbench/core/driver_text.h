#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

namespace bench {

// The GBK bytes of a text handed to the driver; throws ConversionError when a character has
// no GBK form.
QByteArray GbkOrThrow(const QString& text);

// Copies text into field followed by a zero byte. False, with field untouched, when the text
// and its terminator do not fit.
bool PutZeroTerminated(std::span<std::uint8_t> field, const QByteArray& text);

}  // namespace bench
