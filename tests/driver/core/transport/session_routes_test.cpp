#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/protocol/reader_session.h"
#include "core/transport/hid_transport.h"
#include "core/transport/serial_transport.h"
#include "core/transport/tcp_client.h"
#include "driver/core/transport/loopback_peer.h"
#include "sim/adapters/hid_backend_adapter.h"
#include "sim/adapters/pty_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/simulated_reader.h"

// The driver's session over its three device routes, through the real transports, against
// the simulated reader on loopback TCP, a pseudo-terminal and the fake HID backend.

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using sim::Fault;
using sim::FaultKind;

constexpr std::uint8_t kUnhandled = 0xEE;
constexpr int kQuickTimeout = 300;

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Every handled command answers its payload XOR the command byte.
Bytes Answer(std::uint8_t command, const Bytes& payload) {
    Bytes out(payload.begin(), payload.begin() + static_cast<long>(std::min<std::size_t>(payload.size(), 251)));
    for (std::uint8_t& b : out) b ^= command;
    return out;
}

enum class Route { kTcp, kSerial, kHid };

const char* RouteName(Route route) {
    switch (route) {
        case Route::kTcp: return "Tcp";
        case Route::kSerial: return "Serial";
        case Route::kHid: return "Hid";
    }
    return "";
}

// A simulated reader reachable on all three routes at once.
class SimRoutes {
public:
    SimRoutes() : port_(reader), tcp(port_), pty(port_) {
        for (int command = 0; command < 256; ++command) {
            if (command == kUnhandled) continue;
            reader.SetHandler(static_cast<std::uint8_t>(command), [](const sim::Request& r) {
                return sim::Reply::Ok(Answer(r.command, r.payload));
            });
        }
        EXPECT_TRUE(tcp.Start());
        EXPECT_TRUE(pty.Start());
    }

    // Opens a session on route with its stored transport, as the open export does.
    bool Open(ReaderSession& session, Route route, int openTimeout = 1) {
        switch (route) {
            case Route::kTcp:
                session.SetTcpClient(std::make_unique<TcpClient>());
                return session.OpenDevice("127.0.0.1", tcp.Port(), 0, 0, openTimeout);
            case Route::kSerial:
                session.SetSerialTransport(std::make_unique<SerialTransport>());
                return session.OpenDevice(pty.SlavePath().c_str(), 0, 0, 0, openTimeout);
            case Route::kHid:
                session.SetHidTransport(std::make_unique<HidTransport>(Hid()));
                return session.OpenDevice("", 0, 0, 0, openTimeout);
        }
        return false;
    }
    std::unique_ptr<HidBackend> Hid(std::vector<HidDeviceInfo> devices = DefaultHid()) {
        return std::make_unique<sim::HidBackendAdapter>(port_, std::move(devices));
    }
    static std::vector<HidDeviceInfo> DefaultHid() {
        return {{sim::HidBackendAdapter::kVendor, sim::HidBackendAdapter::kProduct,
                 sim::HidBackendAdapter::kPath}};
    }
    void QueueFault(const Fault& fault) {
        port_.WithReader([&](sim::SimulatedReader& r) { r.QueueFault(fault); });
    }
    std::size_t RequestCount() {
        return port_.WithReader([](sim::SimulatedReader& r) { return r.Requests().size(); });
    }
    sim::Request LastRequest() {
        return port_.WithReader([](sim::SimulatedReader& r) { return r.Requests().back(); });
    }

    sim::SimulatedReader reader;

private:
    sim::ReaderPort port_;

public:
    sim::TcpServer tcp;
    sim::PtyAdapter pty;
};

Bytes Payload(const ReaderSession& session) {
    return Bytes(session.ReplyPayload().begin(), session.ReplyPayload().end());
}

