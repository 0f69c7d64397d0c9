#include "sim/device/slip_stream.h"

namespace sim {

namespace {

constexpr std::uint8_t kEnd = 0xC0;
constexpr std::uint8_t kEsc = 0xDB;
constexpr std::uint8_t kEscEnd = 0xDC;
constexpr std::uint8_t kEscEsc = 0xDD;

}  // namespace

std::vector<std::vector<std::uint8_t>> SlipStream::Feed(std::span<const std::uint8_t> bytes) {
    std::vector<std::vector<std::uint8_t>> packets;
    for (const std::uint8_t byte : bytes) {
        switch (state_) {
            case State::kIdle:
                if (byte == kEnd) state_ = State::kInPacket;
                break;
            case State::kDiscard:
                // The closing C0 of a dropped packet may open the next one.
                if (byte == kEnd) state_ = State::kInPacket;
                break;
            case State::kInPacket:
                if (byte == kEnd) {
                    if (!packet_.empty()) packets.push_back(std::move(packet_));
                    packet_.clear();
                } else if (byte == kEsc) {
                    state_ = State::kEscape;
                } else if (packet_.size() == maxPacket_) {
                    Drop();
                } else {
                    packet_.push_back(byte);
                }
                break;
            case State::kEscape:
                if ((byte != kEscEnd && byte != kEscEsc) || packet_.size() == maxPacket_) {
                    Drop();
                    if (byte == kEnd) state_ = State::kInPacket;
                } else {
                    packet_.push_back(byte == kEscEnd ? kEnd : kEsc);
                    state_ = State::kInPacket;
                }
                break;
        }
    }
    return packets;
}

void SlipStream::Clear() {
    packet_.clear();
    state_ = State::kIdle;
}

void SlipStream::Drop() {
    packet_.clear();
    state_ = State::kDiscard;
    ++dropped_;
}

}  // namespace sim
