#include "testbench/core/gbk_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace bench {

namespace {

// One iconv conversion of the whole input; invalid input is skipped or replaced per mode.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Nothing when the input holds a sequence the conversion cannot take and strict is set;
    // otherwise such bytes are skipped, each giving one replacement unit.
    std::optional<QByteArray> Run(const char* input, std::size_t size, bool strict,
                                  const QByteArray& replacement) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
        QByteArray out;
        std::vector<char> chunk(4 * size + 16);
        char* in = const_cast<char*>(input);
        std::size_t left = size;
        while (left > 0) {
            char* dst = chunk.data();
            std::size_t room = chunk.size();
            const std::size_t result = iconv(cd_, &in, &left, &dst, &room);
            out.append(chunk.data(), static_cast<qsizetype>(dst - chunk.data()));
            if (result != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) continue;
            if (strict) return std::nullopt;
            out.append(replacement);
            ++in;
            --left;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

  private:
    iconv_t cd_;
};

}  // namespace

std::optional<QByteArray> ToGbk(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    Converter converter("GBK", "UTF-8");
    return converter.Run(utf8.constData(), static_cast<std::size_t>(utf8.size()), true, {});
}

QString FromGbk(const char* bytes, std::size_t size) {
    const std::size_t length = strnlen(bytes, size);
    Converter converter("UTF-8", "GBK");
    const auto utf8 = converter.Run(bytes, length, false, QByteArray("\xEF\xBF\xBD"));
    return utf8 ? QString::fromUtf8(*utf8) : QString();
}

}  // namespace bench
