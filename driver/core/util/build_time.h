#pragma once

// Smallest buffer GetLibBuildTime writes into.
inline constexpr unsigned kBuildTimeMinSize = 32;

// Writes the library's build date and time as the compiler gives them,
// "Mmm dd yyyy hh:mm:ss" (a one-digit day has a blank before it), terminated.
// False, writing nothing, when buffer is null or size is below kBuildTimeMinSize.
bool GetLibBuildTime(char* buffer, unsigned size);
