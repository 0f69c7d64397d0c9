// FeliCa polling of the reader.
#include "core/protocol/device_query.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr std::uint8_t kCmdFelicaPolling = 21;
constexpr int kTimeout = 1000;
constexpr std::size_t kIdmLength = 8;

}  // namespace

bool ReaderSession::FelicaPolling(std::uint8_t request, KorviCardParam* record) {
    if (record == nullptr) return false;
    const std::uint8_t payload[] = {request};
    return DeviceQuery(
        *this, kCmdFelicaPolling, payload, kTimeout, kIdmLength,
        [&](std::span<const std::uint8_t>) { CopyReplyPayload(record->arrCardNo, kIdmLength); });
}
