// FeliCa polling of the reader.
#include "core/command_exchange.h"
#include "core/error_codes.h"
#include "core/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr std::uint8_t kCmdFelicaPolling = 21;
constexpr int kTimeout = 1000;
constexpr std::size_t kIdmLength = 8;

}  // namespace

bool ReaderSession::FelicaPolling(std::uint8_t request, KorviCardParam* record) {
    if (record == nullptr) return false;
    const std::uint8_t payload[] = {request};
    if (!CommandExchange(*this, kCmdFelicaPolling, payload, kTimeout)) return false;
    if (ReplyPayloadLength() < kIdmLength) {
        SetErrorCode(LCEC_RECV_TIME_OUT);
        return false;
    }
    CopyReplyPayload(record->arrCardNo, kIdmLength);
    return true;
}
