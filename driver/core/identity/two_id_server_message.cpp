#include "core/identity/two_id_server_message.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/util/md5.h"
#include "korvicard/KorviCardDriver.h"

namespace {

std::atomic<std::uint32_t> requestCounter{0};

constexpr std::uint8_t kSamShortAnswerHead[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04};
constexpr std::uint8_t kSamSuccessAnswer[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00,
                                              0x04, 0x00, 0x00, 0x90, 0x94};

void PutLe32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLe32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

bool StartsWith(const std::uint8_t* data, std::size_t length, const std::uint8_t* head,
                std::size_t headLength) {
    return length >= headLength && std::memcmp(data, head, headLength) == 0;
}

}  // namespace

void MakeServerMessageKey(std::uint8_t* key) {
    // The driver's own generator state, seeded from the clock: the host's rand() is left alone.
    unsigned seed = static_cast<unsigned>(std::time(nullptr));
    const std::uint32_t value =
        static_cast<std::uint32_t>(rand_r(&seed)) + (requestCounter.fetch_add(1) + 1);
    std::uint8_t bytes[4];
    PutLe32(bytes, value);
    char hex[33] = {};
    Md5Hex(bytes, 4, hex);
    std::memcpy(key, hex, kServerMessageKeySize);
}

void ScrambleServerMessage(std::uint8_t* message, std::size_t length, const std::uint8_t* key) {
    for (std::size_t p = kServerScrambleOffset; p < length; ++p) {
        const std::size_t i = p - kServerScrambleOffset;
        message[p] ^= static_cast<std::uint8_t>(key[i % kServerMessageKeySize] ^ (i & 0xFF));
    }
}

bool SendServerRequest(TcpClient* client, std::uint8_t command, const std::uint8_t* key,
                       const std::uint8_t* parameters, const std::uint8_t* payload,
                       std::size_t payloadLength, std::span<std::uint8_t> buffer,
                       std::size_t* lengthOut, bool send) {
    if (client == nullptr || key == nullptr || parameters == nullptr || buffer.data() == nullptr ||
        lengthOut == nullptr || (payloadLength > 0 && payload == nullptr) ||
        payloadLength > buffer.size() ||
        buffer.size() - payloadLength < kServerRequestHeaderSize) {
        return false;
    }
    const std::size_t length = kServerRequestHeaderSize + payloadLength;
    std::fill_n(buffer.data(), kServerRequestHeaderSize, std::uint8_t{0});
    PutLe32(buffer.data(), static_cast<std::uint32_t>(length));
    std::memcpy(buffer.data() + 4, key, kServerMessageKeySize);
    buffer[12] = command;
    std::memcpy(buffer.data() + 16, parameters, kServerParameterBlockSize);
    if (payloadLength > 0) {
        std::memmove(buffer.data() + kServerRequestHeaderSize, payload, payloadLength);
    }
    ScrambleServerMessage(buffer.data(), length, key);
    *lengthOut = length;
    return !send || client->Send(buffer.data(), static_cast<int>(length)) == static_cast<int>(length);
}

bool ReceiveServerReply(TcpClient* client, std::int32_t* status, std::span<std::uint8_t> work,
                        std::uint8_t* out, std::size_t* capacity, TwoIdInfoParam* record,
                        bool keepJpeg) {
    if (client == nullptr || status == nullptr || work.data() == nullptr ||
        work.size() < kServerReplyHeaderSize || out == nullptr || capacity == nullptr ||
        *capacity == 0) {
        return false;
    }
    std::fill(work.begin(), work.end(), std::uint8_t{0});
    if (client->Receive(work.data(), 4) != 4) return false;
    const std::uint32_t total = GetLe32(work.data());
    // Checked before the body is read: the body never goes past either buffer.
    if (total < kServerReplyHeaderSize || total > work.size() || total - 4 > *capacity) {
        return false;
    }
    const int body = static_cast<int>(total - 4);
    if (client->Receive(work.data() + 4, body) != body) return false;
    const std::uint8_t* key = work.data() + 4;
    ScrambleServerMessage(work.data(), total, key);
    *status = static_cast<std::int32_t>(GetLe32(work.data() + kServerScrambleOffset));
    const std::size_t payloadLength = total - kServerReplyHeaderSize;
    *capacity = payloadLength;
    if (payloadLength == 0) return true;
    std::memmove(out, work.data() + kServerReplyHeaderSize, payloadLength);
    if (!StartsWith(out, payloadLength, kSamShortAnswerHead, sizeof kSamShortAnswerHead) ||
        StartsWith(out, payloadLength, kSamSuccessAnswer, sizeof kSamSuccessAnswer)) {
        return true;
    }
    if (keepJpeg && record != nullptr) {
        const std::size_t kept = std::min(payloadLength, sizeof record->arrTwoIdPhotoJpeg);
        std::memcpy(record->arrTwoIdPhotoJpeg, out, kept);
        record->unTwoIdPhotoJpegLength = static_cast<std::int32_t>(kept);
    }
    return false;
}
