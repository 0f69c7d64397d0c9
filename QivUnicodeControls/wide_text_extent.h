#pragma once

// Sizes of wide text and of the hint window that shows it, in a font's metrics.

#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QString>

namespace qiv {

// Width and height of the text on one line.
QSize WideCanvasTextExtent(const QFontMetrics& metrics, const QString& text);
int WideCanvasTextWidth(const QFontMetrics& metrics, const QString& text);
int WideCanvasTextHeight(const QFontMetrics& metrics, const QString& text);

// The hint window's rectangle for a hint: the text wrapped at words within
// `maxWidth` ("&" shown as it is), widened by 6 and heightened by 2.
QRect WideHintRect(const QFontMetrics& metrics, int maxWidth, const QString& hint);

// The hint window's size once its caption changes: the text's extent plus 6 each way.
QSize WideHintCaptionSize(const QFontMetrics& metrics, const QString& caption);

}  // namespace qiv
