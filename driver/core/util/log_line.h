#pragma once

#include <cstddef>
#include <ctime>
#include <string>

// Longest log line, CR LF included.
inline constexpr std::size_t kLogLineMaxLength = 511;

// "year-month-day hour:minute:second:millisecond text\r\n", numbers without
// leading zeros. A longer line is cut to kLogLineMaxLength characters and
// still ends with CR LF.
std::string FormatLogLine(const std::tm& localTime, int milliseconds, const char* text);

// Appends the log line of `line`, stamped with the local time, to fileName.
// Returns 0 when the line was written, and 0 without touching the file when
// append is 0; returns -1 when an argument is null or the file cannot be
// opened or written.
int SaveLog(const char* fileName, const char* line, int append);
