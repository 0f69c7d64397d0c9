#include "core/util/md5.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace {

// One digest in progress; each call keeps its own, so no state is shared.
struct Md5Context {
    std::array<std::uint32_t, 4> state{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
    std::uint64_t bitCount = 0;
    std::array<std::uint8_t, 64> block{};
};

constexpr std::array<std::uint32_t, 64> kSines = {
    0xD76AA478, 0xE8C7B756, 0x242070DB, 0xC1BDCEEE, 0xF57C0FAF, 0x4787C62A, 0xA8304613, 0xFD469501,
    0x698098D8, 0x8B44F7AF, 0xFFFF5BB1, 0x895CD7BE, 0x6B901122, 0xFD987193, 0xA679438E, 0x49B40821,
    0xF61E2562, 0xC040B340, 0x265E5A51, 0xE9B6C7AA, 0xD62F105D, 0x02441453, 0xD8A1E681, 0xE7D3FBC8,
    0x21E1CDE6, 0xC33707D6, 0xF4D50D87, 0x455A14ED, 0xA9E3E905, 0xFCEFA3F8, 0x676F02D9, 0x8D2A4C8A,
    0xFFFA3942, 0x8771F681, 0x6D9D6122, 0xFDE5380C, 0xA4BEEA44, 0x4BDECFA9, 0xF6BB4B60, 0xBEBFBC70,
    0x289B7EC6, 0xEAA127FA, 0xD4EF3085, 0x04881D05, 0xD9D4D039, 0xE6DB99E5, 0x1FA27CF8, 0xC4AC5665,
    0xF4292244, 0x432AFF97, 0xAB9423A7, 0xFC93A039, 0x655B59C3, 0x8F0CCC92, 0xFFEFF47D, 0x85845DD1,
    0x6FA87E4F, 0xFE2CE6E0, 0xA3014314, 0x4E0811A1, 0xF7537E82, 0xBD3AF235, 0x2AD7D2BB, 0xEB86D391};

constexpr std::array<int, 16> kShifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

std::uint32_t RotateLeft(std::uint32_t value, int count) {
    return (value << count) | (value >> (32 - count));
}

void Transform(std::array<std::uint32_t, 4>& state, const std::uint8_t* block) {
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t* p = block + 4 * i;
        words[i] = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                   (static_cast<std::uint32_t>(p[2]) << 16) |
                   (static_cast<std::uint32_t>(p[3]) << 24);
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t f = 0;
        int g = 0;
        switch (round) {
            case 0:
                f = (b & c) | (~b & d);
                g = i;
                break;
            case 1:
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
                break;
        }
        const std::uint32_t next =
            b + RotateLeft(a + f + kSines[i] + words[g], kShifts[round * 4 + i % 4]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void Update(Md5Context& context, const std::uint8_t* data, std::size_t length) {
    std::size_t used = static_cast<std::size_t>((context.bitCount / 8) % 64);
    context.bitCount += static_cast<std::uint64_t>(length) * 8;
    while (length > 0) {
        const std::size_t take = length < 64 - used ? length : 64 - used;
        std::memcpy(context.block.data() + used, data, take);
        used += take;
        data += take;
        length -= take;
        if (used == 64) {
            Transform(context.state, context.block.data());
            used = 0;
        }
    }
}

std::array<std::uint8_t, 16> Finish(Md5Context& context) {
    const std::uint64_t bits = context.bitCount;
    const std::size_t used = static_cast<std::size_t>((bits / 8) % 64);
    std::uint8_t padding[72] = {0x80};
    const std::size_t padLength = used < 56 ? 56 - used : 120 - used;
    for (int i = 0; i < 8; ++i) padding[padLength + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    Update(context, padding, padLength + 8);
    std::array<std::uint8_t, 16> digest{};
    for (int i = 0; i < 16; ++i) {
        digest[i] = static_cast<std::uint8_t>(context.state[i / 4] >> (8 * (i % 4)));
    }
    return digest;
}

}  // namespace

void Md5Hex(const std::uint8_t* data, int length, char* text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    if (text == nullptr || length < 0 || (data == nullptr && length > 0)) return;
    Md5Context context;
    if (length > 0) Update(context, data, static_cast<std::size_t>(length));
    const std::array<std::uint8_t, 16> digest = Finish(context);
    char* out = text + std::strlen(text);
    for (std::uint8_t byte : digest) {
        *out++ = kDigits[byte >> 4];
        *out++ = kDigits[byte & 0x0F];
    }
    *out = '\0';
}
