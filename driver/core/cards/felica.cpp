// FeliCa polling of the reader.
#include "core/protocol/command_exchange.h"
#include "core/protocol/device_query.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"

namespace {

constexpr std::uint8_t kCmdFelicaPolling = 21;
constexpr int kTimeout = 1000;
constexpr std::size_t kIdmLength = 8;

}  // namespace

bool ReaderSession::FelicaPolling(int request, KorviCardParam* record) {
    if (record == nullptr || !ArgumentsFit(*this, {ByteField(request)})) return false;
    const std::uint8_t payload[] = {Low8(request)};
    return DeviceQuery(
        *this, kCmdFelicaPolling, payload, kTimeout, kIdmLength,
        [&](std::span<const std::uint8_t>) { CopyReplyPayload(record->arrCardNo, kIdmLength); });
}
