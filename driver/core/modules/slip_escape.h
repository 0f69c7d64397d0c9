#pragma once

#include <cstdint>

// Length of the SLIP escape run at data[0..length): 0 unless it starts with 0xDB; 0xDD bytes
// after it are skipped; at the first other byte the result is its index + 1 when it is 0xDC
// and 0 otherwise; a scan that reaches the end answers length (1 for length 1). A null
// pointer or a length of 0 reads nothing and answers 0.
unsigned CountSlipEscapeRun(const std::uint8_t* data, unsigned length);
