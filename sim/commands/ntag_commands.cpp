#include "sim/commands/ntag_commands.h"

#include <array>

#include "core/protocol/error_codes.h"

namespace sim {

namespace {

constexpr std::uint8_t kCmdNtagGetVersion = 100;
constexpr std::uint8_t kCmdNtagPwdAuth = 103;

}  // namespace

NtagCommands::NtagCommands(SimulatedReader& reader, const CardField& field) : field_(field) {
    reader.SetHandler(kCmdNtagGetVersion, [this](const Request& request) {
        NtagTag* tag = Tag();
        std::array<std::uint8_t, 8> version{};
        if (!request.payload.empty() || tag == nullptr ||
            tag->GetVersion(version) != CardStatus::kOk) {
            return Reply::Failure(LCEC_SEND_COMMAND);
        }
        return Reply::Ok({version.begin(), version.end()});
    });
    reader.SetHandler(kCmdNtagPwdAuth, [this](const Request& request) {
        if (request.payload.size() != 4) return Reply::Failure(LCEC_SEND_COMMAND);
        NtagTag* tag = Tag();
        std::array<std::uint8_t, 2> pack{};
        if (tag == nullptr ||
            tag->PwdAuth(std::span<const std::uint8_t, 4>(request.payload.data(), 4), pack) !=
                CardStatus::kOk) {
            return Reply::Failure(LCEC_AUTHENTICATION);
        }
        return Reply::Ok({pack.begin(), pack.end()});
    });
}

NtagTag* NtagCommands::Tag() const { return dynamic_cast<NtagTag*>(field_.TypeA()); }

}  // namespace sim
