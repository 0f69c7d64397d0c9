#pragma once

#include <cstddef>
#include <cstdint>

// Host texts of the driver's TCP connections.

// Reads "a.b.c.d" as four decimal numbers 0-255 (leading zeros stay decimal) that make up
// the whole text: a sign, a blank or anything else before, between or after them, a fifth
// part or a missing one make it no address. False for a null text.
bool ParseDottedAddress(const char* text, std::uint8_t octets[4]);

// True when the text is a dotted IPv4 address by ParseDottedAddress.
bool IsDottedAddress(const char* text);

// The IPv4 address of a host text as dotted text into `dotted` (terminated): a dotted
// address as its four numbers, any other text as a host name given to the resolver (its
// first IPv4 address). False when the name has no address or the text does not fit size.
bool ResolveHostAddress(const char* host, char* dotted, std::size_t size);
