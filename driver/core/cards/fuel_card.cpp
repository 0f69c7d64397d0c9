// Fuel cards in a SAM slot: card number and dates, PIN, balance and purse log.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "core/cards/card_apdu.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr std::string_view kCardDataOnly = "CARDNO";
constexpr std::string_view kBuiltInPinText = "E7E7E7";
// The built-in PIN of the Sinopec card: the digits 8888 in packed BCD.
constexpr std::array<std::uint8_t, 2> kBuiltInPin = {0x88, 0x88};
constexpr std::size_t kPinTextLength = 6;
constexpr std::uint8_t kLogRecords = 10;
constexpr std::uint8_t kLogFile = 0xC4;  // SFI 0x18, record number in P1
constexpr std::uint8_t kLogRecordLength = 0x17;

struct FuelIssuer {
    std::string_view name;     // after A0 00 00 00 03 in the AID
    std::size_t cardNoOffset;  // in the FCI; the issue and validity dates follow
    std::size_t cardNoLength;
    bool hasBuiltInPin;
    bool reportsBlockedPin;  // 69 83 sets nPinFalseCount to -1
};

constexpr FuelIssuer kSinopec = {"SINOPEC", 30, 11, true, true};
constexpr FuelIssuer kPetroChina = {"PETROCHINA", 40, 8, false, false};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// What the PIN text asks for: the card data alone (no PIN), or a VERIFY with these bytes.
struct PinRequest {
    bool cardDataOnly = false;
    std::vector<std::uint8_t> pin;
};

// The text "CARDNO", or a text whose first six characters are the PIN: "E7E7E7" standing
// for the built-in PIN where the card has one, else six hex digits. Anything else (fewer
// than six characters, or six that are not hex digits) is refused.
std::optional<PinRequest> ParsePin(std::string_view text, const FuelIssuer& issuer) {
    PinRequest request;
    if (text == kCardDataOnly) {
        request.cardDataOnly = true;
        return request;
    }
    if (text.size() < kPinTextLength) return std::nullopt;
    const std::string_view pinText = text.substr(0, kPinTextLength);
    if (issuer.hasBuiltInPin && pinText == kBuiltInPinText) {
        request.pin.assign(kBuiltInPin.begin(), kBuiltInPin.end());
        return request;
    }
    for (std::size_t i = 0; i < kPinTextLength; i += 2) {
        const int high = HexValue(pinText[i]);
        const int low = HexValue(pinText[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        request.pin.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return request;
}

std::vector<std::uint8_t> Apdu(std::initializer_list<std::uint8_t> header,
                               std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> apdu(header);
    apdu.push_back(static_cast<std::uint8_t>(data.size()));
    apdu.insert(apdu.end(), data.begin(), data.end());
    return apdu;
}

bool ReadFuelCard(ReaderSession& session, KorviCardSinopecCardParam* card, const char* pinText,
                  const FuelIssuer& issuer) {
    if (card == nullptr || pinText == nullptr) return false;
    const std::optional<PinRequest> request = ParsePin(pinText, issuer);
    if (!request) return false;
    std::memset(card, 0, sizeof *card);

    std::vector<std::uint8_t> aid = {0xA0, 0x00, 0x00, 0x00, 0x03};
    aid.insert(aid.end(), issuer.name.begin(), issuer.name.end());
    KorviCardParamLong record{};
    if (!SendCardApdu(session, record, Apdu({0x00, 0xA4, 0x04, 0x00}, aid), true) ||
        !ApduStartsWith(record.param, 0x61)) {
        return false;
    }
    const std::uint8_t getResponse[] = {0x00, 0xC0, 0x00, 0x00, ApduResult(record.param)[1]};
    if (!SendCardApdu(session, record, getResponse, true)) return false;
    const std::span<const std::uint8_t> fci = ApduData(record.param);
    const std::size_t dates = issuer.cardNoOffset + issuer.cardNoLength;
    if (fci.size() < dates + sizeof card->arrSignedDate + sizeof card->arrValidityEndDate) {
        return false;
    }
    std::memcpy(card->arrCardNo, fci.data() + issuer.cardNoOffset, issuer.cardNoLength);
    std::memcpy(card->arrSignedDate, fci.data() + dates, sizeof card->arrSignedDate);
    std::memcpy(card->arrValidityEndDate, fci.data() + dates + sizeof card->arrSignedDate,
                sizeof card->arrValidityEndDate);
    if (request->cardDataOnly) return true;

    if (!SendCardApdu(session, record, Apdu({0x00, 0x20, 0x00, 0x00}, request->pin), true)) {
        return false;
    }
    if (!ApduStatusIs(record.param, 0x90, 0x00)) {
        const std::span<const std::uint8_t> status = ApduResult(record.param);
        if (status.size() >= 2 && status[status.size() - 2] == 0x63 &&
            (status.back() & 0xF0) == 0xC0) {
            card->nPinFalseCount = status.back() & 0x0F;
        } else if (issuer.reportsBlockedPin && ApduStatusIs(record.param, 0x69, 0x83)) {
            card->nPinFalseCount = -1;
        }
        return false;
    }

    const std::uint8_t getBalance[] = {0x80, 0x5C, 0x00, 0x01, 0x04};
    if (!SendCardApdu(session, record, getBalance, true) ||
        !ApduStatusIs(record.param, 0x90, 0x00) || ApduData(record.param).size() != 4) {
        return false;
    }
    const std::span<const std::uint8_t> balance = ApduData(record.param);
    card->nCardBalance =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(balance[0]) << 24 |
                                  static_cast<std::uint32_t>(balance[1]) << 16 |
                                  static_cast<std::uint32_t>(balance[2]) << 8 | balance[3]);

    for (std::uint8_t i = 1; i <= kLogRecords; ++i) {
        const std::uint8_t readRecord[] = {0x00, 0xB2, i, kLogFile, kLogRecordLength};
        if (!SendCardApdu(session, record, readRecord, true)) return false;
        const std::span<const std::uint8_t> result = ApduResult(record.param);
        if (result.size() >= 2 && result[result.size() - 2] == 0x90 && result.back() != 0x00) {
            return false;
        }
        if (ApduStatusIs(record.param, 0x90, 0x00)) {
            const std::span<const std::uint8_t> log = ApduData(record.param);
            std::memcpy(&card->arrSinopecRecord[i - 1], log.data(),
                        std::min(log.size(), sizeof(KorviCardSinopecRecordParam)));
        }
    }
    return true;
}

}  // namespace

bool ReaderSession::GetSinopecCardInfo(KorviCardSinopecCardParam* record, const char* pin) {
    return ReadFuelCard(*this, record, pin, kSinopec);
}

bool ReaderSession::GetPetroChinaCardInfo(KorviCardSinopecCardParam* record, const char* pin) {
    return ReadFuelCard(*this, record, pin, kPetroChina);
}
