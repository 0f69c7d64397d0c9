#pragma once

#include <climits>

// The longest time-out in whole seconds whose milliseconds fit an int (about 24.8 days).
inline constexpr int kMaxTimeoutSeconds = INT_MAX / 1000;

// Whole seconds as milliseconds, clamped before the product is formed: negative seconds
// count as 0, more than kMaxTimeoutSeconds as kMaxTimeoutSeconds.
constexpr int SecondsToMs(int seconds) {
    if (seconds < 0) return 0;
    return (seconds > kMaxTimeoutSeconds ? kMaxTimeoutSeconds : seconds) * 1000;
}
