// Contactless CPU cards: reader command 14, the block layer's transceive over it, the
// card's activation (RATS) and deselection, and APDUs over the block layer.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "core/cards/activated_cards.h"
#include "core/protocol/command_exchange.h"
#include "core/protocol/error_codes.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr std::uint8_t kCmdCpuCommand = 14;
constexpr std::uint8_t kTransparentMode = 4;
// Bytes of a command that fit a request payload after its two leading bytes.
constexpr unsigned kMaxCpuCommand = kMaxRequestPayload - 2;
constexpr unsigned kShortCommandRoom = sizeof(KorviCardParam::arrBuffer);
constexpr unsigned kCosBufferRoom = sizeof(KorviCardParam::arrCosSendBuffer);
constexpr unsigned kLongCommandRoom =
    kCosBufferRoom + sizeof(KorviCardParamLong::arrCosSendBufferMore);
constexpr std::uint8_t kRatsPcbBase = 0x02;
constexpr std::uint8_t kRatsParameter = 0x50;  // FSD 64, CID 0
constexpr std::uint8_t kRequestIdle = 0x26;
constexpr std::uint8_t kBlockLayerFailureCode = Iso14443BlockLayer::kFailure;

// The command bytes of a long-form record: the first 256 in arrCosSendBuffer, the rest in
// the extension that follows the record.
void CopyLongCommand(const KorviCardParam& record, unsigned length, std::uint8_t* to) {
    const unsigned first = std::min(length, kCosBufferRoom);
    std::memcpy(to, record.arrCosSendBuffer, first);
    if (length > first) {
        const auto& longForm = reinterpret_cast<const KorviCardParamLong&>(record);
        std::memcpy(to + first, longForm.arrCosSendBufferMore, length - first);
    }
}

}  // namespace

bool ReaderSession::SendCpuCommand(int mode, KorviCardParam* record, int timeout) {
    if (record == nullptr || !ArgumentsFit(*this, {ByteField(mode)})) return false;
    std::array<std::uint8_t, kMaxRequestPayload> payload{};
    unsigned length = 0;
    if (record->nBufferSize != 0) {
        if (record->nBufferSize < 0 || record->nBufferSize > static_cast<int>(kShortCommandRoom)) {
            return false;
        }
        length = static_cast<unsigned>(record->nBufferSize);
        payload[0] = Low8(mode);
        payload[1] = static_cast<std::uint8_t>(length);
        std::memcpy(payload.data() + 2, record->arrBuffer, length);
    } else {
        length = record->unCosSendBufferLength;
        if (length == 0 || length > kMaxCpuCommand) {
            return false;
        }
        payload[0] = static_cast<std::uint8_t>(length >> 8);
        payload[1] = static_cast<std::uint8_t>(length);
        CopyLongCommand(*record, length, payload.data() + 2);
    }
    return CommandExchange(
        *this, kCmdCpuCommand, std::span(payload.data(), length + 2), timeout,
        [&](std::span<const std::uint8_t> reply) {
            record->unCosReultBufferLength = static_cast<std::uint32_t>(
                CopyReplyPayload(record->arrCosResultBuffer, sizeof record->arrCosResultBuffer));
            CopyReplyPayload(record->arrBuffer, sizeof record->arrBuffer);
            record->nBufferSize = static_cast<int>(reply.size());
        });
}

bool ReaderSession::CpuCardTransceive(const std::uint8_t* command, unsigned length,
                                      std::uint8_t* response, unsigned* responseLength,
                                      int waitMs) {
    if (command == nullptr || response == nullptr || length == 0 || responseLength == nullptr ||
        *responseLength == 0 || length > kMaxCpuCommand) {
        return false;
    }
    static_assert(kMaxCpuCommand <= kLongCommandRoom);
    KorviCardParamLong record{};
    const unsigned first = std::min(length, kCosBufferRoom);
    std::memcpy(record.param.arrCosSendBuffer, command, first);
    std::memcpy(record.arrCosSendBufferMore, command + first, length - first);
    record.param.unCosSendBufferLength = length;
    if (!SendCpuCommand(kTransparentMode, &record.param, waitMs)) {
        return false;
    }
    const unsigned received = record.param.unCosReultBufferLength;
    std::memcpy(response, record.param.arrCosResultBuffer, std::min(*responseLength, received));
    *responseLength = received;
    return true;
}

