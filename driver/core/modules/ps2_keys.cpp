// PS/2 keyboard emulation: scan code set 2 make codes played with their break codes, and
// the lottery-terminal key map over them.
#include <algorithm>
#include <array>
#include <vector>

#include "core/protocol/device_query.h"

namespace {

constexpr std::uint8_t kCmdSendPs2Key = 219;
constexpr int kTimeout = 1000;
constexpr std::uint8_t kBreak = 0xF0;
constexpr std::uint8_t kNoKey = 255;

constexpr std::array<std::uint8_t, 4> kPrintScreenMake = {0xE0, 0x12, 0xE0, 0x7C};
constexpr std::array<std::uint8_t, 10> kPrintScreen = {0xE0, 0x12, 0xE0, 0x7C, 0xE0,
                                                       0xF0, 0x7C, 0xE0, 0xF0, 0x12};
constexpr std::array<std::uint8_t, 8> kPause = {0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77};

// Make and break of the key, or nothing for a code the reader does not take.
std::vector<std::uint8_t> Keystroke(const std::uint8_t* keys, int length) {
    const std::span<const std::uint8_t> make(keys, static_cast<std::size_t>(length));
    switch (length) {
        case 1:
            return {keys[0], kBreak, keys[0]};
        case 2:
            return {keys[0], keys[1], kBreak, keys[0], keys[1]};
        case 4:
            if (std::ranges::equal(make, kPrintScreenMake)) {
                return {kPrintScreen.begin(), kPrintScreen.end()};
            }
            break;
        case 8:
            if (std::ranges::equal(make, kPause)) return {kPause.begin(), kPause.end()};
            break;
        default:
            break;
    }
    return {};
}

// Make codes of the lottery-terminal keyboard by key index; a second byte 0 means none.
struct TiCaiKey {
    std::uint8_t code[2];
};

constexpr TiCaiKey kTiCaiKeys[] = {
    {{0x05}},       {{0x06}},       {{0x04}}, {{0x0C}}, {{0x03}},       {{0x0B}}, {{0x83}},
    {{0x0A}},       {{0x01}},       {{0x09}}, {{0x2B}}, {{0x21}},       {{0x23}}, {{0x7C}},
    {{0x44}},       {{0x24}},       {{0x3A}}, {{0x33}}, {{0x43}},       {{0x3B}}, {{0x42}},
    {{0x4B}},       {{0xE0, 0x4A}}, {{0x79}}, {{0x7B}}, {{0xE0, 0x75}}, {{0x14}}, {{0xE0, 0x6B}},
    {{0xE0, 0x72}}, {{0xE0, 0x74}}, {{0x31}}, {{0x34}}, {{0x66}},       {{0x76}}, {{0x45}},
    {{0x16}},       {{0x1E}},       {{0x26}}, {{0x25}}, {{0x2E}},       {{0x36}}, {{0x3D}},
    {{0x3E}},       {{0x46}},       {{0x0D}}, {{0x49}}, {{0x1C}},       {{0x32}}, {{0x5A}},
};
static_assert(std::size(kTiCaiKeys) == 49);

}  // namespace

bool ReaderSession::SendPs2Key(const std::uint8_t* keys, int length, std::uint32_t* result) {
    if (keys == nullptr || result == nullptr || length <= 0) return false;
    const std::vector<std::uint8_t> payload = Keystroke(keys, length);
    if (payload.empty()) return false;
    return DeviceQuery(
        *this, kCmdSendPs2Key, payload, kTimeout, 4,
        [&](std::span<const std::uint8_t> reply) { *result = PayloadLittleEndian(reply, 0, 4); });
}

bool ReaderSession::SendTiCaiKey(int index, std::uint32_t* result) {
    if (result == nullptr) return false;
    if (index < 0 || index >= static_cast<int>(std::size(kTiCaiKeys))) {
        *result = kNoKey;
        return false;
    }
    const TiCaiKey& key = kTiCaiKeys[index];
    return SendPs2Key(key.code, key.code[1] != 0 ? 2 : 1, result);
}
