#include "core/modules/slip_escape.h"

unsigned CountSlipEscapeRun(const std::uint8_t* data, unsigned length) {
    if (data == nullptr || length == 0 || data[0] != 0xDB) return 0;
    unsigned index = 1;
    while (index < length && data[index] == 0xDD) ++index;
    if (index < length) return data[index] == 0xDC ? index + 1 : 0;
    return length;
}