void ReaderSession::RegisterCpuCardTransceive() {
    blockLayer.SetTransceiveFunction([this](const std::uint8_t* block, unsigned length,
                                            std::uint8_t* response, unsigned* responseLength,
                                            int waitMs) {
        return CpuCardTransceive(block, length, response, responseLength, waitMs);
    });
}

namespace {

// Runs one block-layer operation with the state of the card activated in the session's
// reader, and leaves the state there for the next session that reaches the card.
template <typename Operation>
bool OnActivatedCard(ReaderSession& session, Operation operation) {
    const std::string reader = session.ReaderName();
    if (!reader.empty()) LoadActivatedCard(reader, session.blockLayer);
    const bool done = operation();
    if (!reader.empty()) StoreActivatedCard(reader, session.blockLayer);
    return done;
}

// After a failed block-layer step: a failure of the card's protocol (every reader exchange
// succeeded), or a step the layer refused, is reported with the layer's own code; a reader
// failure keeps the reader's.
void ReportBlockLayerFailure(ReaderSession& session, bool refused = false) {
    if (refused || session.GetErrorCode() == LCEC_OK) {
        session.SetErrorCode(kBlockLayerFailureCode);
    }
}

}  // namespace

bool ReaderSession::ResetCpuCardNoGetCardNo(KorviCardParam* record) {
    if (record == nullptr) return false;
    SetErrorCode(LCEC_UNKNOWN);
    std::array<std::uint8_t, Iso14443BlockLayer::kReceiveCapacity> ats{};
    unsigned length = static_cast<unsigned>(ats.size());
    if (!OnActivatedCard(*this, [&] {
            return blockLayer.RequestAts(kRatsPcbBase, kRatsParameter, &length, ats.data());
        })) {
        ReportBlockLayerFailure(*this);
        return false;
    }
    std::memcpy(record->arrBuffer, ats.data(),
                std::min<std::size_t>(length, sizeof record->arrBuffer));
    std::memcpy(record->arrCosResultBuffer, ats.data(), length);
    record->nBufferSize = static_cast<int>(length);
    record->unCosReultBufferLength = length;
    return true;
}

bool ReaderSession::ResetCpuCard(KorviCardParam* record) {
    if (record == nullptr) return false;
    return GetCardNo(kRequestIdle, record) && ResetCpuCardNoGetCardNo(record);
}

bool ReaderSession::DeselectCpuCard(KorviCardParam* record) {
    if (record == nullptr) return false;
    return OnActivatedCard(*this, [&] {
        std::array<std::uint8_t, 2> request{};
        const unsigned length = blockLayer.DeselectRequest(request);
        std::memcpy(record->arrBuffer, request.data(), length);
        record->nBufferSize = static_cast<int>(length);
        if (!SendCpuCommand(kTransparentMode, record)) {
            return false;
        }
        if (!blockLayer.IsDeselectResponse(
                std::span(record->arrCosResultBuffer, record->unCosReultBufferLength))) {
            SetErrorCode(kBlockLayerFailureCode);
            return false;
        }
        return true;
    });
}

bool ReaderSession::Iso14443SendCOSCommand(KorviCardParam* record) {
    if (record == nullptr || record->nBufferSize < 0 ||
        record->nBufferSize > static_cast<int>(kShortCommandRoom) ||
        record->unCosSendBufferLength > kCosBufferRoom) {
        return false;
    }
    if (record->unCosSendBufferLength == 0) {
        std::memcpy(record->arrCosSendBuffer, record->arrBuffer,
                    static_cast<std::size_t>(record->nBufferSize));
        record->unCosSendBufferLength = static_cast<std::uint32_t>(record->nBufferSize);
    }
    if (record->unCosSendBufferLength == 0) return false;
    SetErrorCode(LCEC_UNKNOWN);
    std::array<std::uint8_t, sizeof record->arrCosResultBuffer> response{};
    unsigned length = 0;
    bool refused = false;
    if (!OnActivatedCard(*this, [&] {
            refused = blockLayer.AwaitsReset();
            return blockLayer.ExchangeApdu(
                std::span(record->arrCosSendBuffer, record->unCosSendBufferLength), response.data(),
                static_cast<unsigned>(response.size()), &length);
        })) {
        ReportBlockLayerFailure(*this, refused);
        return false;
    }
    std::memcpy(record->arrCosResultBuffer, response.data(), length);
    record->unCosReultBufferLength = length;
    return true;
}
