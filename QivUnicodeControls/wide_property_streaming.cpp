#include "QivUnicodeControls/wide_property_streaming.h"

#include "QivUnicodeControls/convert_utf7.h"
#include "QivUnicodeControls/system_locale.h"
#include "QivUnicodeControls/unicode.h"

namespace qiv {

namespace {

bool HasUtf7Data(const WidePropertyFiler& filer, const WideStringComponent& component,
                 const std::string& name, const std::u16string& value) {
    if (!component.IsStoredProperty(name)) return false;
    if (const WideStringComponent* ancestor = filer.Ancestor()) {
        const std::optional<std::u16string> inherited = ancestor->GetWideStringProperty(name);
        if (inherited && *inherited == value) return false;
    }
    return !value.empty() && WideForm(WideToUtf8(value)) != value;
}

using Decode = std::u16string (*)(const std::string&);

// Reads one text and, while designing, sets the property to its decoding.
WidePropertyFiler::Reader ReaderOf(WidePropertyFiler& filer, WideStringComponent& component,
                                   const std::string& name, Decode decode) {
    return [&filer, &component, name, decode](const std::string& text) {
        if (filer.Designing()) component.SetWideStringProperty(name, decode(text));
    };
}

}  // namespace

void DefineWideProperties(WidePropertyFiler& filer, WideStringComponent& component) {
    for (const std::string& name : component.WideStringPropertyNames()) {
        const std::u16string value = component.GetWideStringProperty(name).value_or(u"");
        filer.DefineProperty(
            name + "W",
            ReaderOf(filer, component, name, [](const std::string& t) { return Utf8ToWide(t); }),
            nullptr, false);
        filer.DefineProperty(
            name + "_UTF7",
            ReaderOf(filer, component, name, [](const std::string& t) { return Utf7ToWide(t); }),
            [&component, name] {
                return WideToUtf7(component.GetWideStringProperty(name).value_or(u""));
            },
            HasUtf7Data(filer, component, name, value));
    }
}

}  // namespace qiv
