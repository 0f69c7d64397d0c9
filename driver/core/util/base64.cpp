#include "core/util/base64.h"

#include <climits>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Whole groups of 4 characters on one line before the CR LF.
long long GroupsPerLine(int lineLength) {
    const long long groups = static_cast<long long>(lineLength) / 4;
    return groups > 0 ? groups : 1;
}

unsigned ReverseValue(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') return byte - 'A';
    if (byte >= 'a' && byte <= 'z') return byte - 'a' + 26;
    if (byte >= '0' && byte <= '9') return byte - '0' + 52;
    if (byte == '+') return 62;
    if (byte == '/') return 63;
    return 64;
}

}  // namespace

std::size_t Base64EncodedSize(int length, int lineLength) {
    if (length < 0) return 0;
    const long long groups = static_cast<long long>(length) / 3;
    const long long characters = (static_cast<long long>(length) + 2) / 3 * 4;
    const long long breaks = groups / GroupsPerLine(lineLength);
    return static_cast<std::size_t>(characters + 2 * breaks + 1);
}

int Base64Encode(const std::uint8_t* data, int length, char* out, std::size_t outSize,
                 int lineLength) {
    if (data == nullptr || out == nullptr || length < 0) return -1;
    const std::size_t needed = Base64EncodedSize(length, lineLength);
    if (outSize < needed || needed > static_cast<std::size_t>(INT_MAX)) return -1;
    const long long perLine = GroupsPerLine(lineLength);
    std::size_t at = 0;
    long long onLine = 0;
    int i = 0;
    for (; length - i >= 3; i += 3) {
        const unsigned bits = (static_cast<unsigned>(data[i]) << 16) |
                              (static_cast<unsigned>(data[i + 1]) << 8) | data[i + 2];
        out[at++] = kAlphabet[(bits >> 18) & 0x3F];
        out[at++] = kAlphabet[(bits >> 12) & 0x3F];
        out[at++] = kAlphabet[(bits >> 6) & 0x3F];
        out[at++] = kAlphabet[bits & 0x3F];
        if (++onLine == perLine) {
            out[at++] = '\r';
            out[at++] = '\n';
            onLine = 0;
        }
    }
    const int left = length - i;
    if (left > 0) {
        const unsigned bits = (static_cast<unsigned>(data[i]) << 16) |
                              (left == 2 ? static_cast<unsigned>(data[i + 1]) << 8 : 0u);
        out[at++] = kAlphabet[(bits >> 18) & 0x3F];
        out[at++] = kAlphabet[(bits >> 12) & 0x3F];
        out[at++] = left == 2 ? kAlphabet[(bits >> 6) & 0x3F] : '=';
        out[at++] = '=';
    }
    out[at] = '\0';
    return static_cast<int>(at);
}

int Base64Decode(const char* text, int length, std::uint8_t* out, std::size_t outSize) {
    if (text == nullptr || out == nullptr || length < 0) return -1;
    const std::size_t groups = static_cast<std::size_t>(length) / 4;
    if (outSize < groups * 3) return -1;
    for (std::size_t g = 0; g < groups; ++g) {
        const char* in = text + 4 * g;
        const unsigned a = ReverseValue(in[0]);
        const unsigned b = ReverseValue(in[1]);
        const unsigned c = ReverseValue(in[2]);
        const unsigned d = ReverseValue(in[3]);
        out[3 * g] = static_cast<std::uint8_t>((a << 2) | ((b >> 4) & 3));
        out[3 * g + 1] = static_cast<std::uint8_t>((b << 4) | ((c >> 2) & 15));
        out[3 * g + 2] = static_cast<std::uint8_t>((c << 6) | (d & 63));
    }
    return static_cast<int>(groups * 3);
}

int GetEncodeNewLen(int, int length) {
    if (length < 0) return 0;
    const long long size = (static_cast<long long>(length) + 2) / 3 * 4 + 1;
    return size > INT_MAX ? 0 : static_cast<int>(size);
}

int GetDecodeNewLen(int, int length) {
    if (length < 0) return 0;
    return length / 4 * 3 + 1;
}
