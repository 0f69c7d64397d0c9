// The reader's NFC card-emulation buffer: one NDEF Text record, read and written whole.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/protocol/command_exchange.h"
#include "core/protocol/reader_session.h"

namespace {

enum : std::uint8_t {
    kCmdReadNfcBuffer = 25,
    kCmdWriteNfcBuffer = 26,
};

constexpr int kTimeout = 1000;
constexpr int kMaxText = 47;
// TLV tag and length, record header, type length, payload length, type "T", status
// byte (UTF-8, 2-byte language code), "en".
constexpr std::uint8_t kRecordHead[] = {0x03, 0x00, 0xD1, 0x01, 0x00, 0x54, 0x02, 'e', 'n'};
constexpr std::size_t kTextOffset = sizeof kRecordHead;
constexpr std::size_t kTlvLengthOffset = 1;
constexpr std::size_t kPayloadLengthOffset = 4;
// What the TLV length counts beside the text: record header, two lengths, type, status
// byte and language code.
constexpr std::uint8_t kRecordOverhead = 7;
constexpr std::uint8_t kEndByte = 0xF3;

}  // namespace

bool ReaderSession::ReadNfcBuffer(char* buffer, int size) {
    if (buffer == nullptr || size < 0) return false;
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    return CommandExchange(
        *this, kCmdReadNfcBuffer, {}, kTimeout, [&](std::span<const std::uint8_t> reply) {
            if (reply.size() <= kTlvLengthOffset) return;
            const std::uint8_t textLength =
                static_cast<std::uint8_t>(reply[kTlvLengthOffset] - kRecordOverhead);
            if (textLength > kMaxText) return;
            CopyReplyPayload(reinterpret_cast<std::uint8_t*>(buffer),
                             static_cast<std::size_t>(size), kTextOffset, textLength);
        });
}

bool ReaderSession::WriteNfcBuffer(const char* text, int length) {
    if (text == nullptr || length < 0 || length > kMaxText) return false;
    std::vector<std::uint8_t> tlv(std::begin(kRecordHead), std::end(kRecordHead));
    tlv[kTlvLengthOffset] = static_cast<std::uint8_t>(length + kRecordOverhead);
    tlv[kPayloadLengthOffset] = static_cast<std::uint8_t>(length + 3);
    tlv.insert(tlv.end(), text, text + length);
    tlv.push_back(kEndByte);
    return CommandExchange(*this, kCmdWriteNfcBuffer, tlv, kTimeout);
}
