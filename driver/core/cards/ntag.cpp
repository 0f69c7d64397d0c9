// The NTAG21x commands of the reader: version and password authentication.
#include "core/protocol/command_exchange.h"
#include "core/protocol/device_query.h"
#include "core/protocol/reader_session.h"

namespace {

enum : std::uint8_t {
    kCmdNtagGetVersion = 100,
    kCmdNtagPwdAuth = 103,
};

constexpr int kTimeout = 1000;
constexpr int kVersionLength = 8;
constexpr int kPasswordLength = 4;

}  // namespace

bool ReaderSession::NtagGetVersion(std::uint8_t* output, int size) {
    if (output == nullptr || size < kVersionLength) return false;
    return DeviceQuery(
        *this, kCmdNtagGetVersion, {}, kTimeout, kVersionLength,
        [&](std::span<const std::uint8_t>) { CopyReplyPayload(output, kVersionLength); });
}

bool ReaderSession::NtagPwdAuth(const std::uint8_t* password, int length) {
    if (password == nullptr || length < kPasswordLength) return false;
    return CommandExchange(*this, kCmdNtagPwdAuth, std::span(password, kPasswordLength), kTimeout);
}
