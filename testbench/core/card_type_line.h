#pragma once

#include <QString>

#include "korvicard/KorviCardDriver.h"

namespace bench {

// "卡型：" and the card type of a request (nCardType) as four upper-case hexadecimal digits.
QString CardTypeLine(const KorviCardParam& param);

}  // namespace bench
