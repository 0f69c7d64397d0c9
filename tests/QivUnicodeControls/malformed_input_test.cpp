#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "QivUnicodeControls/convert_utf7.h"
#include "QivUnicodeControls/unicode.h"

namespace {

using namespace qiv;

// Random bytes, each input in a heap block of exactly its size so that the
// sanitizer reports any read past it. Neither decoder may yield more units
// than it was given bytes.
TEST(MalformedInput, RandomBytesStayInsideTheInput) {
    std::mt19937 rng(3103);
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::string utf7Alphabet = "+-AZaz09/+ !~\x80\xC3";
    std::uniform_int_distribution<std::size_t> pick(0, utf7Alphabet.size() - 1);
    for (int round = 0; round < 5000; ++round) {
        const auto n = static_cast<std::size_t>(length(rng));
        std::unique_ptr<char[]> bytes(new char[n]);
        for (std::size_t i = 0; i < n; ++i)
            bytes[i] = static_cast<char>(round % 2 == 0 ? byte(rng) : utf7Alphabet[pick(rng)]);
        const std::string_view input(bytes.get(), n);
        EXPECT_LE(Utf8ToWide(input).size(), n);
        EXPECT_LE(Utf7ToWide(input, true).size(), n);
        try {
            const std::u16string units = Utf7ToWide(input);
            EXPECT_EQ(units, Utf7ToWide(input, true));
        } catch (const EConvertError&) {
        }
    }
}

}  // namespace
