#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "sim/simulated_reader.h"

// Views of the requests a simulated reader decoded (sim::SimulatedReader::Requests()), in
// the order they came.

// Their command codes.
inline std::vector<std::uint8_t> RequestCommands(const std::vector<sim::Request>& requests) {
    std::vector<std::uint8_t> commands;
    for (const sim::Request& request : requests) commands.push_back(request.command);
    return commands;
}

// The payloads of those with this command code.
inline std::vector<std::vector<std::uint8_t>> RequestPayloads(
    const std::vector<sim::Request>& requests, std::uint8_t command) {
    std::vector<std::vector<std::uint8_t>> payloads;
    for (const sim::Request& request : requests) {
        if (request.command == command) payloads.push_back(request.payload);
    }
    return payloads;
}

// (command code, payload) of each.
inline std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> RequestsSent(
    const std::vector<sim::Request>& requests) {
    std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> sent;
    for (const sim::Request& request : requests)
        sent.emplace_back(request.command, request.payload);
    return sent;
}
