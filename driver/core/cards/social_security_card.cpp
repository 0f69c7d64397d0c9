// Holder and card data of a social-security card, over a SAM slot or the field.
#include <array>
#include <cstring>
#include <optional>
#include <span>

#include "core/cards/card_apdu.h"
#include "core/identity/nation_names.h"
#include "core/protocol/reader_session.h"

namespace {

constexpr std::size_t kHolderRecordSize = 216;
constexpr std::size_t kBasicRecordSize = 200;
constexpr int kResultRoom = 256;
constexpr std::size_t kDateBytes = 4;
constexpr std::size_t kMaxDateRecord = 32;

// "sx1.sh." and the GBK text for "social security".
constexpr std::uint8_t kDfName[] = {'s',  'x',  '1',  '.',  's',  'h',  '.', 0xC9,
                                    0xE7, 0xBB, 0xE1, 0xB1, 0xA3, 0xD5, 0xCF};
constexpr std::uint8_t kMasterFile[] = {0x3F, 0x00};
// The basic-information files by their identifiers EF05 (card) and EF06 (holder).
constexpr std::uint8_t kCardFile[] = {0xEF, 0x05};
constexpr std::uint8_t kHolderFile[] = {0xEF, 0x06};

// The result of one SELECT or READ RECORD, at most 256 bytes.
struct Result {
    std::array<std::uint8_t, kResultRoom> bytes{};
    int length = kResultRoom;

    std::span<const std::uint8_t> Bytes() const {
        return {bytes.data(), static_cast<std::size_t>(length)};
    }
    bool StartsWith(std::uint8_t sw1) const { return length >= 2 && bytes[0] == sw1; }
    bool Is9000() const {
        return length >= 2 && bytes[static_cast<std::size_t>(length) - 2] == 0x90 &&
               bytes[static_cast<std::size_t>(length) - 1] == 0x00;
    }
    // A record answers tag, length L and L bytes of data before the status word; the data
    // when all of it lies within what was received.
    std::optional<std::span<const std::uint8_t>> RecordData() const {
        if (length < 4) return std::nullopt;
        const std::size_t dataLength = bytes[1];
        if (2 + dataLength > static_cast<std::size_t>(length) - 2) return std::nullopt;
        return Bytes().subspan(2, dataLength);
    }
};

// The steps of a read over one path (SAM slot or field).
class CardFiles {
  public:
    CardFiles(ReaderSession& session, bool sam, bool getResponse)
        : session_(session), sam_(sam), getResponse_(getResponse) {}

    bool Select(std::uint8_t p1, std::span<const std::uint8_t> name) {
        result = {};
        return session_.CpuCardSelectFile(p1, 0x00, name.data(), static_cast<unsigned>(name.size()),
                                          result.bytes.data(), &result.length, sam_, getResponse_);
    }
    bool Read(std::uint8_t recordNumber, std::uint8_t p2, std::uint8_t le) {
        result = {};
        return session_.CpuCardReadRecord(recordNumber, p2, le, result.bytes.data(), &result.length,
                                          sam_, true);
    }

    Result result;

  private:
    ReaderSession& session_;
    bool sam_;
    bool getResponse_;
};

// The record's data at offset, when it fits width bytes.
void StoreData(std::uint8_t* record, std::size_t offset, std::size_t width,
               const std::optional<std::span<const std::uint8_t>>& data) {
    if (data && data->size() <= width) {
        std::memcpy(record + offset, data->data(), data->size());
    }
}

// The first count bytes of the record's data as hex digits at offset, when it has them.
void StoreHex(std::uint8_t* record, std::size_t offset, std::size_t count,
              const std::optional<std::span<const std::uint8_t>>& data, bool upperCase) {
    if (data && data->size() >= count) {
        FormatHex(data->first(count), reinterpret_cast<char*>(record + offset), upperCase);
    }
}

// A date of 4 bytes as 8 lower-case hex digits, from a record of at most 32 bytes.
void StoreDate(std::uint8_t* record, std::size_t offset,
               const std::optional<std::span<const std::uint8_t>>& data) {
    if (data && data->size() <= kMaxDateRecord) {
        StoreHex(record, offset, kDateBytes, data, false);
    }
}

}  // namespace

bool ReaderSession::GetSocialSecurityInfoBy7816(std::uint8_t* record) {
    if (record == nullptr) return false;
    std::memset(record, 0, kHolderRecordSize);
    CardFiles card(*this, true, false);
    if (!card.Select(0x00, kMasterFile) || !card.result.StartsWith(0x61)) return false;
    if (!card.Select(0x04, kDfName) || !card.result.StartsWith(0x61)) return false;

    if (!card.Select(0x02, kCardFile) || !card.result.Is9000()) return false;
    if (!card.Read(7, 0x00, 11)) return false;
    StoreData(record, 0, 16, card.result.RecordData());
    if (!card.Read(5, 0x00, 6)) return false;
    StoreDate(record, 152, card.result.RecordData());
    if (!card.Read(6, 0x00, 6)) return false;
    StoreDate(record, 184, card.result.RecordData());

    if (!card.Select(0x02, kHolderFile) || !card.result.Is9000()) return false;
    if (!card.Read(1, 0x04, 18)) return false;
    StoreData(record, 48, 32, card.result.RecordData());
    if (!card.Read(2, 0x04, 30)) return false;
    StoreData(record, 16, 32, card.result.RecordData());
    if (!card.Read(3, 0x04, 1)) return false;
    StoreData(record, 80, 8, card.result.RecordData());
    if (!card.Read(4, 0x04, 1)) return false;
    const std::optional<std::span<const std::uint8_t>> nation = card.result.RecordData();
    if (nation && !nation->empty()) {
        GetNationName(nullptr, reinterpret_cast<char*>(record + 88), 32, (*nation)[0]);
    }
    return card.Read(5, 0x04, 3) && card.Read(6, 0x04, 4);
}

bool ReaderSession::GetSocialSecurityInfo(bool sam, std::uint8_t* record) {
    if (record == nullptr) return false;
    std::memset(record, 0, kBasicRecordSize);
    CardFiles card(*this, sam, true);
    if (!card.Select(0x04, kDfName)) return false;
    if (!card.Select(0x02, kCardFile) || !card.result.Is9000()) return false;
    if (!card.Read(7, 0x00, 11)) return false;
    StoreData(record, 168, 32, card.result.RecordData());
    if (!card.Read(5, 0x00, 6)) return false;
    StoreDate(record, 104, card.result.RecordData());
    if (!card.Read(6, 0x00, 6)) return false;
    StoreDate(record, 136, card.result.RecordData());
    if (!card.Read(4, 0x00, 14)) return false;
    StoreHex(record, 72, 12, card.result.RecordData(), true);
    if (!card.Read(3, 0x00, 6)) return false;
    StoreData(record, 68, 4, card.result.RecordData());
    if (!card.Read(2, 0x00, 3)) return false;
    StoreData(record, 64, 4, card.result.RecordData());
    if (!card.Read(1, 0x00, 18)) return false;
    StoreHex(record, 0, 16, card.result.RecordData(), true);
    return true;
}
