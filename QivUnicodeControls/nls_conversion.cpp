#include <errno.h>
#include <iconv.h>

#include <cstring>

#include "QivUnicodeControls/nls.h"

namespace qiv {

namespace {

const char* IconvName(unsigned codePage) {
    switch (codePage == CP_ACP ? GetACP() : codePage) {
        case 874:
            return "CP874";
        case 932:
            return "CP932";
        case 936:
            return "GBK";
        case 949:
            return "CP949";
        case 950:
            return "BIG5";
        case 1250:
            return "CP1250";
        case 1251:
            return "CP1251";
        case 1252:
            return "CP1252";
        case 1253:
            return "CP1253";
        case 1254:
            return "CP1254";
        case 1255:
            return "CP1255";
        case 1256:
            return "CP1256";
        case 1257:
            return "CP1257";
        case 1258:
            return "CP1258";
        case CP_UTF8:
            return "UTF-8";
        default:
            return nullptr;
    }
}

// One iconv descriptor for one conversion call.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `in`, calling `onBad(in, left)` at each input it cannot convert;
    // that returns the number of input bytes to skip and appends its own
    // replacement to `out`.
    template <typename OnBad>
    void Run(const char* in, std::size_t left, std::string& out, OnBad onBad) {
        char chunk[256];
        while (left > 0) {
            char* inPtr = const_cast<char*>(in);
            char* outPtr = chunk;
            std::size_t room = sizeof chunk;
            const std::size_t result = iconv(cd_, &inPtr, &left, &outPtr, &room);
            const int error = errno;
            out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
            in = inPtr;
            if (result != static_cast<std::size_t>(-1) || error == E2BIG) continue;
            const std::size_t skip = onBad(in, left, out);
            in += skip;
            left -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* outPtr = chunk;
        std::size_t room = sizeof chunk;
        iconv(cd_, nullptr, nullptr, &outPtr, &room);
        out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
    }

  private:
    iconv_t cd_;
};

std::uint16_t UnitAt(const char* bytes) {
    std::uint16_t unit = 0;
    std::memcpy(&unit, bytes, sizeof unit);
    return unit;
}

}  // namespace

std::optional<std::string> WideCharToMultiByte(unsigned codePage, std::u16string_view text) {
    const char* name = IconvName(codePage);
    if (name == nullptr) return std::nullopt;
    Converter converter(name, "UTF-16LE");
    if (!converter.ok()) return std::nullopt;
    std::string out;
    converter.Run(reinterpret_cast<const char*>(text.data()), text.size() * 2, out,
                  [](const char* in, std::size_t left, std::string& target) -> std::size_t {
                      target.push_back('?');
                      const std::uint16_t unit = UnitAt(in);
                      const bool pair = unit >= 0xD800 && unit <= 0xDBFF && left >= 4 &&
                                        UnitAt(in + 2) >= 0xDC00 && UnitAt(in + 2) <= 0xDFFF;
                      return pair ? 4 : 2;
                  });
    return out;
}

std::optional<std::u16string> MultiByteToWideChar(unsigned codePage, std::string_view text) {
    const char* name = IconvName(codePage);
    if (name == nullptr) return std::nullopt;
    Converter converter("UTF-16LE", name);
    if (!converter.ok()) return std::nullopt;
    std::string bytes;
    converter.Run(text.data(), text.size(), bytes,
                  [](const char*, std::size_t, std::string& target) -> std::size_t {
                      target.append("\xFD\xFF", 2);
                      return 1;
                  });
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

}  // namespace qiv
