#include "QivUnicodeControls/system_locale.h"

#include "QivUnicodeControls/nls.h"

namespace qiv {

std::string AnsiForm(std::u16string_view text) {
    return WideCharToMultiByte(CP_ACP, text).value_or(std::string());
}

std::u16string WideForm(std::string_view text) {
    return MultiByteToWideChar(CP_ACP, text).value_or(std::u16string());
}

bool SysLocaleFarEast() {
    switch (GetACP()) {
        case 932:
        case 936:
        case 949:
        case 950:
            return true;
        default:
            return false;
    }
}

}  // namespace qiv