TEST(SessionOpen, ChoosesTheRouteAndItsDefaults) {
    SimRoutes sim;
    struct Case {
        const char* what;
        std::function<bool()> open;
        bool opens;
    };
    const int refused = korvicard_test::UnusedLoopbackPort();
    const std::vector<HidDeviceInfo> two = {SimRoutes::DefaultHid()[0],
                                            {0x051A, 0x511B, "sim:hidraw1"}};
    auto hid = [&](std::vector<HidDeviceInfo> devices, int vid, int pid, int index) {
        return [&sim, devices, vid, pid, index] {
            ReaderSession session;
            session.SetHidTransport(std::make_unique<HidTransport>(sim.Hid(devices)));
            return session.OpenDevice("", vid, pid, index, 1000);
        };
    };
    const Case cases[] = {
        {"empty name: HID with the default ids", hid(SimRoutes::DefaultHid(), 0, 0, 0), true},
        {"HID with the ids given", hid(SimRoutes::DefaultHid(), 0x051A, 0x511B, 0), true},
        {"HID with other ids", hid(SimRoutes::DefaultHid(), 0x1234, 0x5678, 0), false},
        {"HID without a device", hid({}, 0, 0, 0), false},
        {"HID index beyond the count", hid(SimRoutes::DefaultHid(), 0, 0, 1), false},
        {"HID second of two", hid(two, 0, 0, 1), true},
        {"dotted address: TCP to the port given",
         [&] {
             ReaderSession session;
             session.SetTcpClient(std::make_unique<TcpClient>());
             return session.OpenDevice("127.0.0.1", sim.tcp.Port(), 0, 0, 1000);
         },
         true},
        {"TCP refused port",
         [&] {
             ReaderSession session;
             session.SetTcpClient(std::make_unique<TcpClient>());
             return session.OpenDevice("127.0.0.1", refused, 0, 0, 1000);
         },
         false},
        {"other name: serial port",
         [&] {
             ReaderSession session;
             session.SetSerialTransport(std::make_unique<SerialTransport>());
             return session.OpenDevice(sim.pty.SlavePath().c_str(), 0, 0, 0, 1000);
         },
         true},
        {"serial port that does not exist",
         [&] {
             ReaderSession session;
             session.SetSerialTransport(std::make_unique<SerialTransport>());
             return session.OpenDevice("/dev/korvicard-none", 0, 0, 0, 1000);
         },
         false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.open(), c.opens) << c.what;
}

TEST(SessionOpen, TcpPortZeroMeansTwelveThreeFourFive) {
    sim::SimulatedReader reader;
    reader.SetHandler(1, [](const sim::Request&) { return sim::Reply::Ok({0x42}); });
    sim::ReaderPort port(reader);
    sim::TcpServer server(port);
    // An address of its own: a korvicard-sim may hold 127.0.0.1:12345.
    ASSERT_TRUE(server.Start(12345, "127.0.0.52"));
    ReaderSession session;
    session.SetTcpClient(std::make_unique<TcpClient>());
    ASSERT_TRUE(session.OpenDevice("127.0.0.52", 0, 0, 0, 1000));
    ASSERT_TRUE(session.Transact(1, nullptr, 0, 1000));
    EXPECT_EQ(Payload(session), Bytes{0x42});
    EXPECT_EQ(server.Connections(), 1);
}

class SessionRoute : public ::testing::TestWithParam<Route> {
protected:
    void SetUp() override { ASSERT_TRUE(sim.Open(session, GetParam())); }
    // How long the route waits for a reply: a HID report is awaited at least 1000 ms.
    int RouteWaitMs(int timeout) const {
        return GetParam() == Route::kHid ? std::max(timeout, 1000) : timeout;
    }
    bool Transact(std::uint8_t command, const Bytes& payload, int timeout = kQuickTimeout) {
        return session.Transact(command, payload.data(), static_cast<unsigned>(payload.size()),
                                timeout);
    }

    SimRoutes sim;
    ReaderSession session;
};

TEST_P(SessionRoute, TransactionsRoundTrip) {
    // Short, one report, two reports, and the longest request and reply.
    for (std::size_t length : {0, 3, 50, 60, 200, 290}) {
        Bytes payload(length);
        for (std::size_t i = 0; i < length; ++i) payload[i] = static_cast<std::uint8_t>(i * 13 + 5);
        const auto command = static_cast<std::uint8_t>(0x10 + length % 7);
        ASSERT_TRUE(Transact(command, payload, 1000)) << length << " code " << session.GetErrorCode();
        EXPECT_EQ(sim.LastRequest().payload, payload);
        EXPECT_EQ(sim.LastRequest().command, command);
        EXPECT_EQ(Payload(session), Answer(command, payload)) << length;
        EXPECT_EQ(session.GetErrorCode(), 0);
    }
    EXPECT_FALSE(Transact(kUnhandled, {1}));
    EXPECT_EQ(session.GetErrorCode(), 19);
}

TEST_P(SessionRoute, ReplyFaultsGiveTheirCodes) {
    const Route route = GetParam();
    struct Case {
        const char* what;
        Fault fault;
        bool ok;
        int code;  // the stream routes' code; HID as noted
        int hidCode;
    };
    const Case cases[] = {
        {"no reply", {FaultKind::kNoReply}, false, 3, 3},
        // A report is 64 bytes whatever the reader meant to send: the cut frame reaches
        // the driver zero-padded and fails its check byte.
        {"truncated reply", {.kind = FaultKind::kTruncate, .truncateTo = 5}, false, 3, 5},
        // An all-zero report is an empty report on USB, skipped until the time-out.
        {"zero length", {FaultKind::kZeroLength}, false, 4, 3},
        {"bad check byte", {FaultKind::kBadCheckByte}, false, 5, 5},
        {"short reply", {.kind = FaultKind::kShortReply, .shortLength = 2}, false, 3, 3},
        {"error status", {.kind = FaultKind::kErrorStatus, .errorCode = 9}, false, 9, 9},
        {"overlong payload length", {FaultKind::kOverlongPayload}, false, 3, 3},
        {"split reply", {.kind = FaultKind::kSplit, .pieceSize = 3}, true, 0, 0},
        {"delay within the time-out", {.kind = FaultKind::kDelay, .delayMs = 100}, true, 0, 0},
    };
    std::uint8_t round = 0;
    for (const Case& c : cases) {
        sim.QueueFault(c.fault);
        const Bytes payload = {++round, 0x22, 0x33};
        const auto start = Clock::now();
        EXPECT_EQ(Transact(0x30, payload), c.ok) << c.what;
        EXPECT_EQ(session.GetErrorCode(), route == Route::kHid ? c.hidCode : c.code) << c.what;
        EXPECT_LT(ElapsedMs(start), RouteWaitMs(kQuickTimeout) + 400) << c.what;
        if (c.ok) {
            EXPECT_EQ(Payload(session), Answer(0x30, payload)) << c.what;
        }
        // Whatever the fault left behind, the next command gets its own reply.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(Transact(0x31, {round})) << "after " << c.what << " code " << session.GetErrorCode();
        EXPECT_EQ(Payload(session), Answer(0x31, {round})) << "after " << c.what;
    }
}

TEST_P(SessionRoute, LateReplyIsNotTakenForTheNext) {
    const int late = RouteWaitMs(kQuickTimeout) + 200;
    sim.QueueFault({.kind = FaultKind::kDelay, .delayMs = late});
    const auto start = Clock::now();
    EXPECT_FALSE(Transact(0x40, {0xAA}));
    EXPECT_EQ(session.GetErrorCode(), 3);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(late + 100));  // it is in
    ASSERT_TRUE(Transact(0x41, {0xBB})) << session.GetErrorCode();
    EXPECT_EQ(Payload(session), Answer(0x41, {0xBB}));

    // Several copies of one reply: the extra ones do not answer the next command.
    sim.QueueFault({.kind = FaultKind::kExtraReplies, .extraCopies = 2});
    ASSERT_TRUE(Transact(0x42, {0xCC}));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(Transact(0x43, {0xDD}));
    EXPECT_EQ(Payload(session), Answer(0x43, {0xDD}));
}

