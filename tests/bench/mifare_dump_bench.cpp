// A whole Mifare Classic 1K dump through the C API against the simulated reader: card
// number, then per sector one authentication and four block reads (16 + 64 requests, plus
// the three of the card number). Counters: requests per dump as the reader counted them,
// dumps and round trips per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "korvicard/KorviCardDriver.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/callback_adapter.h"
#include "sim/cards/card_field.h"
#include "sim/cards/mifare_classic_card.h"
#include "sim/commands/mifare_commands.h"
#include "sim/simulated_reader.h"

namespace {

constexpr int kSectors = 16;
constexpr int kBlocksPerSector = 4;

struct Simulator {
    Simulator() {
        field.PresentTypeA(std::make_shared<sim::MifareClassicCard>(
            sim::MifareClassicCard::Size::k1K, std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    }
    std::size_t TakeRequestCount() {
        return port.WithReader([](sim::SimulatedReader& r) {
            const std::size_t count = r.Requests().size();
            r.ClearRequests();
            return count;
        });
    }
    sim::SimulatedReader reader;
    sim::CardField field;
    sim::MifareCommands mifare{reader, field};
    sim::ReaderPort port{reader};
};

// One dump; false at the first failed call.
bool Dump(int handle, std::uint8_t (&image)[kSectors * kBlocksPerSector][16]) {
    KorviCardParam record{};
    std::memset(record.arrKeys, 0xFF, 6);
    if (KorviCardGetCardNo(handle, 0x26, &record) != 1) return false;
    for (int sector = 0; sector < kSectors; ++sector) {
        if (KorviCardAuthenticationWithPassword(handle, 0x60, sector, &record) != 1) return false;
        for (int i = 0; i < kBlocksPerSector; ++i) {
            const int block = sector * kBlocksPerSector + i;
            if (KorviCardRead(handle, block, &record) != 1) return false;
            std::memcpy(image[block], record.arrBuffer, 16);
        }
    }
    return true;
}

void RunDumps(benchmark::State& state, int handle, Simulator& simulator) {
    if (handle <= 0) {
        state.SkipWithError("the reader did not open");
        return;
    }
    std::uint8_t image[kSectors * kBlocksPerSector][16];
    std::size_t requests = 0;
    simulator.TakeRequestCount();
    for (auto _ : state) {
        if (!Dump(handle, image)) {
            state.SkipWithError("a dump failed");
            break;
        }
        benchmark::DoNotOptimize(image);
        requests += simulator.TakeRequestCount();
    }
    const auto dumps = static_cast<double>(state.iterations());
    state.counters["requests_per_dump"] = dumps > 0 ? static_cast<double>(requests) / dumps : 0;
    state.counters["dumps_per_s"] = benchmark::Counter(dumps, benchmark::Counter::kIsRate);
    state.counters["round_trips_per_s"] =
        benchmark::Counter(static_cast<double>(requests), benchmark::Counter::kIsRate);
}

void BM_Mifare1KDumpTcp(benchmark::State& state) {
    Simulator simulator;
    sim::TcpServer server(simulator.port);
    if (!server.Start()) {
        state.SkipWithError("no loopback port");
        return;
    }
    const int handle = KorviCardOpenDevice("127.0.0.1", server.Port(), 0, 0, 1000, nullptr);
    RunDumps(state, handle, simulator);
    KorviCardCloseDevice(handle);
}

void BM_Mifare1KDumpCallback(benchmark::State& state) {
    Simulator simulator;
    const int handle = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
    if (handle > 0) sim::AttachSimulator(handle, simulator.reader);
    RunDumps(state, handle, simulator);
    sim::DetachSimulator(handle);
    KorviCardCloseDevice(handle);
}

BENCHMARK(BM_Mifare1KDumpTcp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Mifare1KDumpCallback)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
