#include "QivUnicodeControls/wide_property_streaming.h"

#include <gtest/gtest.h>

#include <map>

#include "QivUnicodeControls/codec_test_support.h"
#include "QivUnicodeControls/convert_utf7.h"
#include "QivUnicodeControls/recording_filer.h"
#include "driver/core/python_reference.h"

namespace {

using namespace qiv;
using namespace qiv_test;

// A component with the two wide-string properties of the wide edit.
class Edit : public WideStringComponent {
  public:
    std::map<std::string, std::u16string, std::less<>> values{{"Text", u""}, {"Hint", u""}};
    bool hintStored = true;

    std::vector<std::string> WideStringPropertyNames() const override { return {"Text", "Hint"}; }
    std::optional<std::u16string> GetWideStringProperty(std::string_view name) const override {
        const auto it = values.find(name);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void SetWideStringProperty(std::string_view name, const std::u16string& value) override {
        values.find(name)->second = value;
    }
    bool IsStoredProperty(std::string_view name) const override {
        return name != "Hint" || hintStored;
    }
};

TEST(WidePropertyStreaming, EachWidePropertyGetsAUtf8AndAUtf7Entry) {
    Edit edit;
    RecordingFiler filer;
    DefineWideProperties(filer, edit);
    std::vector<std::string> names;
    for (const auto& d : filer.definitions) names.push_back(d.name);
    EXPECT_EQ(names, (std::vector<std::string>{"TextW", "Text_UTF7", "HintW", "Hint_UTF7"}));
    EXPECT_FALSE(filer.Find("TextW").writer);
    EXPECT_FALSE(filer.Find("TextW").hasData);
    EXPECT_TRUE(filer.Find("Text_UTF7").writer);
}

// "_UTF7" is written only for a stored, non-empty value beyond 7-bit ASCII
// that differs from the ancestor's.
TEST(WidePropertyStreaming, Utf7EntryHasDataOnlyForValuesAnsiTextCannotCarry) {
    const struct {
        const char* name;
        std::u16string value;
        bool stored;
        std::optional<std::u16string> inherited;
        bool hasData;
    } cases[] = {
        {"ASCII only", u"Zhang San 123", true, std::nullopt, false},
        {"empty", u"", true, std::nullopt, false},
        {"Chinese", u"张三", true, std::nullopt, true},
        {"Latin-1", u"caf\u00E9", true, std::nullopt, true},
        {"Extension B", u"\U00020000", true, std::nullopt, true},
        {"not stored", u"张三", false, std::nullopt, false},
        {"as inherited", u"张三", true, u"张三", false},
        {"differs from inherited", u"张三", true, u"李四", true},
    };
    for (const auto& c : cases) {
        Edit edit;
        edit.values["Hint"] = c.value;
        edit.hintStored = c.stored;
        Edit ancestor;
        if (c.inherited) ancestor.values["Hint"] = *c.inherited;
        RecordingFiler filer;
        if (c.inherited) filer.ancestor = &ancestor;
        DefineWideProperties(filer, edit);
        EXPECT_EQ(filer.Find("Hint_UTF7").hasData, c.hasData) << c.name;
    }
}

// What is written decodes to the value under Python's UTF-7 codec, and
// Python's encoding and UTF-8 read back while designing set it again.
TEST(WidePropertyStreaming, WritesAndReadsAgainstPythonsCodecs) {
    const std::u16string values[] = {
        u"张三", u"A+B \u00A31", {0xD840, 0xDC00, u'-', 0xDC00}, u"北京市海淀区 1-2号"};
    std::string script = "for ours, text in [\n";
    std::vector<std::string> written;
    for (const std::u16string& value : values) {
        Edit edit;
        edit.values["Text"] = value;
        RecordingFiler filer;
        DefineWideProperties(filer, edit);
        written.push_back(filer.Find("Text_UTF7").writer());
        script += "('" + HexOfBytes(written.back()) + "', '" + HexOfUnits(value) + "'),\n";
    }
    script +=
        "]:\n    s = bytes.fromhex(text).decode('utf-16-le', 'surrogatepass')\n"
        "    same = bytes.fromhex(ours).decode('utf-7') == s\n"
        "    print('ok' if same else 'differs', s.encode('utf-7').hex(),"
        " s.encode('utf-8', 'surrogatepass').hex())\n";
    const std::vector<std::string> lines = Lines(RunPython(script));
    ASSERT_EQ(lines.size(), std::size(values));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t first = lines[i].find(' ');
        const std::size_t second = lines[i].find(' ', first + 1);
        EXPECT_EQ(lines[i].substr(0, first), "ok") << written[i];
        Edit edit;
        RecordingFiler filer;
        DefineWideProperties(filer, edit);
        filer.Find("Text_UTF7").reader(BytesOfHex(lines[i].substr(first + 1, second - first - 1)));
        EXPECT_EQ(edit.values["Text"], values[i]) << i;
        edit.values["Text"].clear();
        filer.Find("TextW").reader(BytesOfHex(lines[i].substr(second + 1)));
        EXPECT_EQ(edit.values["Text"], values[i]) << i;
    }
}

TEST(WidePropertyStreaming, ReadingOutsideDesignDropsTheTexts) {
    Edit edit;
    edit.values["Text"] = u"原值";
    RecordingFiler filer;
    filer.designing = false;
    DefineWideProperties(filer, edit);
    filer.Find("TextW").reader("\xE5\xBC\xA0");
    filer.Find("Text_UTF7").reader("+bDQ-");
    filer.Find("Text_UTF7").reader("+AGF-");
    EXPECT_EQ(edit.values["Text"], u"原值");
}

TEST(WidePropertyStreaming, InvalidUtf7WhileDesigningRaisesAndKeepsTheValue) {
    Edit edit;
    edit.values["Text"] = u"原值";
    RecordingFiler filer;
    DefineWideProperties(filer, edit);
    try {
        filer.Find("Text_UTF7").reader("+AGF-");
        ADD_FAILURE() << "accepted";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Invalid UTF7");
    }
    EXPECT_EQ(edit.values["Text"], u"原值");
    filer.Find("Text_UTF7").reader("+bDQ-");
    EXPECT_EQ(edit.values["Text"], u"\u6C34");
}

}  // namespace
