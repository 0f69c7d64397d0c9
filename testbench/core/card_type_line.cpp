#include "testbench/core/card_type_line.h"

namespace bench {

QString CardTypeLine(const KorviCardParam& param) {
    return QStringLiteral("卡型：") +
           QStringLiteral("%1")
               .arg(static_cast<unsigned>(param.nCardType) & 0xFFFFu, 4, 16, QLatin1Char('0'))
               .toUpper();
}

}  // namespace bench
