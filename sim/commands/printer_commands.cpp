#include "sim/commands/printer_commands.h"

#include <algorithm>

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdCaptureSize = 220;
constexpr std::uint8_t kCmdCapturePiece = 221;
constexpr std::uint8_t kCmdClearCapture = 222;
constexpr std::uint8_t kCmdQrHost = 223;
constexpr std::size_t kMaxReplyPayload = 251;

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace

PrinterCommands::PrinterCommands(SimulatedReader& reader, PrinterCapture& capture) {
    reader.SetHandler(kCmdCaptureSize, [&capture](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        const auto size = static_cast<std::uint32_t>(capture.data().size());
        return Reply::Ok({static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                          static_cast<std::uint8_t>(size >> 16),
                          static_cast<std::uint8_t>(size >> 24)});
    });
    reader.SetHandler(kCmdCapturePiece, [&capture](const Request& request) {
        if (request.payload.size() != 8) return Reply::Failure(LCEC_SEND_COMMAND);
        const std::size_t count = std::min<std::size_t>(Le32(request.payload, 4), kMaxReplyPayload);
        const auto piece = capture.Piece(Le32(request.payload, 0), count);
        return Reply::Ok({piece.begin(), piece.end()});
    });
    reader.SetHandler(kCmdClearCapture, [&capture](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        capture.Clear();
        return Reply::Ok();
    });
    reader.SetHandler(kCmdQrHost, [this](const Request& request) {
        if (request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        qrRelayed_.push_back(request.payload);
        return Reply::Ok();
    });
}

}  // namespace sim
