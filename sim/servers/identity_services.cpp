#include "sim/servers/identity_services.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "sim/device/samv_module.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kInitialPassword[] = "KVIdBoxInitPass!";
constexpr std::int32_t kServerBusy = 50;
constexpr std::size_t kConfigSize = 120;
constexpr std::size_t kPasswordAt = 16;
constexpr int kChunksPerRead = 3 + 4 + 13 + 13;  // 80-byte chunks of files of 214, 256, 1024, 1024

const Bytes kInternalAuthenticate = {0x00, 0x88, 0x00, 0x00, 0x08, 0x11, 0x22,
                                     0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
const Bytes kExternalAuthenticate = {0x00, 0x82, 0x00, 0x00, 0x08, 0x88, 0x77,
                                     0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
// The SAM's answer to a command it refuses (status 41), as the box passes it on.
const Bytes kSamRefusal = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x41, 0x45};

void PutLe(Bytes& out, std::size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Le32(const Bytes& in, std::size_t at) {
    return static_cast<std::uint32_t>(in[at]) | static_cast<std::uint32_t>(in[at + 1]) << 8 |
           static_cast<std::uint32_t>(in[at + 2]) << 16 |
           static_cast<std::uint32_t>(in[at + 3]) << 24;
}

Bytes DefaultConfig() {
    Bytes config(kConfigSize, 0);
    const std::uint8_t fields[] = {0x00, 0x00, 0x00, 0x01, 127, 0, 0, 9,
                                   255,  255,  255,  0,    127, 0, 0, 1};
    std::copy(std::begin(fields), std::end(fields), config.begin());
    return config;
}

DispatchServer::Step Reply(const Bytes& payload) { return {{DispatchServer::Reply(0, payload)}}; }

}  // namespace

IdentityServerService::IdentityServerService(const std::string& address, int port)
    : address_(address), config_(DefaultConfig()), server_(address, port) {
    std::memcpy(password_.data(), kInitialPassword, password_.size());
    server_.SetKeepRequests(false);
    server_.SetHandler([this](const DispatchServer::Request& r) { return Answer(r); });
}

void IdentityServerService::SetBusy(bool busy) {
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = busy;
}

bool IdentityServerService::PasswordIs(const std::uint8_t* password) const {
    return std::equal(password_.begin(), password_.end(), password);
}

Bytes IdentityServerService::Result(bool withFingerprint) const {
    const sim::IdentityCard card = sim::SampleIdentityCard();
    Bytes result(withFingerprint ? 16 : 14, 0);
    if (withFingerprint) {
        result[14] = static_cast<std::uint8_t>(card.fingerprint.size() >> 8);
        result[15] = static_cast<std::uint8_t>(card.fingerprint.size());
    }
    result.insert(result.end(), card.text.begin(), card.text.end());
    result.insert(result.end(), card.photo.begin(), card.photo.end());
    return result;
}

DispatchServer::Step IdentityServerService::Answer(const DispatchServer::Request& r) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (r.command) {
        case 70:
            return Reply({0x01});
        case 1:
        case 9:
        case 71:
        case 78:
            if (busy_) return {{DispatchServer::Reply(kServerBusy, {})}};
            withFingerprint_ = r.command == 9 || r.command == 78;
            chunks_ = 0;
            return Reply(kInternalAuthenticate);
        case 2:
            return {};
        case 3:
            return Reply(kExternalAuthenticate);
        case 5:
        case 6:
        case 7:
        case 8:
            if (++chunks_ != kChunksPerRead) return {};
            return Reply(Result(withFingerprint_));
        case 13:
            return Reply(sim::SampleIdentityCard().fingerprint);
        default:
            return Administer(r);
    }
}

