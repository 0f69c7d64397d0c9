#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "api/handle_registry.h"
#include "api_test_support.h"
#include "core/protocol/reader_session.h"
#include "core/transport/hid_transport.h"
#include "host_texts.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/adapters/hid_backend_adapter.h"
#include "sim/adapters/pty_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/callback_adapter.h"
#include "sim/simulated_reader.h"

// KorviCardOpenDevice over each route against the simulated reader: TCP loopback, a
// pseudo-terminal, the fake HID backend and the caller's callback.

namespace {

using api_test::Exchange;
using api_test::kEchoCommand;
using api_test::kUnknownCommand;
using api_test::kUnknownCommandCode;

constexpr int kOpenTimeoutMs = 1000;

// A simulated reader with the port its adapters share.
struct Simulator {
    Simulator() { api_test::AnswerEcho(reader); }
    void QueueFault(const sim::Fault& fault) {
        port.WithReader([&](sim::SimulatedReader& r) { r.QueueFault(fault); });
    }
    std::size_t Requests() {
        return port.WithReader([](sim::SimulatedReader& r) { return r.Requests().size(); });
    }
    sim::SimulatedReader reader;
    sim::ReaderPort port{reader};
};

// Installs a fake HID backend for the transports built while it lives.
class FakeHid {
public:
    explicit FakeHid(sim::ReaderPort& port) {
        SetHidBackendFactory([&port] { return std::make_unique<sim::HidBackendAdapter>(port); });
    }
    FakeHid(sim::ReaderPort& port, std::vector<HidDeviceInfo> devices) {
        SetHidBackendFactory([&port, devices] {
            return std::make_unique<sim::HidBackendAdapter>(port, devices);
        });
    }
    ~FakeHid() { SetHidBackendFactory({}); }
    FakeHid(const FakeHid&) = delete;
    FakeHid& operator=(const FakeHid&) = delete;
};

// Opens a reader, exchanges a handled and an unhandled command, closes it.
void ExpectWorkingReader(int handle, Simulator& simulator, const char* route) {
    ASSERT_GT(handle, 0) << route;
    EXPECT_EQ(KorviCardGetErrorCode(handle), 0) << route;
    EXPECT_TRUE(Exchange(handle, kEchoCommand)) << route;
    EXPECT_EQ(KorviCardGetErrorCode(handle), 0) << route;
    EXPECT_FALSE(Exchange(handle, kUnknownCommand)) << route;
    EXPECT_EQ(KorviCardGetErrorCode(handle), kUnknownCommandCode) << route;
    EXPECT_EQ(simulator.Requests(), 2u) << route;
    KorviCardCloseDevice(handle);
    EXPECT_EQ(KorviCardGetErrorCode(handle), 1) << route;
}

TEST(CApiRoutes, DottedAddressOpensTheNetworkReader) {
    Simulator simulator;
    sim::TcpServer server(simulator.port);
    ASSERT_TRUE(server.Start());
    int handle = KorviCardOpenDevice("127.0.0.1", server.Port(), 0, 0, kOpenTimeoutMs, nullptr);
    ExpectWorkingReader(handle, simulator, "tcp");
    EXPECT_EQ(server.Connections(), 1);
}

// A name that only begins like an address is a serial port name: it opens no network
// reader (and here no port either). The empty name means USB and is left out.
TEST(CApiRoutes, ANameThatIsNoAddressOpensNoNetworkReader) {
    Simulator simulator;
    sim::TcpServer server(simulator.port);
    ASSERT_TRUE(server.Start());
    for (const api_test::HostText& name : api_test::HostTextsAround("127.0.0.1")) {
        if (name.text.empty()) continue;
        SCOPED_TRACE(std::string(name.what) + " \"" + name.text + '"');
        const int before = server.Connections();
        const int handle =
            KorviCardOpenDevice(name.text.c_str(), server.Port(), 0, 0, kOpenTimeoutMs, nullptr);
        EXPECT_EQ(handle > 0, name.address);
        // A request proves the simulator took the connection before it is counted.
        if (handle > 0) {
            EXPECT_TRUE(Exchange(handle, kEchoCommand));
        }
        EXPECT_EQ(server.Connections(), before + (name.address ? 1 : 0));
        KorviCardCloseDevice(handle);
    }
}

TEST(CApiRoutes, AnyOtherNameOpensASerialPort) {
    Simulator simulator;
    sim::PtyAdapter line(simulator.port);
    ASSERT_TRUE(line.Start());
    int handle = KorviCardOpenDevice(line.SlavePath().c_str(), 0, 0, 0, kOpenTimeoutMs, nullptr);
    ExpectWorkingReader(handle, simulator, "pty");
}

TEST(CApiRoutes, EmptyOrNullNameOpensUsbHidWithTheDefaultIdentifiers) {
    Simulator simulator;
    FakeHid hid(simulator.port);
    EXPECT_EQ(KorviCardGetUsbDeviceCount(0, 0), 1);
    EXPECT_EQ(KorviCardGetUsbDeviceCount(0x051A, 0x511B), 1);
    EXPECT_EQ(KorviCardGetUsbDeviceCount(0x1234, 0), 0);
    ExpectWorkingReader(KorviCardOpenDevice(nullptr, 0, 0, 0, kOpenTimeoutMs, nullptr),
                        simulator, "hid, null name");
    Simulator second;
    FakeHid secondHid(second.port);
    ExpectWorkingReader(KorviCardOpenDevice("", 0x051A, 0x511B, 0, kOpenTimeoutMs, nullptr),
                        second, "hid, empty name");
}

TEST(CApiRoutes, RawUsbReportsReachTheReader) {
    Simulator simulator;
    FakeHid hid(simulator.port);
    int handle = KorviCardOpenDevice("", 0, 0, 0, kOpenTimeoutMs, nullptr);
    ASSERT_GT(handle, 0);
    ASSERT_TRUE(Exchange(handle, kEchoCommand));
    std::shared_ptr<ReaderSession> session = Readers().Find(handle);
    // The same request again, written raw: the reader answers it as before.
    const auto& request = session->RequestFrame();
    ASSERT_EQ(KorviCardWriteUsbData(handle, request.data(),
                                    static_cast<int>(session->RequestFrameLength())),
              1);
    unsigned char report[64] = {};
    ASSERT_EQ(KorviCardReadUsbData(handle, report, sizeof report, 500), 1);
    EXPECT_EQ(report[0], session->ReplyFrame()[0]);
    EXPECT_EQ(simulator.Requests(), 2u);
    EXPECT_EQ(KorviCardReadUsbData(handle, nullptr, 64, 10), 0);
    EXPECT_EQ(KorviCardWriteUsbData(handle, report, 0), 0);
    session.reset();
    KorviCardCloseDevice(handle);
}

TEST(CApiRoutes, FailedOpensAnswerMinusOneAndKeepNothing) {
    Simulator simulator;
    const std::size_t open = Readers().Size();

    sim::TcpServer stopped(simulator.port);
    ASSERT_TRUE(stopped.Start());
    const std::uint16_t closedPort = stopped.Port();
    stopped.Stop();
    EXPECT_EQ(KorviCardOpenDevice("127.0.0.1", closedPort, 0, 0, 200, nullptr), -1);
    EXPECT_EQ(KorviCardOpenDevice("/nonexistent/korvicard-port", 0, 0, 0, 200, nullptr), -1);
    {
        FakeHid hid(simulator.port);
        EXPECT_EQ(KorviCardOpenDevice("", 0x1234, 0, 0, 200, nullptr), -1) << "other vendor";
        EXPECT_EQ(KorviCardOpenDevice("", 0, 0, 1, 200, nullptr), -1) << "second reader";
    }
    {
        FakeHid none(simulator.port, {});
        EXPECT_EQ(KorviCardOpenDevice(nullptr, 0, 0, 0, 200, nullptr), -1) << "no reader";
        EXPECT_EQ(KorviCardGetUsbDeviceCount(0, 0), 0);
    }
    EXPECT_EQ(Readers().Size(), open);
    EXPECT_EQ(KorviCardGetErrorCode(-1), 1);
    EXPECT_EQ(simulator.Requests(), 0u);
}

// Four readers at once, one per route, each with its own simulated reader and its own
// failure: every reader keeps its own error code.
TEST(CApiRoutes, ReadersOnDifferentRoutesKeepTheirOwnErrors) {
    Simulator tcpSim, ptySim, hidSim, callbackSim;
    sim::TcpServer server(tcpSim.port);
    ASSERT_TRUE(server.Start());
    sim::PtyAdapter line(ptySim.port);
    ASSERT_TRUE(line.Start());
    FakeHid hid(hidSim.port);

    const int tcp = KorviCardOpenDevice("127.0.0.1", server.Port(), 0, 0, kOpenTimeoutMs, nullptr);
    const int pty = KorviCardOpenDevice(line.SlavePath().c_str(), 0, 0, 0, kOpenTimeoutMs, nullptr);
    const int usb = KorviCardOpenDevice("", 0, 0, 0, kOpenTimeoutMs, nullptr);
    const int callback = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
    ASSERT_GT(tcp, 0);
    ASSERT_GT(pty, 0);
    ASSERT_GT(usb, 0);
    ASSERT_GT(callback, 0);
    sim::AttachSimulator(callback, callbackSim.reader);

    sim::Fault badCheck;
    badCheck.kind = sim::FaultKind::kBadCheckByte;
    ptySim.QueueFault(badCheck);
    sim::Fault refused;
    refused.kind = sim::FaultKind::kErrorStatus;
    refused.errorCode = 9;
    callbackSim.QueueFault(refused);

    EXPECT_FALSE(Exchange(tcp, kUnknownCommand));
    EXPECT_FALSE(Exchange(pty, kEchoCommand));
    EXPECT_TRUE(Exchange(usb, kEchoCommand));
    EXPECT_FALSE(Exchange(callback, kEchoCommand));
    Readers().Find(usb)->SetTwoIdErrorCode(33);

    EXPECT_EQ(KorviCardGetErrorCode(tcp), kUnknownCommandCode);
    EXPECT_EQ(KorviCardGetErrorCode(pty), 5);
    EXPECT_EQ(KorviCardGetErrorCode(usb), 0);
    EXPECT_EQ(KorviCardGetErrorCode(callback), 9);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(usb), 33);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(tcp), 0);
    for (Simulator* s : {&tcpSim, &ptySim, &hidSim, &callbackSim}) {
        EXPECT_EQ(s->Requests(), 1u);
    }

    KorviCardCloseDevice(pty);
    EXPECT_EQ(KorviCardGetErrorCode(pty), 1);
    EXPECT_EQ(KorviCardGetErrorCode(tcp), kUnknownCommandCode);
    EXPECT_TRUE(Exchange(tcp, kEchoCommand));
    sim::DetachSimulator(callback);
    for (int handle : {tcp, usb, callback}) {
        KorviCardCloseDevice(handle);
    }
}

}  // namespace
