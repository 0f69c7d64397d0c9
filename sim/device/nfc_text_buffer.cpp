#include "sim/device/nfc_text_buffer.h"

#include <utility>

namespace sim {

namespace {

constexpr std::uint8_t kNdefMessageTlv = 0x03;
constexpr std::uint8_t kShortRecordFlag = 0x10;
constexpr std::uint8_t kTnfMask = 0x07;
constexpr std::uint8_t kTnfWellKnown = 0x01;
constexpr std::uint8_t kTextType = 'T';
constexpr std::uint8_t kLanguageLengthMask = 0x3F;
// TLV tag, TLV length, record header, type length, payload length.
constexpr std::size_t kHeaderSize = 5;

}  // namespace

NfcTextBuffer::NfcTextBuffer() : contents_(MakeTextTlv("")) {}

std::vector<std::uint8_t> NfcTextBuffer::MakeTextTlv(std::string_view text,
                                                     std::string_view language) {
    const std::size_t payload = 1 + language.size() + text.size();
    std::vector<std::uint8_t> tlv = {kNdefMessageTlv,
                                     static_cast<std::uint8_t>(payload + 4),
                                     0xD1,  // first and last record, short record, well-known
                                     0x01,
                                     static_cast<std::uint8_t>(payload),
                                     kTextType,
                                     static_cast<std::uint8_t>(language.size())};
    tlv.insert(tlv.end(), language.begin(), language.end());
    tlv.insert(tlv.end(), text.begin(), text.end());
    tlv.push_back(kEndByte);
    return tlv;
}

bool NfcTextBuffer::Store(std::span<const std::uint8_t> tlv) {
    if (tlv.size() < kHeaderSize + 1 || tlv.size() > kCapacity || tlv[0] != kNdefMessageTlv ||
        tlv[1] != tlv.size() - 3 || tlv.back() != kEndByte) {
        return false;
    }
    const std::uint8_t header = tlv[2];
    const std::size_t record = 3 + std::size_t{tlv[3]} + tlv[4];  // header, lengths, type, payload
    if ((header & kShortRecordFlag) == 0 || (header & kTnfMask) != kTnfWellKnown ||
        record != tlv[1]) {
        return false;
    }
    contents_.assign(tlv.begin(), tlv.end());
    return true;
}

std::optional<std::string> NfcTextBuffer::Text() const {
    const std::vector<std::uint8_t>& c = contents_;
    if (c.size() < kHeaderSize + 2 || c[0] != kNdefMessageTlv || c[3] != 1 || c[5] != kTextType) {
        return std::nullopt;
    }
    const std::size_t payloadEnd = 6 + std::size_t{c[4]};
    if (c[4] == 0 || payloadEnd > c.size() || 2 + std::size_t{c[1]} > c.size()) {
        return std::nullopt;
    }
    const std::size_t textStart = 7 + static_cast<std::size_t>(c[6] & kLanguageLengthMask);
    if (textStart > payloadEnd) {
        return std::nullopt;
    }
    return std::string(c.begin() + static_cast<std::ptrdiff_t>(textStart),
                       c.begin() + static_cast<std::ptrdiff_t>(payloadEnd));
}

}  // namespace sim
