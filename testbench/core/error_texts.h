#pragma once

#include <QString>

namespace bench {

// The reader error text of a code returned by KorviCardGetErrorCode, looked up by its low
// eight bits.
QString ErrorCodeText(int code);

// Whether the reader text goes with a code: only when the code's low byte is not 0.
bool HasReaderText(int code);

// A failure line followed by the reader's error text (KorviCardGetErrorCode on handle) when
// the code has one (HasReaderText); otherwise the line as it is.
QString WithReaderErrorText(const QString& line, int handle);

}  // namespace bench
