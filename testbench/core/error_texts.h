#pragma once

#include <QString>

namespace bench {

// The reader error text of a code returned by KorviCardGetErrorCode, looked up by its low
// eight bits.
QString ErrorCodeText(int code);

// A failure line followed by the reader's error text (KorviCardGetErrorCode on handle) when
// the reader reported an error; a failure the reader did not report (code 0) keeps the line
// as it is.
QString WithReaderErrorText(const QString& line, int handle);

}  // namespace bench
