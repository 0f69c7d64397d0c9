#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// The receiving end of a SLIP line: bytes in as they arrive, in any cuts, whole packets
// out. A packet lies between two C0 bytes; inside it DB DC stands for C0 and DB DD for DB.
// Bytes before the first C0 are line noise and dropped; so is a packet with an escape byte
// followed by anything else, or one that grows past maxPacket bytes (the rest of it up to
// its closing C0 is dropped too). Back-to-back C0 bytes make no empty packets.
class SlipStream {
  public:
    explicit SlipStream(std::size_t maxPacket) : maxPacket_(maxPacket) {}

    // The packets that the bytes complete, in order.
    std::vector<std::vector<std::uint8_t>> Feed(std::span<const std::uint8_t> bytes);
    // Forgets a packet under way.
    void Clear();
    // Packets dropped for a bad escape or their size.
    std::size_t DroppedPackets() const { return dropped_; }

  private:
    enum class State { kIdle, kInPacket, kEscape, kDiscard };

    void Drop();

    std::size_t maxPacket_;
    State state_ = State::kIdle;
    std::vector<std::uint8_t> packet_;
    std::size_t dropped_ = 0;
};

}  // namespace sim
