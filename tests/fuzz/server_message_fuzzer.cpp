// Identity-server messages: a reply of any bytes read by ReceiveServerReply (the length
// header checked against both buffers, the SAM short answers, the JPEG kept), and the
// dispatch flow of KorviCardGetTwoIdInfoByMcuServer with scripted server replies: the
// dispatch answer's layout (decoder address, port, stored block, error text), the relay's
// start, authentication and chunk answers, the result payload of both layouts and the
// fall-backs. A server on this process's own loopback address answers; the decoder address
// of every dispatch answer is set to it, so nothing leaves the loopback address.
//
// Input: byte 0 even: the rest is one reply as raw bytes. Odd: the rest is cut into replies,
// each a 2-byte little-endian length L and L bytes: raw bytes when the first is odd, else a
// status byte and the payload, built into a well-formed message (the first reply always).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/identity/two_id_server_message.h"
#include "core/transport/tcp_client.h"
#include "fuzz_reader.h"
#include "korvicard/KorviCardDriver.h"

namespace {

// The server's address: the first of 127.0.0.230-254 free on the port (another run of the
// suite may hold one).
char serverAddress[16] = "127.0.0.230";
std::uint8_t serverAddressBytes[4] = {127, 0, 0, 230};
constexpr int kPort = 31213;  // the dispatch server's port; the relay is sent here too
constexpr std::array<std::uint8_t, 8> kReplyKey = {'f', 'u', 'z', 'z', 'k', 'e', 'y', '1'};

using Bytes = std::vector<std::uint8_t>;

struct Script {
    bool raw = true;
    Bytes rawBytes;
    std::vector<Bytes> replies;
    std::size_t next = 0;
};

std::mutex mutex;
Script script;

bool ReadAll(int fd, std::uint8_t* out, std::size_t size) {
    while (size > 0) {
        pollfd pfd{fd, POLLIN, 0};
        // A client that waits for more of a cut reply is let go soon.
        if (poll(&pfd, 1, 300) != 1) return false;
        const ssize_t n = recv(fd, out, size, 0);
        if (n <= 0) return false;
        out += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void WriteAll(int fd, const Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

// A well-formed reply: length, key, status, payload, scrambled from byte 12.
Bytes BuildReply(std::int32_t status, const Bytes& payload) {
    Bytes message(16);
    const auto total = static_cast<std::uint32_t>(16 + payload.size());
    for (int i = 0; i < 4; ++i) {
        message[i] = static_cast<std::uint8_t>(total >> (8 * i));
        message[12 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(status) >> (8 * i));
    }
    std::copy(kReplyKey.begin(), kReplyKey.end(), message.begin() + 4);
    message.insert(message.end(), payload.begin(), payload.end());
    ScrambleServerMessage(message.data(), message.size(), kReplyKey.data());
    return message;
}

void Serve(int connection) {
    for (;;) {
        // One request: its length, then the rest.
        std::uint8_t header[4];
        if (!ReadAll(connection, header, 4)) return;
        const std::uint32_t length = header[0] | header[1] << 8 | header[2] << 16 |
                                     static_cast<std::uint32_t>(header[3]) << 24;
        if (length < 24 || length > 65536) return;
        Bytes request(length);
        std::memcpy(request.data(), header, 4);
        if (!ReadAll(connection, request.data() + 4, length - 4)) return;
        Bytes reply;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (script.raw) {
                reply = script.rawBytes;
                script.rawBytes.clear();
            } else if (script.next < script.replies.size()) {
                reply = script.replies[script.next++];
            }
        }
        if (reply.empty()) return;
        WriteAll(connection, reply);
    }
}

// The server thread: one connection at a time, for the life of the process.
int StartServer() {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort);
    bool bound = false;
    for (int last = 230; last < 255 && !bound; ++last) {
        address.sin_addr.s_addr = htonl(0x7F000000u | static_cast<std::uint32_t>(last));
        bound = bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (bound) {
            std::snprintf(serverAddress, sizeof serverAddress, "127.0.0.%d", last);
            serverAddressBytes[3] = static_cast<std::uint8_t>(last);
        }
    }
    if (!bound || listen(listener, 8) != 0) __builtin_trap();
    std::thread([listener] {
        for (;;) {
            const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            Serve(connection);
            close(connection);
        }
    }).detach();
    return listener;
}

// Replies cut from the input; the first, the dispatch answer, names this server as the
// decoder.
void ScriptReplies(const std::uint8_t* data, std::size_t size) {
    std::lock_guard<std::mutex> lock(mutex);
    script = {};
    script.raw = false;
    std::size_t at = 0;
    bool addressSet = false;
    while (at + 2 <= size) {
        const std::size_t length =
            std::min<std::size_t>(data[at] | data[at + 1] << 8, size - at - 2);
        at += 2;
        const Bytes piece(data + at, data + at + length);
        at += length;
        if (piece.empty()) continue;
        // The first reply answers the dispatch request: always built, so its decoder
        // address can be set to this server's.
        if ((piece[0] & 1) != 0 && addressSet) {
            script.replies.emplace_back(piece.begin() + 1, piece.end());
            continue;
        }
        Bytes payload = piece.size() > 2 ? Bytes(piece.begin() + 2, piece.end()) : Bytes{};
        if (!addressSet) {
            if (payload.size() < 8) payload.resize(8, 0);
            std::copy(std::begin(serverAddressBytes), std::end(serverAddressBytes),
                      payload.begin());
            payload[4] = kPort & 0xFF;
            payload[5] = kPort >> 8;
            payload[6] = payload[7] = 0;
            addressSet = true;
        }
        const std::int32_t status = piece.size() > 1 ? static_cast<std::int8_t>(piece[1]) : 0;
        script.replies.push_back(BuildReply(status, payload));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int listener = StartServer();
    (void)listener;
    if (size < 2) return 0;
    fuzz_reader::Setup();

    if ((data[0] & 1) == 0) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            script = {};
            script.rawBytes.assign(data + 2, data + size);
        }
        TcpClient client;
        if (!client.Connect(serverAddress, kPort, 1)) return 0;
        client.SetReceiveTimeoutMs(1000);
        // A request, so the server answers it with the raw bytes.
        std::uint8_t key[8] = {'0', '1', '2', '3', '4', '5', '6', '7'};
        std::uint8_t parameters[8] = {};
        std::array<std::uint8_t, kServerBufferSize> buffer{};
        std::size_t requestLength = 0;
        SendServerRequest(&client, 1, key, parameters, nullptr, 0, buffer, &requestLength, true);
        std::int32_t status = 0;
        auto record = std::make_unique<TwoIdInfoParam>();
        const std::size_t outSize = 1 + data[1] * 40;
        auto out = std::make_unique<std::uint8_t[]>(outSize);
        std::size_t capacity = outSize;
        if (ReceiveServerReply(&client, &status, buffer, out.get(), &capacity, record.get(),
                               true) &&
            capacity > outSize) {
            __builtin_trap();
        }
        if (record->unTwoIdPhotoJpegLength < 0 ||
            static_cast<std::size_t>(record->unTwoIdPhotoJpegLength) >
                sizeof record->arrTwoIdPhotoJpeg) {
            __builtin_trap();
        }
        return 0;
    }

    // The whole dispatch flow: a card that answers every reader command with 8 bytes and
    // 90 00, the servers as scripted.
    ScriptReplies(data + 1, size - 1);
    ReaderSession session;
    fuzz_reader::Source() = [](std::vector<std::uint8_t>& payload, bool& failure) {
        payload = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x90, 0x00};
        failure = false;
        return true;
    };
    session.SetHandleId(1);
    session.SetExtendReadWrite(fuzz_reader::Callback);
    auto record = std::make_unique<TwoIdInfoParam>();
    const std::uint32_t value = 0x01020304;
    session.GetTwoIdInfoByMcuServer(serverAddress, &value, "fuzz", record.get(), 1, 2, 1,
                                    (data[1] & 1) != 0);
    char text[80];
    session.GetTwoIdDispatchServerErrorInfo(text, sizeof text);
    if (std::memchr(text, 0, sizeof text) == nullptr) __builtin_trap();
    return 0;
}
