// Flashing of the WiFi module's firmware: the reader puts the module into its ROM boot loader
// and relays the SLIP-framed boot-loader packets built here.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <memory>

#include "core/modules/esp_slip.h"
#include "core/protocol/command_exchange.h"
#include "core/protocol/reader_session.h"

namespace {

enum : std::uint8_t {
    kCmdEnterIsp = 15,
    kCmdIspBegin = 16,
    kCmdFlashBegin = 17,
    kCmdFlashData = 18,
    kCmdIspEnd = 19,
};

// Boot-loader requests: direction, operation, data size (2), checksum (4), data.
constexpr std::uint8_t kDirectionRequest = 0x00;
constexpr std::uint8_t kOpFlashBegin = 0x02;
constexpr std::uint8_t kOpFlashData = 0x03;
constexpr std::uint8_t kOpSync = 0x08;
constexpr std::size_t kPacketHeaderSize = 8;
constexpr std::size_t kSyncDataSize = 36;
constexpr std::size_t kFlashBeginDataSize = 16;
constexpr std::size_t kFlashDataHeaderSize = 24;
constexpr std::size_t kFlashDataMaxLength = 2028;
constexpr std::uint8_t kChecksumSeed = 0xEF;
constexpr std::uint32_t kFlashBlockSize = 1024;

constexpr int kTimeout = 1000;
constexpr int kFlashBeginTimeout = 4000;
constexpr int kFlashDataTimeout = 2000;
// The session's room for one encoded packet: the worst case of one flash block, every byte
// of header and block escaped, between the two end bytes. And the longest FLASH_BEGIN frame.
constexpr std::size_t kIspBufferSize = 2 * (kFlashDataHeaderSize + kFlashBlockSize) + 2;
constexpr std::size_t kFlashBeginFrameMax = 56;
constexpr std::size_t kFlashDataPieceSize = 48;

void PutLe(std::uint8_t* at, std::uint32_t value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Direction, operation, data size and checksum of a boot-loader request.
void PutPacketHeader(std::uint8_t* packet, std::uint8_t op, std::size_t dataSize,
                     std::uint32_t checksum) {
    packet[0] = kDirectionRequest;
    packet[1] = op;
    PutLe(packet + 2, static_cast<std::uint32_t>(dataSize), 2);
    PutLe(packet + 4, checksum, 4);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The file at path opened for reading when it is a regular file; null for anything else. The
// open does not block: a FIFO without a writer or a device node fails at once.
std::FILE* OpenRegularFile(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat info {};
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) close(fd);
    return file;
}

// The size of a regular file, or -1 for anything else, a size that cannot be told or one
// past what the progress call can carry.
long long FileSize(std::FILE* file) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    const off_t size = ftello(file);
    if (size < 0 || size > std::numeric_limits<int>::max() || fseeko(file, 0, SEEK_SET) != 0) {
        return -1;
    }
    return size;
}

}  // namespace

bool ReaderSession::SendEspEnterIspCommand() {
    return CommandExchange(*this, kCmdEnterIsp, {}, kTimeout);
}

bool ReaderSession::SendEspIspBeginCommand() {
    std::array<std::uint8_t, kPacketHeaderSize + kSyncDataSize> packet{};
    PutPacketHeader(packet.data(), kOpSync, kSyncDataSize, 0);
    const std::uint8_t pattern[] = {0x07, 0x07, 0x12, 0x20};
    std::copy(std::begin(pattern), std::end(pattern), packet.begin() + kPacketHeaderSize);
    std::fill(packet.begin() + kPacketHeaderSize + sizeof pattern, packet.end(), 0x55);
    std::array<std::uint8_t, kIspBufferSize> frame{};
    const std::size_t length = SlipEncode(packet, frame);
    return CommandExchange(*this, kCmdIspBegin, std::span(frame.data(), length), kTimeout);
}

bool ReaderSession::SendEspFlashBegin(std::uint32_t size, std::uint32_t packetCount,
                                      std::uint32_t offset) {
    std::array<std::uint8_t, kPacketHeaderSize + kFlashBeginDataSize> packet{};
    PutPacketHeader(packet.data(), kOpFlashBegin, kFlashBeginDataSize, 0);
    PutLe(packet.data() + 8, size, 4);
    PutLe(packet.data() + 12, packetCount, 4);
    PutLe(packet.data() + 16, kFlashBlockSize, 4);
    PutLe(packet.data() + 20, offset, 4);
    std::array<std::uint8_t, kFlashBeginFrameMax> frame{};
    const std::size_t length = SlipEncode(packet, frame);
    if (length == 0) return false;
    return Transact(kCmdFlashBegin, frame.data(), static_cast<unsigned>(length),
                    kFlashBeginTimeout);
}

bool ReaderSession::SendEspFlashData(std::uint8_t* packet, unsigned length,
                                     std::uint32_t sequence) {
    if (packet == nullptr || length < kFlashDataHeaderSize || length > kFlashDataMaxLength) {
        return false;
    }
    std::uint8_t checksum = kChecksumSeed;
    for (unsigned i = kFlashDataHeaderSize; i < length; ++i) checksum ^= packet[i];
    PutPacketHeader(packet, kOpFlashData, length - kPacketHeaderSize, checksum);
    PutLe(packet + 8, static_cast<std::uint32_t>(length - kFlashDataHeaderSize), 4);
    PutLe(packet + 12, sequence, 4);

    std::array<std::uint8_t, kIspBufferSize> isp{};
    const std::size_t frameLength = SlipEncode(std::span(packet, length), isp);
    if (frameLength == 0) return false;
    const std::span<const std::uint8_t> frame(isp.data(), frameLength);
    for (std::size_t sent = 0; sent < frame.size();) {
        const std::size_t piece = SlipPieceLength(frame, sent, kFlashDataPieceSize);
        if (!CommandExchange(*this, kCmdFlashData, frame.subspan(sent, piece), kFlashDataTimeout)) {
            return false;
        }
        sent += piece;
    }
    return true;
}

bool ReaderSession::SendEspIspEndCommand() {
    return CommandExchange(*this, kCmdIspEnd, {}, kTimeout);
}

bool ReaderSession::WriteEspFile2Flash(const char* path, std::uint32_t offset,
                                       EspFlashProgress progress) {
    if (path == nullptr) return false;
    const std::unique_ptr<std::FILE, FileCloser> file(OpenRegularFile(path));
    if (!file) return false;
    const long long size = FileSize(file.get());
    if (size < 0) return false;
    const auto total = static_cast<std::uint32_t>(size);
    const std::uint32_t packetCount = (total + kFlashBlockSize - 1) / kFlashBlockSize;
    if (!SendEspFlashBegin(total, packetCount, offset)) return false;

    std::array<std::uint8_t, kFlashDataHeaderSize + kFlashBlockSize> packet{};
    for (std::uint32_t i = 0; i < packetCount; ++i) {
        if (progress != nullptr) {
            progress(static_cast<int>(ftello(file.get())), static_cast<int>(size));
        }
        packet.fill(0);
        const std::size_t read =
            std::fread(packet.data() + kFlashDataHeaderSize, 1, kFlashBlockSize, file.get());
        // A file that ends before its size was read has changed under us.
        if (read == 0) return false;
        if (!SendEspFlashData(packet.data(), static_cast<unsigned>(read + kFlashDataHeaderSize),
                              i)) {
            return false;
        }
    }
    return true;
}
