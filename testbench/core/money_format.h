#pragma once

#include <QString>
#include <cstdint>

namespace bench {

// An amount in cents as the pattern "####.00" shows it: integer digits only where needed,
// exactly two decimals (0 gives ".00", 50 gives ".50", 12345 gives "123.45"), a minus sign
// before a negative amount.
QString FormatCents(std::int64_t cents);

}  // namespace bench
