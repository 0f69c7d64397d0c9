#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <optional>

namespace bench {

// Chinese text as the driver carries it to and from cards: GBK bytes (code page 936).
// Nothing when a character has no GBK form.
std::optional<QByteArray> ToGbk(const QString& text);
// The GBK bytes up to the first zero byte within size (all of them when there is none);
// bytes that are not GBK become U+FFFD.
QString FromGbk(const char* bytes, std::size_t size);

}  // namespace bench
