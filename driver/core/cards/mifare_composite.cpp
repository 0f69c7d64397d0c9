// Mifare operations made of other commands: card number, value block, key change.
#include <cstring>

#include "core/protocol/command_exchange.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr std::uint8_t kCmdSetCardType = 20;
constexpr int kShortTimeout = 1000;
constexpr int kMaxSector = 39;
constexpr std::size_t kKeyTextDigits = 12;
// Access bytes written with every key change: data blocks open to both keys, the trailer
// written with key B.
constexpr std::uint8_t kChangedAccess[4] = {0x7F, 0x07, 0x88, 0x00};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The first 12 characters of text as six key bytes; false when the text is shorter or one
// of them is not a hex digit.
bool ParseKeyText(const char* text, std::uint8_t* key) {
    if (text == nullptr || strnlen(text, kKeyTextDigits) < kKeyTextDigits) return false;
    for (std::size_t i = 0; i < kKeyTextDigits / 2; ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        key[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

}  // namespace

bool ReaderSession::GetCardNo(int mode, KorviCardParam* record) {
    if (!Request(mode, record)) return false;
    if (!Anticoll(record)) return false;
    // A double-size UID card is selected by its anticollision.
    if (((cardType >> 6) & 0x3) == 0x1) return true;
    return Select(record);
}

bool ReaderSession::InitValue(int block, std::int32_t value) {
    if (!ArgumentsFit(*this, {ByteField(block)})) return false;
    KorviCardParamLong record{};
    std::uint8_t* data = record.param.arrBuffer;
    const auto plain = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint8_t>(plain >> (8 * i));
        data[i] = byte;
        data[4 + i] = static_cast<std::uint8_t>(~byte);
        data[8 + i] = byte;
    }
    const std::uint8_t address = Low8(block);
    data[12] = address;
    data[13] = static_cast<std::uint8_t>(~address);
    data[14] = address;
    data[15] = static_cast<std::uint8_t>(~address);
    record.param.nBufferSize = 16;
    return Write(block, &record.param);
}

bool ReaderSession::ChangePassword(int sector, const char* keyA, const char* keyB) {
    if (sector < 0 || sector > kMaxSector) return false;
    KorviCardParamLong record{};
    std::uint8_t* trailer = record.param.arrBuffer;
    if (!ParseKeyText(keyA, trailer) || !ParseKeyText(keyB, trailer + 10)) return false;
    std::memcpy(trailer + 6, kChangedAccess, sizeof kChangedAccess);
    record.param.nBufferSize = 16;
    const int block = sector < 32 ? 4 * sector + 3 : 16 * sector - 369;
    return Write(block, &record.param);
}

bool ReaderSession::SetCardType(int letter) {
    if (!ArgumentsFit(*this, {ByteField(letter)})) return false;
    if (letter >= 'a' && letter <= 'z') letter = letter - 'a' + 'A';
    if (letter != 'A' && letter != 'B' && letter != 'C' && letter != 'F') return false;
    const std::uint8_t payload[] = {Low8(letter)};
    if (!CommandExchange(*this, kCmdSetCardType, payload, kShortTimeout)) return false;
    // Readers that cannot name their model carry an RF chip (version B1) whose registers
    // need setting up again after a change of protocol.
    char deviceNo[32] = {};
    static constexpr char kUnknownModel[] = "Device Type Error";
    if (GetDeviceNo(deviceNo, sizeof deviceNo) &&
        std::strncmp(deviceNo, kUnknownModel, sizeof kUnknownModel - 1) == 0 &&
        ReadWriteRfRegister(0, 55, 0) == 0xB1) {
        static constexpr std::uint8_t kRegisters[][2] = {{24, 0x94}, {35, 0xC0}, {39, 0xC4},
                                                         {40, 0x3F}, {41, 0x24}, {38, 0x73}};
        for (const auto& [reg, value] : kRegisters) ReadWriteRfRegister(1, reg, value);
    }
    // The protocol is set: what the follow-up queries left does not make it a failure.
    SetErrorCode(LCEC_OK);
    return true;
}
