#pragma once

#include <QString>
#include <cstdint>

#include "testbench/core/bounded_hex.h"
#include "testbench/core/handler_run.h"

class QAbstractButton;

namespace bench {

// The other-API page's frame: open with the time-out, beep first where the handler does; a
// failure leaves the reader open, a run to its end closes it.
inline HandlerRules OtherApiRules(QAbstractButton* button, bool beep, int timeoutMs = 0,
                                  char cardType = 0) {
    return {.timeoutMs = timeoutMs,
            .button = button,
            .beep = beep,
            .cardType = cardType,
            .afterFailure = ReaderAtEnd::kKeepOpen,
            .atNormalEnd = ReaderAtEnd::kClose};
}

// value as `width` upper-case hexadecimal digits.
inline QString HexDigits(std::uint64_t value, int width) {
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

// The little-endian 32-bit word at bytes[0..3].
inline std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// arrBuffer over nBufferSize (the ATS after a CPU-card reset, the answer of a deselect).
inline QString ArrBufferHex(const KorviCardParam& p) {
    return BoundedHex(p.arrBuffer, sizeof p.arrBuffer, p.nBufferSize);
}

}  // namespace bench
