// The identity card read through the reader's SAMV module, and the module's helper commands.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

#include "core/identity/samv_frame.h"
#include "core/modules/module_pause.h"
#include "core/protocol/command_exchange.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

enum : std::uint8_t {
    kCmdSendToSamv = 38,
    kCmdCosResultToSamv = 39,
    kCmdReadSamvUart = 40,
    kCmdGetSdtCmd = 239,
    kCmdClearSdtCmd = 240,
    kCmdSetResultTag = 241,
    kCmdGetPowerStatus = 242,
    kCmdSetPowerStatus = 243,
    kCmdGetLastApdu = 244,
    kCmdGetLastApduResult = 245,
    kCmdSamvUartCount = 246,
};

constexpr int kTimeout = 1000;
constexpr int kSdtTimeout = 2000;
constexpr int kFirstWaitMs = 500;
constexpr int kPollPauseMs = 50;
constexpr int kMaxPolls = 21;
constexpr int kCommandWaitMs = 1000;
constexpr int kCommandPolls = 3;
constexpr std::uint32_t kChunk = 240;
constexpr std::uint32_t kUartDataCount = 40;
constexpr int kMinSdtLength = 32;

// Answer layout (any total below 240 is an error answer): without fingerprint exactly this size,
// text at 14 and photo at 270; with one, text at 16, photo at 272 and the fingerprint from 1296 up
// to the check byte.
constexpr std::size_t kPlainTotal = 1295;
constexpr std::size_t kFingerprintBase = 1297;
constexpr std::size_t kTextSize = 256;
constexpr std::size_t kPhotoSize = 1024;
constexpr std::size_t kFingerprintOffset = 1296;
constexpr std::size_t kMaxFingerprint = sizeof(TwoIdInfoParam::arrTwoIdFingerprint);
constexpr std::size_t kMaxTotal = kFingerprintBase + kMaxFingerprint;
constexpr std::size_t kAssemblySize = 2400;
static_assert(kMaxTotal <= kAssemblySize);

// The read-text-and-photo request of the module.
constexpr std::array<std::uint8_t, 2> kReadBody = {0x30, 0x10};

bool TotalFitsLayout(std::size_t total) {
    return total == kPlainTotal || (total >= kFingerprintBase && total <= kMaxTotal);
}

// The number of answer bytes the reader holds from the module; false when the poll fails
// or its reply has no count.
bool PollUart(ReaderSession& session, std::uint32_t& held) {
    if (!CommandExchange(session, kCmdSamvUartCount, {}, kTimeout)) return false;
    if (session.ReplyPayloadLength() < 4) {
        session.SetErrorCode(LCEC_RECV_TIME_OUT);
        return false;
    }
    held = PayloadLittleEndian(session.ReplyPayload(), 0, 4);
    return true;
}

