#include "sim/cards/fm1208_application.h"

#include <algorithm>
#include <utility>

#include "sim/cards/triple_des.h"

namespace sim {

namespace {

constexpr std::uint8_t kKeyFileType = 0x3F;
// Header of a key record before the key: type, use right, change right, state, error counter.
constexpr std::size_t kKeyHeader = 5;

}  // namespace

Fm1208Application::Fm1208Application() = default;

Fm1208Application::Fm1208Application(std::vector<std::uint8_t> externalKey)
    : eraseFree_(false), keyFile_(true) {
    keys_[{kExternalKeyType, 0}] = std::move(externalKey);
}

void Fm1208Application::Reset() {
    challenge_.reset();
    authenticated_ = false;
}

std::optional<std::vector<std::uint8_t>> Fm1208Application::Key(std::uint8_t type,
                                                                std::uint8_t id) const {
    const auto found = keys_.find({type, id});
    if (found == keys_.end()) return std::nullopt;
    return found->second;
}

ApduAnswer Fm1208Application::Process(std::span<const std::uint8_t> command) {
    const std::optional<CommandApdu> apdu = CommandApdu::Parse(command);
    if (!apdu) return ApduAnswer::Status(0x67, 0x00);
    if (apdu->cla == 0x00 && apdu->ins == 0xA4) {
        if (apdu->data.empty() || apdu->data == std::vector<std::uint8_t>{0x3F, 0x00}) {
            if (apdu->data.empty()) return ApduAnswer::Status(0x90, 0x00);
            return {{0x6F, 0x06, 0x84, 0x04, 0x3F, 0x00, 0x00, 0x00}, 0x90, 0x00};
        }
        const bool known =
            apdu->data.size() == 2 &&
            files_.contains(static_cast<std::uint16_t>(apdu->data[0] << 8 | apdu->data[1]));
        return ApduAnswer::Status(known ? 0x90 : 0x6A, known ? 0x00 : 0x82);
    }
    if (apdu->cla == 0x00 && apdu->ins == 0x84) return GetChallenge(*apdu);
    if (apdu->cla == 0x00 && apdu->ins == 0x82) return ExternalAuthenticate(*apdu);
    if (apdu->cla == 0x80 && apdu->ins == 0x0E) return Erase();
    if (apdu->cla == 0x80 && apdu->ins == 0xE0) return CreateFile(*apdu);
    if (apdu->cla == 0x80 && apdu->ins == 0xD4) return WriteKey(*apdu);
    if (apdu->cla != 0x00 && apdu->cla != 0x80) return ApduAnswer::Status(0x6E, 0x00);
    return ApduAnswer::Status(0x6D, 0x00);
}

ApduAnswer Fm1208Application::Erase() {
    if (!eraseFree_ && !authenticated_) return ApduAnswer::Status(0x69, 0x85);
    keyFile_ = false;
    files_.clear();
    keys_.clear();
    eraseFree_ = true;
    authenticated_ = false;
    return ApduAnswer::Status(0x90, 0x00);
}

ApduAnswer Fm1208Application::CreateFile(const CommandApdu& apdu) {
    if (apdu.data.empty()) return ApduAnswer::Status(0x67, 0x00);
    const auto id = static_cast<std::uint16_t>(apdu.p1 << 8 | apdu.p2);
    if (apdu.data[0] == kKeyFileType) {
        if (keyFile_) return ApduAnswer::Status(0x6A, 0x89);
        keyFile_ = true;
        return ApduAnswer::Status(0x90, 0x00);
    }
    if (!keyFile_) return ApduAnswer::Status(0x69, 0x85);
    if (!files_.insert(id).second) return ApduAnswer::Status(0x6A, 0x89);
    return ApduAnswer::Status(0x90, 0x00);
}

ApduAnswer Fm1208Application::WriteKey(const CommandApdu& apdu) {
    if (apdu.data.size() != kKeyHeader + 8 && apdu.data.size() != kKeyHeader + 16) {
        return ApduAnswer::Status(0x67, 0x00);
    }
    if (!keyFile_) return ApduAnswer::Status(0x6A, 0x82);
    keys_[{apdu.data[0], apdu.p2}] =
        std::vector<std::uint8_t>(apdu.data.begin() + kKeyHeader, apdu.data.end());
    return ApduAnswer::Status(0x90, 0x00);
}

ApduAnswer Fm1208Application::GetChallenge(const CommandApdu& apdu) {
    std::optional<std::vector<std::uint8_t>> challenge = challenges_.Draw(apdu);
    if (!challenge) return ApduAnswer::Status(0x67, 0x00);
    challenge_ = std::move(challenge);
    return {*challenge_, 0x90, 0x00};
}

ApduAnswer Fm1208Application::ExternalAuthenticate(const CommandApdu& apdu) {
    if (apdu.data.size() != 8) return ApduAnswer::Status(0x67, 0x00);
    const auto key = keys_.find({kExternalKeyType, apdu.p2});
    if (key == keys_.end()) return ApduAnswer::Status(0x6A, 0x88);
    if (!challenge_) return ApduAnswer::Status(0x69, 0x84);
    std::array<std::uint8_t, 8> block{};
    std::copy(challenge_->begin(), challenge_->end(), block.begin());
    challenge_.reset();
    const std::array<std::uint8_t, 8> expected = TripleDesEncrypt(key->second, block);
    authenticated_ = std::equal(expected.begin(), expected.end(), apdu.data.begin());
    return ApduAnswer::Status(authenticated_ ? 0x90 : 0x63, 0x00);
}

}  // namespace sim
