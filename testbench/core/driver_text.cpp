#include "testbench/core/driver_text.h"

#include <algorithm>

#include "testbench/core/gbk_text.h"
#include "testbench/core/hex_text.h"

namespace bench {

QByteArray GbkOrThrow(const QString& text) {
    const auto gbk = ToGbk(text);
    if (!gbk) throw ConversionError(QStringLiteral("“%1”含有GBK无法表示的字符").arg(text));
    return *gbk;
}

bool PutZeroTerminated(std::span<std::uint8_t> field, const QByteArray& text) {
    const auto size = static_cast<std::size_t>(text.size());
    if (size >= field.size()) return false;
    std::copy_n(reinterpret_cast<const std::uint8_t*>(text.constData()), size, field.begin());
    field[size] = 0;
    return true;
}

}  // namespace bench
