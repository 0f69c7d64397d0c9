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

}  // namespace

bool ReaderSession::SetSamSlotIndex(int slot) {
    return ByteArgumentExchange(*this, kCmdSetSamSlotIndex, {slot}, kTimeout);
}

bool ReaderSession::SetSamPowerOnOff(int on) {
    return ByteArgumentExchange(*this, kCmdSetSamPowerOnOff, {on}, kTimeout);
}

bool ReaderSession::SetSamVSel0(int slot, int level) {
    return ByteArgumentExchange(*this, kCmdSetSamVSel0, {slot, level}, kTimeout);
}

bool ReaderSession::SetSamVSel1(int slot, int level) {
    return ByteArgumentExchange(*this, kCmdSetSamVSel1, {slot, level}, kTimeout);
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
