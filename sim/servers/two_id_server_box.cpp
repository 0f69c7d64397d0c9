#include "sim/servers/two_id_server_box.h"

#include <unistd.h>

#include <algorithm>
#include <optional>

#include "sim/servers/loopback_listener.h"

namespace {

constexpr std::uint32_t kMaxRequest = 64 * 1024;

void Unscramble(std::vector<std::uint8_t>& message, const std::uint8_t* key) {
    for (std::size_t p = 12; p < message.size(); ++p) {
        const std::size_t i = p - 12;
        message[p] ^= static_cast<std::uint8_t>(key[i % 8] ^ (i % 256));
    }
}

}  // namespace

TwoIdServerBox::TwoIdServerBox(const std::string& address) : address_(address) {
    listenSocket_ = ListenOnLoopback(address, &port_);
    handler_ = [](const Request&) { return Answer{}; };
    thread_ = std::thread([this] { Serve(); });
}

TwoIdServerBox::~TwoIdServerBox() {
    stop_ = true;
    thread_.join();
    close(listenSocket_);
}

void TwoIdServerBox::SetHandler(Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<TwoIdServerBox::Request> TwoIdServerBox::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::uint8_t> TwoIdServerBox::BuildReply(const std::array<std::uint8_t, 8>& key,
                                                     std::int32_t status,
                                                     const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> message(16 + payload.size());
    const auto total = static_cast<std::uint32_t>(message.size());
    for (int i = 0; i < 4; ++i) {
        message[i] = static_cast<std::uint8_t>(total >> (8 * i));
        message[12 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(status) >> (8 * i));
    }
    std::copy(key.begin(), key.end(), message.begin() + 4);
    std::copy(payload.begin(), payload.end(), message.begin() + 16);
    Unscramble(message, key.data());
    return message;
}

void TwoIdServerBox::Serve() {
    while (!stop_) {
        const int connection = AcceptWithin(listenSocket_, 20);
        if (connection < 0) continue;
        ++connections_;
        ServeOne(connection);
        close(connection);
    }
}

std::optional<TwoIdServerBox::Request> TwoIdServerBox::ReadRequest(
    int connection, const std::atomic<bool>& stop) {
    std::vector<std::uint8_t> message(4);
    if (!ReadExactly(connection, message.data(), 4, stop)) return std::nullopt;
    const std::uint32_t length = message[0] | message[1] << 8 | message[2] << 16 |
                                 static_cast<std::uint32_t>(message[3]) << 24;
    if (length < 24 || length > kMaxRequest) return std::nullopt;
    message.resize(length);
    if (!ReadExactly(connection, message.data() + 4, length - 4, stop)) return std::nullopt;
    Request request;
    request.length = length;
    request.wire = message;
    std::copy(message.begin() + 4, message.begin() + 12, request.key.begin());
    Unscramble(message, request.key.data());
    request.command = message[12];
    std::copy(message.begin() + 13, message.begin() + 16, request.reserved.begin());
    std::copy(message.begin() + 16, message.begin() + 24, request.parameters.begin());
    request.payload.assign(message.begin() + 24, message.end());
    return request;
}

void TwoIdServerBox::ServeOne(int connection) {
    const std::optional<Request> read = ReadRequest(connection, stop_);
    if (!read) return;
    const Request& request = *read;
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        handler = handler_;
    }
    const Answer answer = handler(request);
    if (answer.silent) {
        WaitForPeerClose(connection, stop_);
        return;
    }
    static constexpr std::array<std::uint8_t, 8> kReplyKey = {'5', 'e', '0', 'b', 'c', '7',
                                                              '1', 'a'};
    const std::vector<std::uint8_t> bytes =
        answer.raw ? answer.rawBytes : BuildReply(kReplyKey, answer.status, answer.payload);
    WriteAll(connection, bytes.data(), bytes.size());
}