void PutLittleEndian(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// count held bytes from offset; the reply payload holds them on success.
bool ReadUart(ReaderSession& session, std::uint32_t offset, std::uint32_t count) {
    std::uint8_t payload[8];
    PutLittleEndian(payload, offset);
    PutLittleEndian(payload + 4, count);
    return session.Transact(kCmdReadSamvUart, payload, sizeof payload, kTimeout);
}

// Polls until accept(held) holds, pausing between polls; the identity-card code of the
// failure otherwise.
template <class Accept>
bool PollUntil(ReaderSession& session, Accept&& accept) {
    for (int poll = 1; poll <= kMaxPolls; ++poll) {
        std::uint32_t held = 0;
        if (!PollUart(session, held)) {
            session.SetTwoIdErrorCode(kSamvPollFailed);
            return false;
        }
        if (accept(held)) return true;
        if (poll < kMaxPolls) ModulePause(kPollPauseMs);
    }
    session.SetTwoIdErrorCode(kSamvTimedOut);
    return false;
}

bool Fail(ReaderSession& session, int code) {
    session.SetTwoIdErrorCode(code);
    return false;
}

// The reply payload to the record's COS result.
void CopyToCosResult(const ReaderSession& session, KorviCardParam& record) {
    record.unCosReultBufferLength = static_cast<std::uint32_t>(
        session.CopyReplyPayload(record.arrCosResultBuffer, sizeof record.arrCosResultBuffer));
}

// The record's COS command, refused when its length runs past the buffer.
bool CosCommand(const KorviCardParam& record, std::span<const std::uint8_t>& command) {
    if (record.unCosSendBufferLength > sizeof record.arrCosSendBuffer) return false;
    command = std::span(record.arrCosSendBuffer, record.unCosSendBufferLength);
    return true;
}

bool ExchangeToCosResult(ReaderSession& session, std::uint8_t command,
                         std::span<const std::uint8_t> payload, KorviCardParam* record) {
    if (record == nullptr) return false;
    return CommandExchange(session, command, payload, kTimeout, [&](std::span<const std::uint8_t>) {
        CopyToCosResult(session, *record);
    });
}

bool SendWord(ReaderSession& session, std::uint8_t command, std::int32_t value) {
    std::uint8_t payload[4];
    PutLittleEndian(payload, static_cast<std::uint32_t>(value));
    return CommandExchange(session, command, payload, kTimeout);
}

void FillRecord(std::span<const std::uint8_t> answer, TwoIdInfoParam& record) {
    const bool plain = answer.size() == kPlainTotal;
    const std::size_t text = plain ? 14 : 16;
    const std::size_t photo = plain ? 270 : 272;
    auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
    std::memcpy(bytes, answer.data() + text, kTextSize);
    std::memcpy(record.arrTwoIdPhoto, answer.data() + photo, kPhotoSize);
    record.unTwoIdFingerprintLength = 0;
    if (answer.size() > kFingerprintBase) {
        bytes[offsetof(TwoIdInfoParam, unTwoIdFingerprintLength)] = answer[13];
        bytes[offsetof(TwoIdInfoParam, unTwoIdFingerprintLength) + 1] = answer[14];
        std::memcpy(record.arrTwoIdFingerprint, answer.data() + kFingerprintOffset,
                    answer.size() - kFingerprintBase);
    }
}

}  // namespace

bool ReaderSession::GetTwoIdInfo(TwoIdInfoParam* record) {
    SetTwoIdErrorCode(kSamvReadInProgress);
    if (record == nullptr) return Fail(*this, kSamvNullRecord);
    const std::vector<std::uint8_t> request = BuildSamvFrame(kReadBody);
    if (!CommandExchange(*this, kCmdSendToSamv, request, kTimeout)) {
        return Fail(*this, kSamvSendFailed);
    }
    ModulePause(kFirstWaitMs);
    if (!PollUntil(*this, [](std::uint32_t held) { return held >= kSamvHeaderSize; })) {
        return false;
    }
    if (!ReadUart(*this, 0, kSamvHeaderSize)) return Fail(*this, kSamvReadFailed);
    std::size_t total = SamvFrameTotal(ReplyPayload());
    if (!TotalFitsLayout(total)) return Fail(*this, kSamvBadTotal);
    if (!PollUntil(*this, [total](std::uint32_t held) { return held == total; })) return false;

    if (!ReadUart(*this, 0, kChunk)) return Fail(*this, kSamvReadFailed);
    if (ReplyPayloadLength() != kChunk) return Fail(*this, kSamvShortChunk);
    if (!HasSamvPreamble(ReplyPayload())) return Fail(*this, kSamvNoPreamble);
    std::array<std::uint8_t, kAssemblySize> answer{};
    std::size_t held = CopyReplyPayload(answer.data(), answer.size());
    total = SamvFrameTotal(answer);
    if (!TotalFitsLayout(total)) return Fail(*this, kSamvBadTotal);
    while (held < total) {
        const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(kChunk, total - held));
        if (!ReadUart(*this, static_cast<std::uint32_t>(held), count)) {
            return Fail(*this, kSamvReadFailed);
        }
        const std::size_t got = CopyReplyPayload(answer.data() + held, total - held);
        if (got == 0) return Fail(*this, kSamvReadFailed);
        held += got;
    }
    const std::span<const std::uint8_t> frame(answer.data(), total);
    if (!SamvCheckByteValid(frame)) return Fail(*this, kSamvCheckByte);
    FillRecord(frame, *record);
    SetTwoIdErrorCode(TIEC_NO_ERROR);
    return true;
}

