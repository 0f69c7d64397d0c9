#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A stand-in for the photo decoder server on its own loopback address, at the decoder port
// (kDecoderPort: 60825 unless the build sets another). A request is 1,284 bytes: length
// 1284, the tag "KorviWlDecoder", a check byte at 35 (XOR of the scrambled photo) and the
// 1,024 scrambled photo bytes at 36. Its "decoding" makes a 102 x 126 JPEG picture whose
// colours come from the first photo bytes. The reply is always 4,128 bytes: n, 27 unused
// bytes, check byte (the request's check byte XOR the scrambled picture), the scrambled
// picture and padding.
class PhotoDecoderServer {
  public:
    enum class Mode { kDecode, kEmptyPicture, kCheckFromZero, kShortReply, kOversizedLength };

    explicit PhotoDecoderServer(const std::string& address);
    ~PhotoDecoderServer();
    PhotoDecoderServer(const PhotoDecoderServer&) = delete;
    PhotoDecoderServer& operator=(const PhotoDecoderServer&) = delete;

    void SetMode(Mode mode) { mode_ = mode; }
    // Raw photos of the well-formed requests received (unscrambled), and the count of all.
    std::vector<std::vector<std::uint8_t>> Photos() const;
    int Requests() const { return requests_.load(); }
    // The picture the server makes for a raw photo.
    static std::vector<std::uint8_t> PictureFor(const std::vector<std::uint8_t>& photo);

  private:
    void Serve();
    void ServeOne(int connection);

    int listenSocket_ = -1;
    std::atomic<Mode> mode_{Mode::kDecode};
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> photos_;
    std::thread thread_;
};
