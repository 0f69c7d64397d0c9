#pragma once

#include <chrono>
#include <cstdint>

#include "sim/cards/iso14443_4_picc.h"

// CPU cards that take more than one second for a command: within their FWT, or asked for
// with S(WTX). FWT = 256 x 16 x 2^FWI / 13.56 MHz.
struct SlowCpuCard {
    const char* name;
    std::uint8_t tb1;                // FWI in the high nibble
    std::chrono::milliseconds work;  // the card's time for each command
    unsigned wtx;                    // S(WTX) requests before each answer, asking for WTXM each
    std::uint8_t wtxm;
    std::chrono::milliseconds atLeast;  // the time a command then takes

    sim::AtsParameters Ats(std::uint8_t tc1) const { return {8, std::nullopt, tb1, tc1, {}}; }
    void Slow(sim::Iso14443_4Picc& picc) const {
        picc.SetCommandTime(work);
        picc.SetWtxRequests(wtx, wtxm);
    }
};

inline constexpr SlowCpuCard kSlowCpuCards[] = {
    // FWT 1237 ms.
    {"FWI 12 answering after 1.15 s", 0xC0, std::chrono::milliseconds(1150), 0, 1,
     std::chrono::milliseconds(1150)},
    // FWT 309 ms, FWT x 5 = 1547 ms.
    {"FWI 10 asking once for WTXM 5", 0xA0, std::chrono::milliseconds(0), 1, 5,
     std::chrono::milliseconds(1546)},
};
