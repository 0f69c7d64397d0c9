#pragma once

// Wide-string properties in a form stream of 8-bit texts: each published
// wide-string property P of a component gets two more stream properties, "PW"
// (UTF-8 text, read only) and "P_UTF7" (UTF-7 text, read and written).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qiv {

// A component's published wide-string properties.
class WideStringComponent {
  public:
    virtual ~WideStringComponent() = default;
    // Names in declaration order.
    virtual std::vector<std::string> WideStringPropertyNames() const = 0;
    // Empty when the component has no wide-string property of that name.
    virtual std::optional<std::u16string> GetWideStringProperty(std::string_view name) const = 0;
    virtual void SetWideStringProperty(std::string_view name, const std::u16string& value) = 0;
    // Whether the form stores the property at all.
    virtual bool IsStoredProperty(std::string_view name) const = 0;
};

// The form stream's side: reads or writes the properties a component defines.
class WidePropertyFiler {
  public:
    using Reader = std::function<void(const std::string& text)>;
    using Writer = std::function<std::string()>;

    virtual ~WidePropertyFiler() = default;
    // `writer` is empty for a property that is only read; `hasData` tells a
    // writing filer whether to write it.
    virtual void DefineProperty(const std::string& name, Reader reader, Writer writer,
                                bool hasData) = 0;
    // The component the one being written inherits its values from, if any.
    virtual const WideStringComponent* Ancestor() const = 0;
    // True while the form being read is designed; texts read otherwise are dropped.
    virtual bool Designing() const = 0;
};

// Defines "W" and "_UTF7" for each wide-string property of `component`, in
// declaration order. "_UTF7" has data only for a stored, non-empty value that
// differs from the ancestor's and holds characters beyond 7-bit ASCII. Reading
// invalid UTF-7 while designing raises EConvertError "Invalid UTF7".
void DefineWideProperties(WidePropertyFiler& filer, WideStringComponent& component);

}  // namespace qiv
