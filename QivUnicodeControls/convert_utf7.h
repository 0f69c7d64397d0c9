#pragma once

// UTF-16 <-> UTF-7 (RFC 2152).

#include <stdexcept>
#include <string>
#include <string_view>

namespace qiv {

// Raised with "Invalid UTF7".
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Optional direct characters are written directly; a shift is closed with "-"
// only where the next character would otherwise be read as part of it.
std::string WideToUtf7(std::u16string_view text);

// Raises "Invalid UTF7" on malformed input unless `ignoreIllegal`, in which
// case the units decoded are kept: a byte above 0x7F stands for itself and a
// malformed shift yields the whole units it holds.
std::u16string Utf7ToWide(std::string_view text, bool ignoreIllegal = false);

}  // namespace qiv
