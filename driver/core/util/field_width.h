#pragma once

#include <cstdint>

// A caller's int argument and the reader field it travels in: one byte (0-255) or a 16-bit
// value (0-65535). A value that does not fit is refused, never cut to the field's width.
struct FieldArgument {
    int value;
    int largest;
};

constexpr FieldArgument ByteField(int value) { return {value, 0xFF}; }
constexpr FieldArgument WordField(int value) { return {value, 0xFFFF}; }

constexpr bool Fits(FieldArgument argument) {
    return argument.value >= 0 && argument.value <= argument.largest;
}

// The low byte of a value, for one found to fit its byte field (or a 16-bit one's bytes).
constexpr std::uint8_t Low8(int value) { return static_cast<std::uint8_t>(value); }
