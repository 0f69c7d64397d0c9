// Mifare Classic and ISO 14443-A commands of the reader: one request and one reply each.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "core/protocol/command_exchange.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

enum : std::uint8_t {
    kCmdRequest = 1,
    kCmdAnticoll = 2,
    kCmdSelect = 3,
    kCmdAuthentication = 4,
    kCmdHalt = 5,
    kCmdRead = 6,
    kCmdWrite = 7,
    kCmdIncrement = 8,
    kCmdDecrement = 9,
    kCmdLoadKey = 10,
    kCmdBeep = 11,
    kCmdRestore = 12,
    kCmdTransfer = 13,
    kCmdWriteBlock0 = 37,
    kCmdEmptyBuffer = 41,
    kCmdAuthenticationWithPassword = 46,
    kCmdGetCardNoEx = 50,
    kCmdReadData = 51,
    kCmdWriteData = 52,
};

constexpr int kShortTimeout = 1000;
constexpr int kRequestTimeout = 2000;
constexpr int kMaxSector = 39;
// Room of a request payload of these commands.
constexpr int kRequestRoom = 64;
constexpr std::size_t kKeyLength = 6;

int BufferCount(std::size_t copied) { return static_cast<int>(copied); }

// Card types whose anticollision answers a 7-byte UID.
bool HasLongUid(std::int32_t cardType) {
    return cardType == 0x42 || cardType == 0x44 || cardType == 0x344;
}

std::vector<std::uint8_t> WithKey(std::initializer_list<std::uint8_t> head,
                                  const KorviCardParam& record) {
    std::vector<std::uint8_t> payload(head);
    payload.insert(payload.end(), record.arrKeys, record.arrKeys + kKeyLength);
    return payload;
}

// Key mode and sector, each a byte; sectors above the last one fail too.
bool KeyArgumentsFit(ReaderSession& session, int keyMode, int sector) {
    return ArgumentsFit(session, {ByteField(keyMode), ByteField(sector)}) && sector <= kMaxSector;
}

