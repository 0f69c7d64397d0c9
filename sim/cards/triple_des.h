#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace sim {

// One 8-byte block enciphered with two-key triple DES (EDE, key K1 K2 K1) through libcrypto;
// an 8-byte key stands for K1 = K2, which is single DES.
std::array<std::uint8_t, 8> TripleDesEncrypt(std::span<const std::uint8_t> key,
                                             std::span<const std::uint8_t, 8> block);

}  // namespace sim