TEST_P(SessionRoute, ReplyIsAwaitedUpToTheCommandTimeOut) {
    // Opened with an open time-out of 1 ms: a command of 1000 ms still waits for a reply
    // 700 ms late, and gives up at its own time-out when none comes.
    sim.QueueFault({.kind = FaultKind::kDelay, .delayMs = 700});
    ASSERT_TRUE(Transact(0x50, {1}, 1000)) << session.GetErrorCode();
    sim.QueueFault({FaultKind::kNoReply});
    const auto start = Clock::now();
    EXPECT_FALSE(Transact(0x51, {2}, 1000));
    EXPECT_EQ(session.GetErrorCode(), 3);
    EXPECT_GE(ElapsedMs(start), 950);
    EXPECT_LT(ElapsedMs(start), 1500);
}

// A CPU-card block is awaited for the wait the block layer gives it, past the command's
// 1000 ms when the card was given more time, and no longer.
TEST_P(SessionRoute, ACpuCardBlockIsAwaitedForTheWaitItIsGiven) {
    const std::uint8_t block[] = {0x02, 0x00, 0xA4};
    std::uint8_t answer[16] = {};
    unsigned length = sizeof answer;
    sim.QueueFault({.kind = FaultKind::kDelay, .delayMs = 1600});
    ASSERT_TRUE(session.CpuCardTransceive(block, sizeof block, answer, &length, 2300))
        << session.GetErrorCode();
    EXPECT_EQ(Bytes(answer, answer + length), Answer(14, {0x00, 0x03, 0x02, 0x00, 0xA4}));
    // The last call of the test, so the late reply meets no other.
    sim.QueueFault({.kind = FaultKind::kDelay, .delayMs = 1600});
    const auto start = Clock::now();
    length = sizeof answer;
    EXPECT_FALSE(session.CpuCardTransceive(block, sizeof block, answer, &length, 1100));
    EXPECT_EQ(session.GetErrorCode(), 3);
    EXPECT_LT(ElapsedMs(start), 1500);
}

INSTANTIATE_TEST_SUITE_P(Routes, SessionRoute,
                         ::testing::Values(Route::kTcp, Route::kSerial, Route::kHid),
                         [](const auto& info) { return RouteName(info.param); });

class StreamRoute : public SessionRoute {};

TEST_P(StreamRoute, PeerGoneFailsWithoutWaitingOut) {
    ASSERT_TRUE(Transact(0x60, {1}));
    const bool tcp = GetParam() == Route::kTcp;
    if (tcp) {
        sim.tcp.Stop();
    } else {
        sim.pty.Stop();
    }
    const auto start = Clock::now();
    EXPECT_FALSE(Transact(0x61, {2}, 2000));
    // The socket still takes the request and then reads the end of the stream; the line
    // of a closed pseudo-terminal refuses the write itself.
    EXPECT_EQ(session.GetErrorCode(), tcp ? 3 : 1);
    EXPECT_LT(ElapsedMs(start), 1000);
}

INSTANTIATE_TEST_SUITE_P(Routes, StreamRoute, ::testing::Values(Route::kTcp, Route::kSerial),
                         [](const auto& info) { return RouteName(info.param); });

}  // namespace
