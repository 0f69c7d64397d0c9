#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>

// BER-TLV data objects of card answers (ISO/IEC 7816-4, EMV), read strictly within the
// bytes given: a length that runs past them makes the object malformed.

struct TlvObject {
    std::uint32_t tag = 0;  // tag bytes, first byte highest: 0x57, 0x9F0C, 0xBF0C
    bool constructed = false;
    std::span<const std::uint8_t> value;
    std::size_t size = 0;  // tag, length and value
};

// The object at the start of data; nothing when it is truncated or malformed (a tag of
// more than three bytes, an indefinite length, a length field of more than four bytes).
std::optional<TlvObject> ReadTlv(std::span<const std::uint8_t> data);

// The first object with this tag among the objects of data, in order, looking inside
// constructed objects as they come (a few levels deep). The value of a primitive object is
// never searched. 00 and FF between objects are padding. The walk stops at the first
// malformed object.
std::optional<TlvObject> FindTlv(std::span<const std::uint8_t> data, std::uint32_t tag);

// The object reached by a path of tags: each tag found among the objects directly inside
// the one before (the first among the top-level objects of data).
std::optional<TlvObject> FindTlvPath(std::span<const std::uint8_t> data,
                                     std::initializer_list<std::uint32_t> path);
