#pragma once

#include <optional>
#include <string>
#include <string_view>

// DES MAC over hex text: the data padded with "80" and "0" digits to the next
// multiple of 16 digits (a whole block more when it is already a multiple),
// CBC from the 16-digit initialValue with the key's first 16 digits; a
// 32-digit key adds the final decrypt with digits 17-32 and encrypt with
// digits 1-16. Answers the first 8 digits of the last value, upper case, or
// nothing for a key that is not 16 or 32 digits, an initial value that is not
// 16 digits, or any non-hex text.
std::optional<std::string> MacHex(std::string_view data, std::string_view key,
                                  std::string_view initialValue);
