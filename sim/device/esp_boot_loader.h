#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/device/slip_stream.h"

namespace sim {

// The WiFi module's ROM boot loader as it is seen on its UART: SLIP-framed requests in,
// SLIP-framed responses out, over a flash memory of its own.
//
// Request packet: direction 00, operation, data size (2), checksum (4), data; values
// little-endian. Response packet: direction 01, the operation, data size 2, value 0 (4),
// then status (0 ok, 1 failed) and an error byte.
//   08 SYNC (07 07 12 20, 32 x 55): the line is synced; before that every other packet is
//      ignored (the loader has not found the line's rate yet).
//   02 FLASH_BEGIN (erase size, packet count, packet size, offset): erases the area (to FF)
//      and expects packet 0.
//   03 FLASH_DATA (data size, sequence, 8 reserved bytes, data): data size must match the
//      data and be at most the packet size; the checksum field must be EF XOR every data
//      byte; the sequence must be the one expected; the data lands at offset + sequence x
//      packet size, inside the erased area.
//   04 FLASH_END (reboot flag): ends the flashing.
// Error bytes: 05 a malformed packet or an unknown operation, 06 an operation that cannot
// be done now (no FLASH_BEGIN, out of sequence, outside the flash or the erased area), 07 a
// wrong checksum.
class EspBootLoader {
  public:
    static constexpr std::uint32_t kFlashSize = 0x100000;
    static constexpr std::uint8_t kErrInvalidMessage = 0x05;
    static constexpr std::uint8_t kErrFailedToAct = 0x06;
    static constexpr std::uint8_t kErrBadChecksum = 0x07;

    struct Response {
        std::uint8_t operation = 0;
        std::uint8_t status = 0;
        std::uint8_t error = 0;
        std::vector<std::uint8_t> packet;  // the response packet before SLIP framing
    };
    // What a run of UART bytes did: the packets they completed and the loader's answers
    // (fewer when it ignored or did not answer some).
    struct Exchange {
        std::size_t packets = 0;
        std::vector<Response> responses;
    };

    EspBootLoader();

    // The module was reset into the boot loader: not synced, no flashing under way, the
    // line's input forgotten. The flash keeps its contents.
    void Reset();
    Exchange Receive(std::span<const std::uint8_t> bytes);
    // The SLIP frame of a response packet, as the loader sends it on its UART.
    static std::vector<std::uint8_t> Frame(std::span<const std::uint8_t> packet);

    // Fault: after answering this many more packets the loader hangs and answers nothing
    // (nullopt: it answers everything).
    void StopAnsweringAfter(std::optional<std::size_t> packets) { answersLeft_ = packets; }

    bool synced() const { return synced_; }
    bool flashing() const { return flashing_; }
    std::span<const std::uint8_t> flash() const { return flash_; }
    // Blocks written since the last FLASH_BEGIN, and the sequence expected next.
    std::uint32_t blocksWritten() const { return nextSequence_; }
    // Packets refused with each error, in order (error bytes).
    const std::vector<std::uint8_t>& refusals() const { return refusals_; }
    std::size_t droppedFrames() const { return line_.DroppedPackets(); }

  private:
    std::optional<Response> Handle(const std::vector<std::uint8_t>& packet);
    Response Answer(std::uint8_t operation, std::uint8_t error);
    std::uint8_t FlashBegin(std::span<const std::uint8_t> data);
    std::uint8_t FlashData(std::span<const std::uint8_t> data, std::uint32_t checksum);

    SlipStream line_;
    std::vector<std::uint8_t> flash_;
    std::optional<std::size_t> answersLeft_;
    bool synced_ = false;
    bool flashing_ = false;
    std::uint32_t offset_ = 0;
    std::uint32_t eraseSize_ = 0;
    std::uint32_t packetCount_ = 0;
    std::uint32_t packetSize_ = 0;
    std::uint32_t nextSequence_ = 0;
    std::vector<std::uint8_t> refusals_;
};

}  // namespace sim
