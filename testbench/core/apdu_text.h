#pragma once

#include <QString>

namespace bench {

// The bytes an APDU written as hexadecimal text stands for: half its length, a half rounded
// to the even neighbour (5 characters give 2 bytes, 7 give 4, 1 gives 0).
inline qsizetype ApduByteCount(const QString& text) {
    const qsizetype half = text.size() / 2;
    return half + (text.size() % 2 == 1 && half % 2 == 1 ? 1 : 0);
}

// The line that refuses an APDU of `bytes` bytes for a command buffer of `room` bytes.
inline QString ApduTooLongLine(qsizetype bytes, qsizetype room) {
    return QStringLiteral("APDU指令%1字节，超过%2字节，未执行").arg(bytes).arg(room);
}

}  // namespace bench
