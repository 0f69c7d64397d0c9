#include "QivUnicodeControls/wide_text_extent.h"

namespace qiv {

QSize WideCanvasTextExtent(const QFontMetrics& metrics, const QString& text) {
    return {metrics.horizontalAdvance(text), metrics.height()};
}

int WideCanvasTextWidth(const QFontMetrics& metrics, const QString& text) {
    return WideCanvasTextExtent(metrics, text).width();
}

int WideCanvasTextHeight(const QFontMetrics& metrics, const QString& text) {
    return WideCanvasTextExtent(metrics, text).height();
}

QRect WideHintRect(const QFontMetrics& metrics, int maxWidth, const QString& hint) {
    const QRect text =
        metrics.boundingRect(QRect(0, 0, maxWidth, 0), Qt::AlignLeft | Qt::TextWordWrap, hint);
    return {0, 0, text.width() + 6, text.height() + 2};
}

QSize WideHintCaptionSize(const QFontMetrics& metrics, const QString& caption) {
    return WideCanvasTextExtent(metrics, caption) + QSize(6, 6);
}

}  // namespace qiv
