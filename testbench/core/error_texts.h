#pragma once

#include <QString>

namespace bench {

// The reader error text of a code returned by KorviCardGetErrorCode, looked up by its low
// eight bits.
QString ErrorCodeText(int code);

}  // namespace bench
