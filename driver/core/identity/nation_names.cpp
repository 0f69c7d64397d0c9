#include "core/identity/nation_names.h"

#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

namespace {

// GB 3304 names in GBK, by code - 1.
constexpr std::array<const char*, 56> kNationNames = {
    "\xBA\xBA",                          //  1 Han
    "\xC3\xC9\xB9\xC5",                  //  2 Mongol
    "\xBB\xD8",                          //  3 Hui
    "\xB2\xD8",                          //  4 Tibetan
    "\xCE\xAC\xCE\xE1\xB6\xFB",          //  5 Uyghur
    "\xC3\xE7",                          //  6 Miao
    "\xD2\xCD",                          //  7 Yi
    "\xD7\xB3",                          //  8 Zhuang
    "\xB2\xBC\xD2\xC0",                  //  9 Buyei
    "\xB3\xAF\xCF\xCA",                  // 10 Korean
    "\xC2\xFA",                          // 11 Manchu
    "\xB6\xB1",                          // 12 Dong
    "\xD1\xFE",                          // 13 Yao
    "\xB0\xD7",                          // 14 Bai
    "\xCD\xC1\xBC\xD2",                  // 15 Tujia
    "\xB9\xFE\xC4\xE1",                  // 16 Hani
    "\xB9\xFE\xC8\xF8\xBF\xCB",          // 17 Kazakh
    "\xB4\xF6",                          // 18 Dai
    "\xC0\xE8",                          // 19 Li
    "\xC0\xFC\xCB\xDB",                  // 20 Lisu
    "\xD8\xF4",                          // 21 Va
    "\xEE\xB4",                          // 22 She
    "\xB8\xDF\xC9\xBD",                  // 23 Gaoshan
    "\xC0\xAD\xEC\xEF",                  // 24 Lahu
    "\xCB\xAE",                          // 25 Sui
    "\xB6\xAB\xCF\xE7",                  // 26 Dongxiang
    "\xC4\xC9\xCE\xF7",                  // 27 Naxi
    "\xBE\xB0\xC6\xC4",                  // 28 Jingpo
    "\xBF\xC2\xB6\xFB\xBF\xCB\xD7\xCE",  // 29 Kirgiz
    "\xCD\xC1",                          // 30 Tu
    "\xB4\xEF\xCE\xD3\xB6\xFB",          // 31 Daur
    "\xD8\xEF\xC0\xD0",                  // 32 Mulao
    "\xC7\xBC",                          // 33 Qiang
    "\xB2\xBC\xC0\xCA",                  // 34 Blang
    "\xC8\xF6\xC0\xAD",                  // 35 Salar
    "\xC3\xAB\xC4\xCF",                  // 36 Maonan
    "\xD8\xEE\xC0\xD0",                  // 37 Gelao
    "\xCE\xFD\xB2\xAE",                  // 38 Xibe
    "\xB0\xA2\xB2\xFD",                  // 39 Achang
    "\xC6\xD5\xC3\xD7",                  // 40 Pumi
    "\xCB\xFE\xBC\xAA\xBF\xCB",          // 41 Tajik
    "\xC5\xAD",                          // 42 Nu
    "\xCE\xDA\xD7\xCE\xB1\xF0\xBF\xCB",  // 43 Uzbek
    "\xB6\xED\xC2\xDE\xCB\xB9",          // 44 Russian
    "\xB6\xF5\xCE\xC2\xBF\xCB",          // 45 Ewenki
    "\xB5\xC2\xB0\xBA",                  // 46 Deang
    "\xB1\xA3\xB0\xB2",                  // 47 Bonan
    "\xD4\xA3\xB9\xCC",                  // 48 Yugur
    "\xBE\xA9",                          // 49 Gin
    "\xCB\xFE\xCB\xFE\xB6\xFB",          // 50 Tatar
    "\xB6\xC0\xC1\xFA",                  // 51 Derung
    "\xB6\xF5\xC2\xD7\xB4\xBA",          // 52 Oroqen
    "\xBA\xD5\xD5\xDC",                  // 53 Hezhen
    "\xC3\xC5\xB0\xCD",                  // 54 Monba
    "\xE7\xF3\xB0\xCD",                  // 55 Lhoba
    "\xBB\xF9\xC5\xB5",                  // 56 Jino
};

}  // namespace

bool GetNationName(const char* codeText, char* output, int size, std::uint8_t codeByte) {
    if (output == nullptr || size < kNationNameMinSize) return false;
    unsigned code = codeByte;
    if (codeText != nullptr) {
        const std::string_view text(codeText);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
        if (error != std::errc() || end != text.data() + text.size() || text.empty()) return false;
    }
    if (code < 1 || code > kNationNames.size()) return false;
    const char* name = kNationNames[code - 1];
    std::memcpy(output, name, std::strlen(name) + 1);
    return true;
}
