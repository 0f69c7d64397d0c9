#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstring>

#include "core/protocol/error_codes.h"
#include "core/protocol/reader_protocol_constants.h"
#include "core/protocol/reader_session.h"
#include "core/transport/host_address.h"

namespace {

constexpr char kDecoderTag[] = "KorviWlDecoder";
constexpr std::size_t kTagOffset = 4;
constexpr std::size_t kRequestCheckOffset = 35;
constexpr std::size_t kRequestPhotoOffset = 36;
constexpr std::size_t kRawPhotoSize = 1024;
constexpr std::size_t kReplyCheckOffset = 31;
constexpr std::size_t kReplyPictureOffset = 32;
constexpr int kDecoderConnectSeconds = 1;
constexpr int kDecoderReceiveSeconds = 2;

// XOR with the position, then every 20th byte with key1 and every 30th with key2.
void ScramblePhoto(std::uint8_t* data, std::size_t length, std::uint8_t key1, std::uint8_t key2) {
    for (std::size_t p = 0; p < length; ++p) data[p] ^= static_cast<std::uint8_t>(p & 0xFF);
    for (std::size_t p = 0; p < length; p += 20) data[p] ^= key1;
    for (std::size_t p = 0; p < length; p += 30) data[p] ^= key2;
}

std::uint8_t XorOf(const std::uint8_t* data, std::size_t length, std::uint8_t start) {
    for (std::size_t i = 0; i < length; ++i) start ^= data[i];
    return start;
}

}  // namespace

bool ReaderSession::WlDecodeByServer(const char* host, TwoIdInfoParam* record) {
    if (host == nullptr || record == nullptr) return false;
    char dotted[INET_ADDRSTRLEN + 1] = {};
    if (!ResolveHostAddress(host[0] == '\0' ? KORVICARD_DECODER_HOST : host, dotted,
                            sizeof dotted)) {
        SetTwoIdErrorCode(TIEC_DOMAIN_NAME_ERROR);
        return false;
    }
    std::uint8_t message[kDecoderReplySize + 4] = {};
    const auto requestSize = static_cast<std::uint32_t>(kDecoderRequestSize);
    for (int i = 0; i < 4; ++i) message[i] = static_cast<std::uint8_t>(requestSize >> (8 * i));
    std::memcpy(message + kTagOffset, kDecoderTag, sizeof kDecoderTag - 1);
    std::uint8_t* photo = message + kRequestPhotoOffset;
    std::memcpy(photo, record->arrTwoIdPhoto, kRawPhotoSize);
    ScramblePhoto(photo, kRawPhotoSize, kDecoderRequestKey1, kDecoderRequestKey2);
    const std::uint8_t check = XorOf(photo, kRawPhotoSize, 0);
    message[kRequestCheckOffset] = check;

    if (!serverClient.Connect(dotted, kDecoderPort, kDecoderConnectSeconds)) {
        SetTwoIdErrorCode(TIEC_CONNECT_WL_DECODER_SERVER);
        serverClient.Close();
        return false;
    }
    serverClient.SetTimeouts(kDecoderReceiveSeconds);
    int received = -1;
    if (serverClient.Send(message, static_cast<int>(kDecoderRequestSize)) ==
        static_cast<int>(kDecoderRequestSize)) {
        received = serverClient.Receive(message, static_cast<int>(kDecoderReplySize));
    }
    serverClient.Close();
    if (received != static_cast<int>(kDecoderReplySize)) return false;

    const auto length = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(message[0]) | static_cast<std::uint32_t>(message[1]) << 8 |
        static_cast<std::uint32_t>(message[2]) << 16 | static_cast<std::uint32_t>(message[3]) << 24);
    if (length < 0 || static_cast<std::size_t>(length) > sizeof record->arrTwoIdPhotoJpeg) {
        return false;
    }
    const auto n = static_cast<std::size_t>(length);
    std::uint8_t* picture = message + kReplyPictureOffset;
    if (XorOf(picture, n, check) != message[kReplyCheckOffset]) return false;
    ScramblePhoto(picture, n, kDecoderReplyKey1, kDecoderReplyKey2);
    std::memcpy(record->arrTwoIdPhotoJpeg, picture, n);
    record->unTwoIdPhotoJpegLength = length;
    return true;
}
