#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The serial frame of the M100 UHF module, carried as the payload of reader command 30:
//
//     BB  type  command  PL (2, big-endian)  parameters (PL)  checksum  7E
//
// type 0 is a command, 1 a response, 2 a notice; the checksum is the 8-bit sum of the bytes
// from the type to the last parameter.

inline constexpr std::uint8_t kM100Header = 0xBB;
inline constexpr std::uint8_t kM100End = 0x7E;
inline constexpr std::uint8_t kM100TypeCommand = 0x00;
inline constexpr std::uint8_t kM100TypeResponse = 0x01;
inline constexpr std::uint8_t kM100TypeNotice = 0x02;
// Header, type, command, PL (2) ahead of the parameters; checksum and end after them.
inline constexpr std::size_t kM100ParameterOffset = 5;
inline constexpr std::size_t kM100FrameOverhead = 7;
// The longest command the driver sends.
inline constexpr unsigned kM100MaxSendParameters = 41;
inline constexpr std::size_t kM100MaxSendFrame = kM100MaxSendParameters + kM100FrameOverhead;
// The module's first parameter byte when an inventory found no tag.
inline constexpr std::uint8_t kM100NoTag = 0x15;

// Writes the frame into frame (room for PL + 7 bytes) and returns its length, PL + 7; 0 when
// frame is null, PL is above 41, or parameters is null with PL above 0.
std::size_t BuildM100Frame(std::uint8_t type, std::uint8_t command, unsigned parameterLength,
                           const std::uint8_t* parameters, std::uint8_t* frame);

// A module frame read from an answer; parameters points into the answer's bytes.
struct M100Frame {
    std::uint8_t type = 0;
    std::uint8_t command = 0;
    std::span<const std::uint8_t> parameters;
};

// Reads the module frame at the start of bytes (bytes after its end byte are ignored).
// Returns 0 and fills frame for a whole, well-formed frame; 3 (LCEC_RECV_TIME_OUT) when the
// bytes end before the frame does; 5 (LCEC_RECV_CRC_FALSE) for a wrong header, checksum or
// end byte. frame is left as it was on failure.
int ParseM100Frame(std::span<const std::uint8_t> bytes, M100Frame& frame);

// The reader error code of a failed module answer (null: no frame): 1 for no frame; 0 for
// a command or notice frame; 32 (LCEC_M100_INVENTORY_FAIL) for a response whose first
// parameter is 0x15 (no tag); 1 for any other response or type.
int M100ReplyError(const M100Frame* answer);
