// ISO 14443-B commands of the reader: request, select and halt of a type B card.
#include "core/protocol/command_exchange.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

enum : std::uint8_t {
    kCmdRequestB = 27,
    kCmdSelectB = 28,
    kCmdHaltB = 29,
};

constexpr int kTimeout = 1000;

}  // namespace

bool ReaderSession::RequestB(int mode, KorviCardParam* record) {
    if (record == nullptr || !ArgumentsFit(*this, {ByteField(mode)})) return false;
    const std::uint8_t payload[] = {Low8(mode)};
    return CommandExchange(*this, kCmdRequestB, payload, kTimeout,
                           [&](std::span<const std::uint8_t> reply) {
                               CopyReplyPayload(record->arrBuffer, sizeof record->arrBuffer);
                               record->nBufferSize = static_cast<int>(reply.size());
                           });
}

bool ReaderSession::SelectB(KorviCardParam* record) {
    if (record == nullptr) return false;
    return CommandExchange(*this, kCmdSelectB, {}, kTimeout, [&](std::span<const std::uint8_t>) {
        CopyReplyToBuffer(*this, *record);
    });
}

bool ReaderSession::HaltB() { return CommandExchange(*this, kCmdHaltB, {}, kTimeout); }
