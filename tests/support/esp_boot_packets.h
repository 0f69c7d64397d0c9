#pragma once

#include <cstdint>
#include <vector>

// ESP ROM boot-loader packets and their SLIP frames, laid out from the wire format for the
// tests of both sides.

namespace esp_test {

using Bytes = std::vector<std::uint8_t>;

inline void AppendLe(Bytes& out, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline std::uint32_t Le(const Bytes& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value |= std::uint32_t{bytes.at(at + i)} << (8 * i);
    return value;
}

// C0, the bytes with C0 as DB DC and DB as DB DD, C0.
inline Bytes Slip(const Bytes& packet) {
    Bytes frame = {0xC0};
    for (std::uint8_t b : packet) {
        if (b == 0xC0) {
            frame.insert(frame.end(), {0xDB, 0xDC});
        } else if (b == 0xDB) {
            frame.insert(frame.end(), {0xDB, 0xDD});
        } else {
            frame.push_back(b);
        }
    }
    frame.push_back(0xC0);
    return frame;
}

// The packets of a stream of whole SLIP frames; an empty list when the stream is not one.
inline std::vector<Bytes> Unslip(const Bytes& stream) {
    std::vector<Bytes> packets;
    bool inFrame = false;
    Bytes packet;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        const std::uint8_t b = stream[i];
        if (b == 0xC0) {
            if (inFrame) packets.push_back(packet);
            packet.clear();
            inFrame = !inFrame;
        } else if (!inFrame) {
            return {};
        } else if (b == 0xDB) {
            if (++i == stream.size() || (stream[i] != 0xDC && stream[i] != 0xDD)) return {};
            packet.push_back(stream[i] == 0xDC ? 0xC0 : 0xDB);
        } else {
            packet.push_back(b);
        }
    }
    return inFrame ? std::vector<Bytes>{} : packets;
}

// Request packet: 00, operation, data size (2), checksum (4), data.
inline Bytes Request(std::uint8_t op, const Bytes& data, std::uint32_t checksum = 0) {
    Bytes packet = {0x00, op};
    AppendLe(packet, static_cast<std::uint32_t>(data.size()), 2);
    AppendLe(packet, checksum, 4);
    packet.insert(packet.end(), data.begin(), data.end());
    return packet;
}

inline Bytes SyncPacket() {
    Bytes data = {0x07, 0x07, 0x12, 0x20};
    data.insert(data.end(), 32, 0x55);
    return Request(0x08, data);
}

inline Bytes FlashBeginPacket(std::uint32_t size, std::uint32_t count, std::uint32_t blockSize,
                              std::uint32_t offset) {
    Bytes data;
    for (std::uint32_t v : {size, count, blockSize, offset}) AppendLe(data, v, 4);
    return Request(0x02, data);
}

inline std::uint32_t BlockChecksum(const Bytes& block) {
    std::uint8_t sum = 0xEF;
    for (std::uint8_t b : block) sum ^= b;
    return sum;
}

inline Bytes FlashDataPacket(const Bytes& block, std::uint32_t sequence) {
    Bytes data;
    AppendLe(data, static_cast<std::uint32_t>(block.size()), 4);
    AppendLe(data, sequence, 4);
    data.insert(data.end(), 8, 0x00);
    data.insert(data.end(), block.begin(), block.end());
    return Request(0x03, data, BlockChecksum(block));
}

}  // namespace esp_test
