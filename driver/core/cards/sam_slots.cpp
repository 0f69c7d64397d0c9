// The reader's contact slots: slot choice, power, supply select lines, reset and APDUs.
#include "core/protocol/command_exchange.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

enum : std::uint8_t {
    kCmdSetSamPowerOnOff = 42,
    kCmdResetSam = 43,
    kCmdSendSamApdu = 44,
    kCmdSetSamSlotIndex = 45,
    kCmdSetSamVSel0 = 230,
    kCmdSetSamVSel1 = 231,
};

constexpr int kTimeout = 1000;
// An answer up to this long is a bare status word; a longer one starts with a byte of the
// reader's own.
constexpr std::size_t kStatusWordLength = 2;

bool SendByte(ReaderSession& session, std::uint8_t command, std::uint8_t value) {
    const std::uint8_t payload[] = {value};
    return CommandExchange(session, command, payload, kTimeout);
}

bool SendPair(ReaderSession& session, std::uint8_t command, std::uint8_t a, std::uint8_t b) {
    const std::uint8_t payload[] = {a, b};
    return CommandExchange(session, command, payload, kTimeout);
}

}  // namespace

bool ReaderSession::SetSamSlotIndex(std::uint8_t slot) {
    return SendByte(*this, kCmdSetSamSlotIndex, slot);
}

bool ReaderSession::SetSamPowerOnOff(std::uint8_t on) {
    return SendByte(*this, kCmdSetSamPowerOnOff, on);
}

bool ReaderSession::SetSamVSel0(std::uint8_t slot, std::uint8_t level) {
    return SendPair(*this, kCmdSetSamVSel0, slot, level);
}

bool ReaderSession::SetSamVSel1(std::uint8_t slot, std::uint8_t level) {
    return SendPair(*this, kCmdSetSamVSel1, slot, level);
}

bool ReaderSession::ResetSam(KorviCardParam* record) {
    if (record == nullptr) return false;
    return CommandExchange(*this, kCmdResetSam, {}, kTimeout, [&](std::span<const std::uint8_t>) {
        CopyReplyToBuffer(*this, *record);
        record->unCosReultBufferLength = static_cast<std::uint32_t>(
            CopyReplyPayload(record->arrCosResultBuffer, sizeof record->arrCosResultBuffer));
    });
}

bool ReaderSession::SendSamAPDU(KorviCardParam* record) {
    if (record == nullptr) return false;
    std::span<const std::uint8_t> apdu;
    if (record->unCosSendBufferLength != 0) {
        if (record->unCosSendBufferLength > sizeof record->arrCosSendBuffer) return false;
        apdu = std::span(record->arrCosSendBuffer, record->unCosSendBufferLength);
    } else {
        if (record->nBufferSize < 0 ||
            static_cast<std::size_t>(record->nBufferSize) > sizeof record->arrBuffer) {
            return false;
        }
        apdu = std::span(record->arrBuffer, static_cast<std::size_t>(record->nBufferSize));
    }
    return CommandExchange(
        *this, kCmdSendSamApdu, apdu, kTimeout, [&](std::span<const std::uint8_t> reply) {
            const std::size_t skip = reply.size() > kStatusWordLength ? 1 : 0;
            record->unCosReultBufferLength = static_cast<std::uint32_t>(CopyReplyPayload(
                record->arrCosResultBuffer, sizeof record->arrCosResultBuffer, skip));
        });
}