DispatchServer::Step IdentityServerService::Administer(const DispatchServer::Request& r) {
    const Bytes& in = r.payload;
    switch (r.command) {
        case 52:
            return Reply({});
        case 53: {
            Bytes message(27, 0);
            PutLe(message, 10, 3, 2);
            PutLe(message, 12, 7, 2);
            PutLe(message, 14, 20261210, 4);
            PutLe(message, 18, 1234567890, 4);
            PutLe(message, 22, 42, 4);
            return Reply(message);
        }
        case 54: {
            Bytes times(32, 0);
            PutLe(times, 0, 1000, 8);
            PutLe(times, 8, 1250, 8);
            PutLe(times, 16, 1600, 8);
            return Reply(times);
        }
        case 55: {
            Bytes record(156, 0);
            PutLe(record, 0, 4, 4);
            for (std::size_t i = 0; i < 16; ++i)
                record[4 + i] = static_cast<std::uint8_t>(0xA0 + i);
            for (std::size_t i = 0; i < 16; ++i) record[20 + i] = static_cast<std::uint8_t>(i);
            for (std::size_t i = 0; i < 96; ++i) record[36 + i] = static_cast<std::uint8_t>(i * 3);
            PutLe(record, 132, 144, 4);
            PutLe(record, 136, 7, 4);
            PutLe(record, 140, 5000, 8);
            PutLe(record, 148, 5120, 8);
            return Reply(record);
        }
        case 61: {
            Bytes entries(4 * 4, 0);
            PutLe(entries, 0, 0x80000000u | 100, 4);
            PutLe(entries, 4, 130, 4);
            PutLe(entries, 8, 0x80000000u | 190, 4);
            return Reply(entries);
        }
        case 64:
            return Reply({0x3B, 0x6C, 0x00, 0x00, 0x4B, 0x56, 0x50, 0x53, 0x41, 0x4D, 0x30, 0x31});
        case 65:
            return Reply({0x5C, 0x13, 0xE7, 0x02, 0x90, 0x00});
        case 66:
            return Reply({0x02, 0x4B, 0x56, 0x49, 0x44, 0x01});
        case 67:
            return Reply({0x4B, 0x56, 0x49, 0x44, 0x00, 0x00, 0x20, 0x26, 0x12, 0x10, 0x00, 0x07});
        case 74:
            return Reply(config_);
        case 73:
        case 75:
        case 77:
        case 76: {
            const std::size_t at = r.command == 77 ? 4 : r.command == 76 ? 0 : kPasswordAt;
            if (in.size() < at + 16 || !PasswordIs(in.data() + at)) return Reply(kSamRefusal);
            if (r.command == 73 && in.size() >= kConfigSize)
                config_.assign(in.begin(), in.begin() + kConfigSize);
            if (r.command == 75) config_ = DefaultConfig();
            if (r.command == 76) {
                if (in.size() < 32) return Reply(kSamRefusal);
                std::copy(in.begin() + 16, in.begin() + 32, password_.begin());
            }
            return Reply(r.command == 73 ? config_ : Bytes{});
        }
        case 79:
            return Reply(in.size() >= 4 && Le32(in, 0) <= 1 ? Bytes{} : kSamRefusal);
        default:
            return {{}, true};
    }
}

DispatchService::DispatchService(const std::string& address, const std::string& idServerAddress,
                                 int idServerPort)
    : idServerPort_(idServerPort), server_(address) {
    inet_pton(AF_INET, idServerAddress.c_str(), idServer_.data());
    server_.SetKeepRequests(false);
    server_.SetHandler([this](const DispatchServer::Request& r) { return Answer(r); });
}

void DispatchService::Refuse(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    refusal_ = text;
}

DispatchServer::Step DispatchService::Answer(const DispatchServer::Request& r) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (r.command == 72) return Reply({});
    if (r.command != 58) return {{}, true};
    // Address and port (zero when refused), 34 bytes kept by the reader, the text and its
    // terminator.
    constexpr std::size_t kTextAt = 42;
    Bytes answer(kTextAt + refusal_.size() + 1, 0);
    if (refusal_.empty()) {
        std::copy(idServer_.begin(), idServer_.end(), answer.begin());
        PutLe(answer, 4, static_cast<std::uint32_t>(idServerPort_), 4);
    }
    std::copy(refusal_.begin(), refusal_.end(), answer.begin() + kTextAt);
    return Reply(answer);
}
