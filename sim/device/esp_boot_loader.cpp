#include "sim/device/esp_boot_loader.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::uint8_t kRequest = 0x00;
constexpr std::uint8_t kResponse = 0x01;
constexpr std::uint8_t kOpFlashBegin = 0x02;
constexpr std::uint8_t kOpFlashData = 0x03;
constexpr std::uint8_t kOpFlashEnd = 0x04;
constexpr std::uint8_t kOpSync = 0x08;
constexpr std::uint8_t kOk = 0x00;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kFlashDataFields = 16;
constexpr std::size_t kLargestPacket = kHeaderSize + kFlashDataFields + 4096;
constexpr std::uint8_t kChecksumSeed = 0xEF;

std::uint32_t Le(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value |= std::uint32_t{bytes[at + i]} << (8 * i);
    return value;
}

bool IsSyncData(std::span<const std::uint8_t> data) {
    static constexpr std::uint8_t kHead[] = {0x07, 0x07, 0x12, 0x20};
    return data.size() == 36 && std::equal(std::begin(kHead), std::end(kHead), data.begin()) &&
           std::all_of(data.begin() + 4, data.end(), [](std::uint8_t b) { return b == 0x55; });
}

}  // namespace

EspBootLoader::EspBootLoader() : line_(kLargestPacket), flash_(kFlashSize, 0xFF) {}

void EspBootLoader::Reset() {
    line_.Clear();
    synced_ = false;
    flashing_ = false;
    nextSequence_ = 0;
}

EspBootLoader::Exchange EspBootLoader::Receive(std::span<const std::uint8_t> bytes) {
    Exchange exchange;
    for (const std::vector<std::uint8_t>& packet : line_.Feed(bytes)) {
        ++exchange.packets;
        if (answersLeft_ && *answersLeft_ == 0) continue;
        std::optional<Response> response = Handle(packet);
        if (!response) continue;
        if (answersLeft_) --*answersLeft_;
        exchange.responses.push_back(std::move(*response));
    }
    return exchange;
}

std::vector<std::uint8_t> EspBootLoader::Frame(std::span<const std::uint8_t> packet) {
    std::vector<std::uint8_t> frame = {0xC0};
    for (const std::uint8_t byte : packet) {
        if (byte == 0xC0) {
            frame.insert(frame.end(), {0xDB, 0xDC});
        } else if (byte == 0xDB) {
            frame.insert(frame.end(), {0xDB, 0xDD});
        } else {
            frame.push_back(byte);
        }
    }
    frame.push_back(0xC0);
    return frame;
}

std::optional<EspBootLoader::Response> EspBootLoader::Handle(
    const std::vector<std::uint8_t>& packet) {
    const bool wellFormed = packet.size() >= kHeaderSize && packet[0] == kRequest &&
                            Le(packet, 2, 2) == packet.size() - kHeaderSize;
    const std::uint8_t operation = packet.size() > 1 ? packet[1] : 0;
    const std::span<const std::uint8_t> data =
        std::span(packet).subspan(std::min(packet.size(), kHeaderSize));
    if (!synced_) {
        if (!wellFormed || operation != kOpSync || !IsSyncData(data)) return std::nullopt;
        synced_ = true;
        return Answer(operation, kOk);
    }
    if (!wellFormed) return Answer(operation, kErrInvalidMessage);
    switch (operation) {
        case kOpSync:
            return Answer(operation, IsSyncData(data) ? kOk : kErrInvalidMessage);
        case kOpFlashBegin:
            return Answer(operation, FlashBegin(data));
        case kOpFlashData:
            return Answer(operation, FlashData(data, Le(packet, 4, 4)));
        case kOpFlashEnd:
            if (data.size() != 4) return Answer(operation, kErrInvalidMessage);
            flashing_ = false;
            return Answer(operation, kOk);
        default:
            return Answer(operation, kErrInvalidMessage);
    }
}

EspBootLoader::Response EspBootLoader::Answer(std::uint8_t operation, std::uint8_t error) {
    Response response;
    response.operation = operation;
    response.status = error == kOk ? 0 : 1;
    response.error = error;
    response.packet = {kResponse, operation, 2, 0, 0, 0, 0, 0, response.status, error};
    if (error != kOk) refusals_.push_back(error);
    return response;
}

std::uint8_t EspBootLoader::FlashBegin(std::span<const std::uint8_t> data) {
    if (data.size() != 16) return kErrInvalidMessage;
    const std::uint32_t eraseSize = Le(data, 0, 4);
    const std::uint32_t packetCount = Le(data, 4, 4);
    const std::uint32_t packetSize = Le(data, 8, 4);
    const std::uint32_t offset = Le(data, 12, 4);
    if (packetSize == 0 || packetSize > kLargestPacket - kHeaderSize - kFlashDataFields) {
        return kErrInvalidMessage;
    }
    if (offset > kFlashSize || eraseSize > kFlashSize - offset) return kErrFailedToAct;
    std::fill_n(flash_.begin() + offset, eraseSize, 0xFF);
    flashing_ = true;
    offset_ = offset;
    eraseSize_ = eraseSize;
    packetCount_ = packetCount;
    packetSize_ = packetSize;
    nextSequence_ = 0;
    return kOk;
}

std::uint8_t EspBootLoader::FlashData(std::span<const std::uint8_t> data, std::uint32_t checksum) {
    if (data.size() < kFlashDataFields) return kErrInvalidMessage;
    const std::span<const std::uint8_t> block = data.subspan(kFlashDataFields);
    if (Le(data, 0, 4) != block.size() || block.empty()) return kErrInvalidMessage;
    std::uint8_t expected = kChecksumSeed;
    for (const std::uint8_t byte : block) expected ^= byte;
    if (checksum != expected) return kErrBadChecksum;
    if (!flashing_) return kErrFailedToAct;
    if (block.size() > packetSize_) return kErrInvalidMessage;
    const std::uint32_t sequence = Le(data, 4, 4);
    if (sequence != nextSequence_ || sequence >= packetCount_) return kErrFailedToAct;
    const std::uint64_t start = std::uint64_t{sequence} * packetSize_;
    if (start + block.size() > eraseSize_) return kErrFailedToAct;
    std::copy(block.begin(), block.end(), flash_.begin() + offset_ + start);
    ++nextSequence_;
    return kOk;
}

}  // namespace sim
