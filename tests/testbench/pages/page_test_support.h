#pragma once

#include <QStringList>
#include <QTabWidget>
#include <QTest>
#include <cstdint>
#include <vector>

#include "sim/simulated_reader.h"
#include "testbench/bench_sim.h"


// The payloads of the requests of one command the simulated reader took, oldest first.
inline std::vector<std::vector<std::uint8_t>> Payloads(BenchSim& sim, std::uint8_t command) {
    return sim.WithReader([command](sim::SimulatedReader& reader) {
        std::vector<std::vector<std::uint8_t>> out;
        for (const sim::Request& request : reader.Requests()) {
            if (request.command == command) out.push_back(request.payload);
        }
        return out;
    });
}

inline void ClearRequests(BenchSim& sim) {
    sim.WithReader([](sim::SimulatedReader& reader) {
        reader.ClearRequests();
        return 0;
    });
}

// The next request of the simulated reader fails with status 1 and code.
inline void FailNextRequest(BenchSim& sim, std::uint8_t code) {
    sim.WithReader([code](sim::SimulatedReader& reader) {
        reader.QueueFault({.kind = sim::FaultKind::kErrorStatus, .errorCode = code});
        return 0;
    });
}

// Bytes of a text padded with zeros to size.
inline std::vector<std::uint8_t> Padded(const char* text, std::size_t size) {
    std::vector<std::uint8_t> out(size, 0);
    for (std::size_t i = 0; text[i] != '\0' && i < size; ++i) {
        out[i] = static_cast<std::uint8_t>(text[i]);
    }
    return out;
}

// Shows the page in the window and saves the window's picture as <name>.png.
inline void SavePageScreenshot(BenchWindow& bench, const char* page, const QString& name) {
    bench.Find<QTabWidget>("PageControl1")->setCurrentWidget(bench.Find<QWidget>(page));
    SaveScreenshot(bench.window(), name);
}
