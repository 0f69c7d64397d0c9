#include "core/cards/card_apdu.h"

#include <algorithm>
#include <cstring>

#include "core/protocol/reader_session.h"

std::span<const std::uint8_t> ApduResult(const KorviCardParam& record) {
    return {record.arrCosResultBuffer,
            std::min<std::size_t>(record.unCosReultBufferLength, sizeof record.arrCosResultBuffer)};
}

std::span<const std::uint8_t> ApduData(const KorviCardParam& record) {
    const std::span<const std::uint8_t> result = ApduResult(record);
    return result.size() > 2 ? result.first(result.size() - 2) : std::span<const std::uint8_t>();
}

bool ApduStatusIs(const KorviCardParam& record, std::uint8_t sw1, std::uint8_t sw2) {
    const std::span<const std::uint8_t> result = ApduResult(record);
    return result.size() >= 2 && result[result.size() - 2] == sw1 && result.back() == sw2;
}

bool ApduStartsWith(const KorviCardParam& record, std::uint8_t sw1) {
    const std::span<const std::uint8_t> result = ApduResult(record);
    return result.size() >= 2 && result[0] == sw1;
}

void FormatHex(std::span<const std::uint8_t> bytes, char* text, bool upperCase) {
    const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    for (const std::uint8_t byte : bytes) {
        *text++ = digits[byte >> 4];
        *text++ = digits[byte & 0x0F];
    }
}

bool SendCardApdu(ReaderSession& session, KorviCardParamLong& record,
                  std::span<const std::uint8_t> apdu, bool sam) {
    record = {};
    const std::size_t length = std::min(apdu.size(), sizeof record.param.arrCosSendBuffer);
    std::memcpy(record.param.arrCosSendBuffer, apdu.data(), length);
    record.param.unCosSendBufferLength = static_cast<std::uint32_t>(length);
    return sam ? session.SendSamAPDU(&record.param) : session.Iso14443SendCOSCommand(&record.param);
}
