#include "core/util/des_mac.h"

#include "core/util/des.h"

namespace {

constexpr std::size_t kBlockDigits = 16;

unsigned DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return static_cast<unsigned>(c - 'a' + 10);
}

// Digit-wise XOR of two hex texts, as long as the shorter, upper case.
std::string HexXor(std::string_view a, std::string_view b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::size_t length = a.size() < b.size() ? a.size() : b.size();
    std::string out(length, '0');
    for (std::size_t i = 0; i < length; ++i) out[i] = kDigits[DigitValue(a[i]) ^ DigitValue(b[i])];
    return out;
}

}  // namespace

std::optional<std::string> MacHex(std::string_view data, std::string_view key,
                                  std::string_view initialValue) {
    if ((key.size() != kBlockDigits && key.size() != 2 * kBlockDigits) ||
        initialValue.size() != kBlockDigits || !IsHexDigits(key) || !IsHexDigits(initialValue) ||
        !IsHexDigits(data)) {
        return std::nullopt;
    }
    std::string padded(data);
    padded += "80";
    padded.append((kBlockDigits - padded.size() % kBlockDigits) % kBlockDigits, '0');
    const std::string_view firstKey = key.substr(0, kBlockDigits);
    std::string value(initialValue);
    for (std::size_t at = 0; at < padded.size(); at += kBlockDigits) {
        const std::string mixed = HexXor(std::string_view(padded).substr(at, kBlockDigits), value);
        value = *DesHex(mixed, firstKey, false);
    }
    if (key.size() == 2 * kBlockDigits) {
        value = *DesHex(value, key.substr(kBlockDigits), true);
        value = *DesHex(value, firstKey, false);
    }
    return value.substr(0, kBlockDigits / 2);
}
