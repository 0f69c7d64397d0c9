// APDU helpers over the contactless path or a SAM slot, and the identity card's type B
// identifier and DN reads.
#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>

#include "core/cards/card_apdu.h"
#include "core/protocol/command_exchange.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr int kMinApduOutput = 64;
constexpr int kMinIdOutput = 32;
constexpr unsigned kMaxSelectName = 250;
constexpr std::uint8_t kIdCardMode = 7;

// TIEC codes of the identity card's identifier and DN reads.
constexpr int kIdDnSelectFailed = 54;
constexpr int kIdDnSelectStatus = 55;
constexpr int kIdDnReadFailed = 56;
constexpr int kIdDnReadStatus = 57;

// output := the result, at most *length bytes; *length := the count.
void StoreResult(const KorviCardParam& record, std::uint8_t* output, int* length) {
    const std::span<const std::uint8_t> result = ApduResult(record);
    const std::size_t count = std::min(result.size(), static_cast<std::size_t>(*length));
    std::memcpy(output, result.data(), count);
    *length = static_cast<int>(count);
}

bool OutputFits(const std::uint8_t* output, const int* length, int minimum) {
    return output != nullptr && length != nullptr && *length >= minimum;
}

// The data before the status word, when it fits *length; false (nothing written) when not.
bool StoreData(const KorviCardParam& record, std::uint8_t* output, int* length) {
    const std::span<const std::uint8_t> data = ApduData(record);
    if (data.size() > static_cast<std::size_t>(*length)) return false;
    std::memcpy(output, data.data(), data.size());
    *length = static_cast<int>(data.size());
    return true;
}

// An APDU of the identity card through command 14 (mode 7), in arrBuffer.
bool SendIdCardApdu(ReaderSession& session, KorviCardParamLong& record,
                    std::initializer_list<std::uint8_t> apdu) {
    record = {};
    std::copy(apdu.begin(), apdu.end(), record.param.arrBuffer);
    record.param.nBufferSize = static_cast<int>(apdu.size());
    return session.SendCpuCommand(kIdCardMode, &record.param);
}

}  // namespace

bool ReaderSession::CpuCardSelectFile(std::uint8_t p1, std::uint8_t p2, const std::uint8_t* name,
                                      unsigned nameLength, std::uint8_t* output, int* length,
                                      bool sam, bool getResponse) {
    if (name == nullptr || nameLength == 0 || nameLength > kMaxSelectName ||
        !OutputFits(output, length, kMinApduOutput)) {
        return false;
    }
    std::array<std::uint8_t, 5 + kMaxSelectName> apdu{0x00, 0xA4, p1, p2,
                                                      static_cast<std::uint8_t>(nameLength)};
    std::memcpy(apdu.data() + 5, name, nameLength);
    KorviCardParamLong record{};
    if (!SendCardApdu(*this, record, std::span(apdu.data(), 5 + nameLength), sam)) return false;
    const std::span<const std::uint8_t> result = ApduResult(record.param);
    if (sam && getResponse && result.size() >= 2 && (result[0] == 0x61 || result[0] == 0x6C)) {
        const std::uint8_t getResponseApdu[] = {0x00, 0xC0, 0x00, 0x00, result[1]};
        if (!SendCardApdu(*this, record, getResponseApdu, sam)) return false;
    }
    StoreResult(record.param, output, length);
    return true;
}

bool ReaderSession::CpuCardSelectByName(const char* name, std::uint8_t* output, int* length,
                                        bool sam) {
    if (name == nullptr) return false;
    const std::size_t nameLength = strnlen(name, kMaxSelectName + 1);
    return CpuCardSelectFile(0x04, 0x00, reinterpret_cast<const std::uint8_t*>(name),
                             static_cast<unsigned>(nameLength), output, length, sam, false);
}

bool ReaderSession::CpuCardReadBinary(int sfi, std::uint8_t* output, int* length, bool sam) {
    if (!OutputFits(output, length, kMinApduOutput) || !ArgumentsFit(*this, {ByteField(sfi)})) {
        return false;
    }
    const std::uint8_t apdu[] = {0x00, 0xB0, Low8(0x80 | (sfi & 0x1F)), 0x00, 0x00};
    KorviCardParamLong record{};
    if (!SendCardApdu(*this, record, apdu, sam)) return false;
    StoreResult(record.param, output, length);
    return true;
}

bool ReaderSession::CpuCardReadRecord(std::uint8_t recordNumber, std::uint8_t p2, std::uint8_t le,
                                      std::uint8_t* output, int* length, bool sam,
                                      bool resendOn6C) {
    if (!OutputFits(output, length, kMinApduOutput)) return false;
    std::uint8_t apdu[] = {0x00, 0xB2, recordNumber, p2, le};
    KorviCardParamLong record{};
    if (!SendCardApdu(*this, record, apdu, sam)) return false;
    const std::span<const std::uint8_t> result = ApduResult(record.param);
    if (sam && resendOn6C && result.size() >= 2 && result[0] == 0x6C) {
        apdu[4] = result[1];
        if (!SendCardApdu(*this, record, apdu, sam)) return false;
    }
    StoreResult(record.param, output, length);
    return true;
}

bool ReaderSession::SendCpuApduCheckSw(KorviCardParam* record) {
    if (record == nullptr) return false;
    const bool sent = SendCpuCommand(static_cast<std::uint8_t>(record->nBufferSize), record);
    CallIdCallBack();
    return sent && ApduStatusIs(*record, 0x90, 0x00);
}

bool ReaderSession::ReadIdCardUid(std::uint8_t* output, int* length) {
    if (!OutputFits(output, length, kMinIdOutput)) return false;
    KorviCardParamLong record{};
    if (!RequestB(0, &record.param)) {
        SetTwoIdErrorCode(TIEC_REQUESTB);
        return false;
    }
    if (!SelectB(&record.param)) {
        SetTwoIdErrorCode(TIEC_SELECTB);
        return false;
    }
    const bool sent = SendIdCardApdu(*this, record, {0x00, 0x36, 0x00, 0x00, 0x08});
    CallIdCallBack();
    if (!sent) {
        SetTwoIdErrorCode(TIEC_GET_NO);
        return false;
    }
    // An answer that is not 90 00, or an identifier longer than the room, is no result.
    if (!ApduStatusIs(record.param, 0x90, 0x00) || !StoreData(record.param, output, length)) {
        SetTwoIdErrorCode(TIEC_GET_NO_RESULT);
        return false;
    }
    return true;
}

bool ReaderSession::ReadIdCardDnNo(std::uint8_t* output, int* length) {
    if (!OutputFits(output, length, kMinIdOutput)) return false;
    KorviCardParamLong record{};
    if (!SendIdCardApdu(*this, record, {0x00, 0xA4, 0x00, 0x00, 0x02, 0x60, 0x02})) {
        SetTwoIdErrorCode(kIdDnSelectFailed);
        return false;
    }
    if (!ApduStatusIs(record.param, 0x90, 0x00)) {
        SetTwoIdErrorCode(kIdDnSelectStatus);
        return false;
    }
    if (!SendIdCardApdu(*this, record, {0x80, 0xB0, 0x00, 0x00, 0x20})) {
        SetTwoIdErrorCode(kIdDnReadFailed);
        return false;
    }
    if (!ApduStatusIs(record.param, 0x90, 0x00) || !StoreData(record.param, output, length)) {
        SetTwoIdErrorCode(kIdDnReadStatus);
        return false;
    }
    return true;
}
