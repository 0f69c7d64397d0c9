#include "sim/commands/nfc_buffer_commands.h"

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdReadNfcBuffer = 25;
constexpr std::uint8_t kCmdWriteNfcBuffer = 26;

}  // namespace

NfcBufferCommands::NfcBufferCommands(SimulatedReader& reader, NfcTextBuffer& buffer) {
    reader.SetHandler(kCmdReadNfcBuffer, [&buffer](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        return Reply::Ok(buffer.contents());
    });
    reader.SetHandler(kCmdWriteNfcBuffer, [&buffer](const Request& request) {
        return buffer.Store(request.payload) ? Reply::Ok() : Reply::Failure(LCEC_WRITE);
    });
}

}  // namespace sim
