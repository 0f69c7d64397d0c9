#include "sim/servers/photo_decoder_server.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/protocol/reader_protocol_constants.h"
#include "sim/servers/loopback_listener.h"

namespace {

constexpr std::size_t kRequestSize = 1284;
constexpr std::size_t kReplySize = 4128;
constexpr std::size_t kPhotoSize = 1024;

// Position XOR, then the key pair on every 20th and every 30th byte; its own inverse.
void Scramble(std::uint8_t* data, std::size_t length, std::uint8_t every20, std::uint8_t every30) {
    for (std::size_t p = 0; p < length; ++p) {
        data[p] ^= static_cast<std::uint8_t>(p % 256);
        if (p % 20 == 0) data[p] ^= every20;
        if (p % 30 == 0) data[p] ^= every30;
    }
}

}  // namespace

PhotoDecoderServer::PhotoDecoderServer(const std::string& address) {
    int port = kDecoderPort;
    listenSocket_ = ListenOnLoopback(address, &port);
    thread_ = std::thread([this] { Serve(); });
}

PhotoDecoderServer::~PhotoDecoderServer() {
    stop_ = true;
    thread_.join();
    close(listenSocket_);
}

std::vector<std::vector<std::uint8_t>> PhotoDecoderServer::Photos() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return photos_;
}

// A smooth picture, so that it stays well below the 4,096 bytes of the reply's field.
std::vector<std::uint8_t> PhotoDecoderServer::PictureFor(const std::vector<std::uint8_t>& photo) {
    constexpr int kWidth = 102;
    constexpr int kHeight = 126;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 60, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(kWidth * 3);
    const std::uint8_t tint = photo.empty() ? 0 : photo[0];
    while (info.next_scanline < kHeight) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < kWidth; ++x) {
            const bool face = (x - 51) * (x - 51) + (y - 50) * (y - 50) < 26 * 26;
            row[3 * x] = static_cast<std::uint8_t>(face ? 230 : 60 + x);
            row[3 * x + 1] = static_cast<std::uint8_t>(face ? 190 : 90 + y / 2);
            row[3 * x + 2] = static_cast<std::uint8_t>(face ? 160 : tint / 2 + 100);
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> picture(out, out + size);
    jpeg_destroy_compress(&info);
    std::free(out);
    return picture;
}

void PhotoDecoderServer::Serve() {
    while (!stop_) {
        const int connection = AcceptWithin(listenSocket_, 20);
        if (connection < 0) continue;
        ServeOne(connection);
        close(connection);
    }
}

void PhotoDecoderServer::ServeOne(int connection) {
    std::vector<std::uint8_t> request(kRequestSize);
    if (!ReadExactly(connection, request.data(), request.size(), stop_)) return;
    ++requests_;
    const std::uint32_t length = request[0] | request[1] << 8 | request[2] << 16 |
                                 static_cast<std::uint32_t>(request[3]) << 24;
    std::uint8_t check = 0;
    for (std::size_t i = 36; i < 36 + kPhotoSize; ++i) check ^= request[i];
    if (length != kRequestSize || std::memcmp(&request[4], "KorviWlDecoder\0\0", 16) != 0 ||
        check != request[35]) {
        return;
    }
    std::vector<std::uint8_t> photo(request.begin() + 36, request.begin() + 36 + kPhotoSize);
    Scramble(photo.data(), photo.size(), kDecoderRequestKey1, kDecoderRequestKey2);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        photos_.push_back(photo);
    }
    std::vector<std::uint8_t> picture;
    if (mode_ != Mode::kEmptyPicture) picture = PictureFor(photo);
    Scramble(picture.data(), picture.size(), kDecoderReplyKey1, kDecoderReplyKey2);
    std::uint8_t replyCheck = mode_ == Mode::kCheckFromZero ? 0 : check;
    for (std::uint8_t b : picture) replyCheck ^= b;
    std::vector<std::uint8_t> reply(kReplySize, 0);
    const std::uint32_t n =
        mode_ == Mode::kOversizedLength ? 4097u : static_cast<std::uint32_t>(picture.size());
    for (int i = 0; i < 4; ++i) reply[i] = static_cast<std::uint8_t>(n >> (8 * i));
    reply[31] = replyCheck;
    std::copy(picture.begin(), picture.end(), reply.begin() + 32);
    if (mode_ == Mode::kShortReply) reply.pop_back();
    WriteAll(connection, reply.data(), reply.size());
}