std::array<std::uint8_t, 5> BlockAndValue(int block, std::uint32_t value) {
    return {Low8(block), static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace

bool ReaderSession::Request(int mode, KorviCardParam* record) {
    if (record == nullptr || !ArgumentsFit(*this, {ByteField(mode)})) return false;
    cardType = 0;
    const std::uint8_t payload[] = {Low8(mode)};
    return CommandExchange(
        *this, kCmdRequest, payload, kRequestTimeout, [&](std::span<const std::uint8_t> reply) {
            record->nCardType = static_cast<std::int32_t>(PayloadLittleEndian(reply, 0, 4));
            record->nBufferSize = BufferCount(std::min(reply.size(), sizeof record->arrBuffer));
            cardType = record->nCardType;
        });
}

bool ReaderSession::Anticoll(KorviCardParam* record) {
    if (record == nullptr) return false;
    return CommandExchange(*this, kCmdAnticoll, {}, kShortTimeout,
                           [&](std::span<const std::uint8_t>) {
                               CopyReplyPayload(record->arrCardNo, HasLongUid(cardType) ? 8 : 4);
                           });
}

bool ReaderSession::Select(KorviCardParam* record) {
    if (record == nullptr) return false;
    std::array<std::uint8_t, 4> uid{};
    std::memcpy(uid.data(), record->arrCardNo, uid.size());
    return CommandExchange(
        *this, kCmdSelect, uid, kShortTimeout, [&](std::span<const std::uint8_t> reply) {
            CopyReplyToBuffer(*this, *record);
            record->nCardSize = static_cast<std::int32_t>(PayloadLittleEndian(reply, 0, 4));
        });
}

bool ReaderSession::Authentication(int keyMode, int sector, KorviCardParam* record) {
    if (record == nullptr || !KeyArgumentsFit(*this, keyMode, sector)) return false;
    const std::uint8_t payload[] = {Low8(keyMode), Low8(sector)};
    return CommandExchange(
        *this, kCmdAuthentication, payload, kShortTimeout,
        [&](std::span<const std::uint8_t>) { CopyReplyPayload(record->arrBuffer, 4); });
}

bool ReaderSession::AuthenticationWithPassword(int keyMode, int sector, KorviCardParam* record) {
    if (record == nullptr || !KeyArgumentsFit(*this, keyMode, sector)) return false;
    const std::vector<std::uint8_t> payload = WithKey({Low8(keyMode), Low8(sector)}, *record);
    return CommandExchange(
        *this, kCmdAuthenticationWithPassword, payload, kShortTimeout,
        [&](std::span<const std::uint8_t>) { CopyReplyPayload(record->arrBuffer, 4); });
}

bool ReaderSession::Halt() { return CommandExchange(*this, kCmdHalt, {}, kShortTimeout); }

bool ReaderSession::Read(int block, KorviCardParam* record) {
    if (record == nullptr || !ArgumentsFit(*this, {ByteField(block)})) return false;
    const std::uint8_t payload[] = {Low8(block)};
    return CommandExchange(
        *this, kCmdRead, payload, kShortTimeout,
        [&](std::span<const std::uint8_t>) { CopyReplyToBuffer(*this, *record); });
}

bool ReaderSession::Write(int block, KorviCardParam* record) {
    if (record == nullptr || !ArgumentsFit(*this, {ByteField(block)})) return false;
    const int size = record->nBufferSize;
    if (size <= 0 || size > kRequestRoom - 1) return false;
    std::vector<std::uint8_t> payload{Low8(block)};
    payload.insert(payload.end(), record->arrBuffer, record->arrBuffer + size);
    return CommandExchange(*this, kCmdWrite, payload, kShortTimeout);
}

bool ReaderSession::WriteBlock0(KorviCardParam* record) {
    if (record == nullptr || record->nBufferSize != 16) return false;
    const std::uint8_t* data = record->arrBuffer;
    if (data[4] != (data[0] ^ data[1] ^ data[2] ^ data[3])) return false;
    // The reader takes 17 bytes: the block and one byte after it.
    return CommandExchange(*this, kCmdWriteBlock0, std::span(data, 17), kShortTimeout);
}

bool ReaderSession::Increment(int block, std::uint32_t value) {
    if (!ArgumentsFit(*this, {ByteField(block)})) return false;
    return CommandExchange(*this, kCmdIncrement, BlockAndValue(block, value), kShortTimeout);
}

bool ReaderSession::Decrement(int block, std::uint32_t value) {
    if (!ArgumentsFit(*this, {ByteField(block)})) return false;
    return CommandExchange(*this, kCmdDecrement, BlockAndValue(block, value), kShortTimeout);
}

bool ReaderSession::Restore(int block) {
    if (!ArgumentsFit(*this, {ByteField(block)})) return false;
    const std::uint8_t payload[] = {Low8(block)};
    return CommandExchange(*this, kCmdRestore, payload, kShortTimeout);
}

bool ReaderSession::Transfer(int block) {
    if (!ArgumentsFit(*this, {ByteField(block)})) return false;
    const std::uint8_t payload[] = {Low8(block)};
    return CommandExchange(*this, kCmdTransfer, payload, kShortTimeout);
}

bool ReaderSession::LoadKey(int keyMode, int sector, KorviCardParam* record) {
    if (record == nullptr || !KeyArgumentsFit(*this, keyMode, sector)) return false;
    const std::vector<std::uint8_t> payload = WithKey({Low8(keyMode), Low8(sector)}, *record);
    return CommandExchange(*this, kCmdLoadKey, payload, kShortTimeout);
}

bool ReaderSession::Beep(int time) {
    if (!ArgumentsFit(*this, {WordField(time)})) return false;
    const std::uint8_t payload[] = {Low8(time), Low8(time >> 8)};
    return CommandExchange(*this, kCmdBeep, payload, kShortTimeout);
}

bool ReaderSession::EmptyBuffer(KorviCardParam* record) {
    if (record == nullptr) return false;
    return CommandExchange(
        *this, kCmdEmptyBuffer, {}, kShortTimeout, [&](std::span<const std::uint8_t>) {
            record->unCosReultBufferLength = static_cast<std::uint32_t>(
                CopyReplyPayload(record->arrCosResultBuffer, sizeof record->arrCosResultBuffer));
        });
}

bool ReaderSession::GetCardNoEx(int a, int b, int c, int d, KorviCardParam* record) {
    if (record == nullptr ||
        !ArgumentsFit(*this, {ByteField(a), ByteField(b), ByteField(c), ByteField(d)})) {
        return false;
    }
    const std::uint8_t payload[] = {Low8(a), Low8(b), Low8(c), Low8(d)};
    return CommandExchange(
        *this, kCmdGetCardNoEx, payload, kShortTimeout, [&](std::span<const std::uint8_t> reply) {
            record->nCardType = static_cast<std::int32_t>(PayloadLittleEndian(reply, 0, 2));
            record->nBufferSize = static_cast<std::int32_t>(PayloadLittleEndian(reply, 2, 1));
            CopyReplyPayload(record->arrCardNo, 4, 3, 4);
        });
}

bool ReaderSession::ReadData(int a, int b, int c, int d, int e, KorviCardParam* record) {
    if (record == nullptr || !ArgumentsFit(*this, {ByteField(a), ByteField(b), ByteField(c),
                                                   ByteField(d), ByteField(e)})) {
        return false;
    }
    const std::vector<std::uint8_t> payload =
        WithKey({Low8(a), Low8(b), Low8(c), Low8(d), Low8(e)}, *record);
    return CommandExchange(
        *this, kCmdReadData, payload, kShortTimeout, [&](std::span<const std::uint8_t> reply) {
            record->nCardType = static_cast<std::int32_t>(PayloadLittleEndian(reply, 0, 2));
            record->nCardSize = static_cast<std::int32_t>(PayloadLittleEndian(reply, 2, 1));
            CopyReplyPayload(record->arrCardNo, 4, 3, 4);
            CopyReplyPayload(record->arrBuffer, 16, 7, 16);
            record->nBufferSize = BufferCount(std::min(reply.size(), sizeof record->arrBuffer));
        });
}

bool ReaderSession::WriteData(int a, int b, int c, KorviCardParam* record) {
    if (record == nullptr || !ArgumentsFit(*this, {ByteField(a), ByteField(b), ByteField(c)})) {
        return false;
    }
    const int size = record->nBufferSize;
    if (size <= 0 || size > kRequestRoom - 3) return false;
    std::vector<std::uint8_t> payload{Low8(a), Low8(b), Low8(c)};
    payload.insert(payload.end(), record->arrBuffer, record->arrBuffer + size);
    return CommandExchange(*this, kCmdWriteData, payload, kShortTimeout);
}
