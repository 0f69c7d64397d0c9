#include "sim_fixture/sim_tcp_bench.h"

#include "korvicard/KorviCardDriver.h"
#include "sim_fixture/request_log.h"

SimTcpLink::SimTcpLink(sim::SimulatedReader& reader, int openTimeoutMs) : port(reader) {
    server.Start();
    handle = KorviCardOpenDevice("127.0.0.1", server.Port(), 0, 0, openTimeoutMs, nullptr);
}

SimTcpLink::~SimTcpLink() {
    KorviCardCloseDevice(handle);
    server.Stop();
}

std::vector<std::uint8_t> SimTcpLink::TakeCommands() {
    return port.WithReader([](sim::SimulatedReader& reader) {
        std::vector<std::uint8_t> commands = RequestCommands(reader.Requests());
        reader.ClearRequests();
        return commands;
    });
}
