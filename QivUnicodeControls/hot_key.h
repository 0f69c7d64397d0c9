#pragma once

// Hot-key markers of captions: a single "&" marks the character after it as
// the hot key, "&&" stands for a literal "&". In a Far-East locale a hot key
// may also be written "(&X)" after the caption.

#include <string>
#include <string_view>

#include "QivUnicodeControls/system_locale.h"

namespace qiv {

// 1-based position of the character after the last single "&"; 0 when none.
int GetHotKeyPos(std::u16string_view text);

// The caption as shown: each single "&" removed and "&&" turned into "&";
// with `farEast`, a hot key written "(&X)" is removed whole.
std::u16string WideStripHotkey(std::u16string_view text, bool farEast = SysLocaleFarEast());

// Both captions equal once stripped, case ignored.
bool WideSameCaption(std::u16string_view a, std::u16string_view b,
                     bool farEast = SysLocaleFarEast());

// `caption` with its hot key placed where `reference` has it (a "(&X)" form
// with `farEast`): the caption's own markers are removed, its literal "&&"
// kept. Without a hot key in `reference`, or where the caption is too short
// for it, the caption keeps no hot key.
std::u16string WideFixHotKey(std::u16string_view reference, std::u16string_view caption,
                             bool farEast = SysLocaleFarEast());

}  // namespace qiv
