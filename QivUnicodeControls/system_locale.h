#pragma once

// The system locale as the wide-text layer sees it: the 8-bit (ANSI) form of
// wide text and whether the locale writes double-byte Far-East text.

#include <string>
#include <string_view>

namespace qiv {

// Wide text in the system code page; characters it lacks become '?'.
std::string AnsiForm(std::u16string_view text);

// 8-bit text of the system code page as wide text.
std::u16string WideForm(std::string_view text);

// True when the system code page is a double-byte Far-East one (932, 936, 949, 950).
bool SysLocaleFarEast();

}  // namespace qiv
