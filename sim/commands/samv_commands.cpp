#include "sim/commands/samv_commands.h"

#include <algorithm>
#include <utility>

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdToSamv = 38;
constexpr std::uint8_t kCmdCosResult = 39;
constexpr std::uint8_t kCmdReadHeld = 40;
constexpr std::uint8_t kCmdGetSdt = 239;
constexpr std::uint8_t kCmdClearSdt = 240;
constexpr std::uint8_t kCmdResultTag = 241;
constexpr std::uint8_t kCmdGetPower = 242;
constexpr std::uint8_t kCmdSetPower = 243;
constexpr std::uint8_t kCmdLastApdu = 244;
constexpr std::uint8_t kCmdLastApduResult = 245;
constexpr std::uint8_t kCmdHeldCount = 246;
constexpr std::uint32_t kMaxRead = 240;

std::uint32_t Word(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{bytes[offset + i]} << (8 * i);
    return value;
}

std::vector<std::uint8_t> WordBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// A handler taking one 4-byte value.
CommandHandler SetWord(std::uint32_t& target) {
    return [&target](const Request& request) {
        if (request.payload.size() != 4) return Reply::Failure(LCEC_SEND_COMMAND);
        target = Word(request.payload, 0);
        return Reply::Ok();
    };
}

// A handler without payload answering the bytes it holds.
CommandHandler Answer(const std::vector<std::uint8_t>& bytes) {
    return [&bytes](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        return Reply::Ok(bytes);
    };
}

}  // namespace

SamvCommands::SamvCommands(SimulatedReader& reader, SamvModule& module, CardApduPath field) {
    if (field) {
        module.cardLink = [this, field = std::move(field)](std::span<const std::uint8_t> apdu) {
            std::optional<std::vector<std::uint8_t>> response = field(apdu);
            if (response) {
                lastApdu.assign(apdu.begin(), apdu.end());
                lastApduResult = *response;
            }
            return response;
        };
    }
    reader.SetHandler(kCmdToSamv, [this, &module](const Request& request) {
        module.Receive(request.payload);
        pollsLeft_ = slowPolls;
        return Reply::Ok();
    });
    reader.SetHandler(kCmdHeldCount, [this, &module](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        auto count = static_cast<std::uint32_t>(module.held.size());
        if (pollsLeft_ > 0) {
            --pollsLeft_;
            count = std::min(count, partialCount);
        }
        return Reply::Ok(WordBytes(count));
    });
    reader.SetHandler(kCmdReadHeld, [&module](const Request& request) {
        if (request.payload.size() != 8) return Reply::Failure(LCEC_SEND_COMMAND);
        const std::uint32_t offset = Word(request.payload, 0);
        const std::uint32_t count = Word(request.payload, 4);
        if (count > kMaxRead) return Reply::Failure(LCEC_SEND_COMMAND);
        const std::size_t start = std::min<std::size_t>(offset, module.held.size());
        const std::size_t end = std::min<std::size_t>(start + count, module.held.size());
        return Reply::Ok({module.held.begin() + static_cast<std::ptrdiff_t>(start),
                          module.held.begin() + static_cast<std::ptrdiff_t>(end)});
    });
    reader.SetHandler(kCmdCosResult, [this](const Request& request) {
        cosResults.push_back(request.payload);
        return Reply::Ok();
    });
    reader.SetHandler(kCmdGetSdt, Answer(sdtCommand));
    reader.SetHandler(kCmdClearSdt, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        sdtCommand.clear();
        return Reply::Ok();
    });
    reader.SetHandler(kCmdResultTag, SetWord(resultTag));
    reader.SetHandler(kCmdSetPower, SetWord(powerStatus));
    reader.SetHandler(kCmdGetPower, [this](const Request& request) {
        if (!request.payload.empty()) return Reply::Failure(LCEC_SEND_COMMAND);
        return Reply::Ok(WordBytes(powerStatus));
    });
    reader.SetHandler(kCmdLastApdu, Answer(lastApdu));
    reader.SetHandler(kCmdLastApduResult, Answer(lastApduResult));
}

}  // namespace sim
