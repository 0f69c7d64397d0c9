// The card number (PAN) of a bank card from its track 2 data, contactless or in a SAM slot.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cards/ber_tlv.h"
#include "core/cards/card_apdu.h"
#include "core/protocol/reader_session.h"

namespace {

constexpr int kMinOutput = 32;
constexpr std::string_view kPseName = "1PAY.SYS.DDF01";
constexpr std::string_view kPpseName = "2PAY.SYS.DDF01";
constexpr std::size_t kMinAid = 5;
constexpr std::size_t kMaxAid = 16;
constexpr std::size_t kTrack2Bytes = 10;
// Digits looked at for the field separator.
constexpr std::size_t kSeparatorWindow = 19;

std::vector<std::uint8_t> SelectByName(std::span<const std::uint8_t> name) {
    std::vector<std::uint8_t> apdu(5 + name.size());
    const std::uint8_t header[] = {0x00, 0xA4, 0x04, 0x00, static_cast<std::uint8_t>(name.size())};
    std::copy(std::begin(header), std::end(header), apdu.begin());
    std::copy(name.begin(), name.end(), apdu.begin() + 5);
    return apdu;
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// An application identifier of 5-16 bytes.
std::optional<std::span<const std::uint8_t>> Aid(const std::optional<TlvObject>& object) {
    if (!object || object->value.size() < kMinAid || object->value.size() > kMaxAid) {
        return std::nullopt;
    }
    return object->value;
}

// The first directory entry's AID in the FCI of the contactless directory:
// 6F { 84 (name, 14 bytes), A5 { BF0C { 61 { 4F AID } } } }.
std::optional<std::span<const std::uint8_t>> PpseAid(std::span<const std::uint8_t> fci) {
    const std::optional<TlvObject> name = FindTlvPath(fci, {0x6F, 0x84});
    if (!name || name->value.size() != kPpseName.size()) {
        return std::nullopt;
    }
    return Aid(FindTlvPath(fci, {0x6F, 0xA5, 0xBF0C, 0x61, 0x4F}));
}

// The AID of the first entry of a directory record: 70 { 61 { 4F AID } }.
std::optional<std::span<const std::uint8_t>> DirectoryRecordAid(
    std::span<const std::uint8_t> record) {
    return Aid(FindTlvPath(record, {0x70, 0x61, 0x4F}));
}

// The track 2 object (tag 57) of a record: 70 { ... 57 ... }.
std::optional<TlvObject> Track2(std::span<const std::uint8_t> record) {
    const std::optional<TlvObject> track2 = FindTlv(record, 0x57);
    if (!track2 || track2->value.empty()) {
        return std::nullopt;
    }
    return track2;
}

// The first 10 bytes of track 2 as lower-case digits (fewer when track 2 is shorter).
std::string Track2Digits(const TlvObject& track2) {
    const std::size_t count = std::min(track2.value.size(), kTrack2Bytes);
    std::string digits(2 * count, '\0');
    FormatHex(track2.value.first(count), digits.data(), false);
    return digits;
}

// READ RECORD 1 of SFI 1 on the SAM path with Le 00; an answer 6C xx (the card's own
// length) is asked again with Le xx. With require6C, any other first answer fails.
bool ReadFirstRecord(ReaderSession& session, KorviCardParamLong& record, bool require6C) {
    const std::uint8_t readRecord[] = {0x00, 0xB2, 0x01, 0x0C, 0x00};
    if (!SendCardApdu(session, record, readRecord, true)) return false;
    if (!ApduStartsWith(record.param, 0x6C)) return !require6C;
    const std::uint8_t again[] = {0x00, 0xB2, 0x01, 0x0C, ApduResult(record.param)[1]};
    return SendCardApdu(session, record, again, true);
}

// SELECT on the SAM path answered 61 xx, then GET RESPONSE of the xx bytes.
bool SelectWithGetResponse(ReaderSession& session, KorviCardParamLong& record,
                           std::span<const std::uint8_t> name) {
    if (!SendCardApdu(session, record, SelectByName(name), true) ||
        !ApduStartsWith(record.param, 0x61)) {
        return false;
    }
    const std::uint8_t getResponse[] = {0x00, 0xC0, 0x00, 0x00, ApduResult(record.param)[1]};
    return SendCardApdu(session, record, getResponse, true);
}

}  // namespace

bool ReaderSession::GetBankCardNo(char* output, int size) {
    if (output == nullptr || size < kMinOutput) return false;
    std::memset(output, 0, static_cast<std::size_t>(size));
    KorviCardParamLong record{};
    if (!SendCardApdu(*this, record, SelectByName(Bytes(kPpseName)), false)) return false;
    const std::optional<std::span<const std::uint8_t>> found = PpseAid(ApduData(record.param));
    if (!found) return false;
    const std::vector<std::uint8_t> aid(found->begin(), found->end());
    if (!SendCardApdu(*this, record, SelectByName(aid), false)) return false;
    const std::uint8_t readRecord[] = {0x00, 0xB2, 0x01, 0x0C, 0x00};
    if (!SendCardApdu(*this, record, readRecord, false)) return false;
    const std::optional<TlvObject> track2 = Track2(ApduData(record.param));
    if (!track2) return false;
    std::string digits = Track2Digits(*track2);
    const std::size_t separator = digits.find('d');
    if (separator != std::string::npos && separator < kSeparatorWindow) {
        digits.resize(separator);
    }
    std::memcpy(output, digits.data(), digits.size());
    return true;
}

bool ReaderSession::GetBankCardNoBy7816(char* output, int size) {
    if (output == nullptr || size < kMinOutput) return false;
    std::memset(output, 0, static_cast<std::size_t>(size));
    KorviCardParamLong record{};
    if (!SelectWithGetResponse(*this, record, Bytes(kPseName))) return false;
    if (!ReadFirstRecord(*this, record, false)) return false;
    const std::optional<std::span<const std::uint8_t>> found =
        DirectoryRecordAid(ApduData(record.param));
    if (!found) return false;
    const std::vector<std::uint8_t> aid(found->begin(), found->end());
    if (!SelectWithGetResponse(*this, record, aid)) return false;
    if (!ReadFirstRecord(*this, record, true)) return false;
    const std::optional<TlvObject> track2 = Track2(ApduData(record.param));
    if (!track2) return false;
    std::string digits = Track2Digits(*track2);
    const auto separator =
        std::find_if(digits.begin(), digits.end(), [](char c) { return c > '9'; });
    const std::size_t end = static_cast<std::size_t>(separator - digits.begin());
    digits.resize(std::min(end, kSeparatorWindow));
    std::memcpy(output, digits.data(), digits.size());
    return true;
}