bool ReaderSession::SendSamvCommand(KorviCardParam* record) {
    if (record == nullptr) return false;
    std::span<const std::uint8_t> command;
    if (!CosCommand(*record, command)) return false;
    if (!CommandExchange(*this, kCmdSendToSamv, command, kTimeout)) return false;
    std::uint32_t held = 0;
    for (int poll = 1;; ++poll) {
        ModulePause(kCommandWaitMs);
        if (!PollUart(*this, held)) return Fail(*this, kSamvPollFailed);
        if (held >= kSamvHeaderSize) break;
        if (poll == kCommandPolls) return Fail(*this, kSamvTimedOut);
    }
    if (!ReadUart(*this, 0, std::min(held, kChunk))) return Fail(*this, kSamvReadFailed);
    CopyToCosResult(*this, *record);
    return true;
}

bool ReaderSession::SendCosResult2Samv(KorviCardParam* record) {
    std::span<const std::uint8_t> command;
    if (record == nullptr || !CosCommand(*record, command)) return false;
    return ExchangeToCosResult(*this, kCmdCosResultToSamv, command, record);
}

bool ReaderSession::GetSamvUartData(KorviCardParam* record) {
    std::uint8_t payload[8];
    PutLittleEndian(payload, 0);
    PutLittleEndian(payload + 4, kUartDataCount);
    return ExchangeToCosResult(*this, kCmdReadSamvUart, payload, record);
}

bool ReaderSession::GetSdtCmd(std::uint8_t* buffer, int* length) {
    if (buffer == nullptr || length == nullptr || *length < kMinSdtLength) return false;
    const int room = *length;
    *length = 0;
    if (!Transact(kCmdGetSdtCmd, nullptr, 0, kSdtTimeout)) return false;
    *length = static_cast<int>(CopyReplyPayload(buffer, static_cast<std::size_t>(room)));
    return true;
}

bool ReaderSession::ClearSdtCmd() {
    return CommandExchange(*this, kCmdClearSdtCmd, {}, kSdtTimeout);
}

bool ReaderSession::SetSamvResultTag(std::int32_t tag) {
    if (tag == 0) return false;
    return SendWord(*this, kCmdSetResultTag, tag);
}

bool ReaderSession::GetSamvPowerStatus(std::int32_t* status) {
    if (status == nullptr) return false;
    if (!CommandExchange(*this, kCmdGetPowerStatus, {}, kTimeout)) return false;
    if (ReplyPayloadLength() < 4) {
        SetErrorCode(LCEC_RECV_TIME_OUT);
        return false;
    }
    *status = static_cast<std::int32_t>(PayloadLittleEndian(ReplyPayload(), 0, 4));
    return true;
}

bool ReaderSession::SetSamvPowerStatus(std::int32_t status) {
    return SendWord(*this, kCmdSetPowerStatus, status);
}

bool ReaderSession::GetSamvLastApdu(KorviCardParam* record) {
    return ExchangeToCosResult(*this, kCmdGetLastApdu, {}, record);
}

bool ReaderSession::GetSamvLastApduResult(KorviCardParam* record) {
    return ExchangeToCosResult(*this, kCmdGetLastApduResult, {}, record);
}

bool ReaderSession::SaveSamvResult2JpegBuffer(int flag) {
    jpegResultFlag = flag == 1 ? 1 : 0;
    return true;
}
