#pragma once

#include <cstdint>
#include <vector>

#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/simulated_reader.h"

// The simulated reader as a networked reader: a TCP server on 127.0.0.1 in front of it and
// a handle opened to it through KorviCardOpenDevice over TCP. The server's thread reaches
// the reader only through `port`, so a test touches the reader and its models under
// port.WithReader while the handle is open.
class SimTcpLink {
  public:
    static constexpr int kOpenTimeoutMs = 1000;

    // Starts the server, then opens the handle (-1 when the open failed).
    SimTcpLink(sim::SimulatedReader& reader, int openTimeoutMs);
    // Closes the handle, then stops the server.
    ~SimTcpLink();
    SimTcpLink(const SimTcpLink&) = delete;
    SimTcpLink& operator=(const SimTcpLink&) = delete;

    // Command codes of the requests the reader decoded, in order, and the log emptied.
    std::vector<std::uint8_t> TakeCommands();

    sim::ReaderPort port;
    sim::TcpServer server{port};
    int handle = -1;
};

// `Models` served over TCP: a struct whose member `reader` is the sim::SimulatedReader and
// whose other members are the cards, modules and command handlers built on it. The models
// are set up by their own constructor before the server starts; the handle is closed and
// the server stopped before they go. Link korvicard_api beside it (the exports as objects).
//
//     struct Cards {
//         Cards() { field.PresentTypeA(card); }
//         sim::SimulatedReader reader;
//         sim::CardField field;
//         sim::MifareCommands mifare{reader, field};
//         std::shared_ptr<sim::MifareClassicCard> card = ...;
//     };
//     SimTcpBench<Cards> net;
//     ASSERT_GT(net.handle, 0);
//     ASSERT_EQ(KorviCardGetCardNo(net.handle, 0x52, &record), 1);
//     EXPECT_EQ(net.TakeCommands(), (std::vector<std::uint8_t>{1, 2, 3}));
template <class Models>
class SimTcpBench : public Models, public SimTcpLink {
  public:
    explicit SimTcpBench(int openTimeoutMs = kOpenTimeoutMs)
        : SimTcpLink(Models::reader, openTimeoutMs) {}
};
