#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <vector>

#include "sim/adapters/hid_backend_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/request_stream.h"
#include "sim/adapters/tcp_server.h"
#include "sim/sim_frames.h"
#include "sim/simulated_reader.h"

// The simulator's links, driven with frames laid out by hand (no driver code).

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using sim::RequestStream;

constexpr sim::FrameMask kMask = {0x11, 0x22, 0x33, 0x44};

Bytes PayloadOf(std::size_t n) {
    Bytes payload(n);
    for (std::size_t i = 0; i < n; ++i) payload[i] = static_cast<std::uint8_t>(i * 3 + 1);
    return payload;
}

TEST(RequestStream, CutsFramesByTheirLengthFields) {
    const Bytes shortFrame = sim_test::Request(kMask, 1, 6, {4});
    const Bytes longFrame = sim_test::Request(kMask, 2, 7, PayloadOf(280));  // length byte 255
    ASSERT_EQ(longFrame[0], 255);
    const auto now = Clock::now();

    RequestStream stream;
    Bytes both = shortFrame;
    both.insert(both.end(), longFrame.begin(), longFrame.end());
    // Byte by byte: each frame comes out with its last byte.
    std::vector<Bytes> seen;
    for (std::size_t i = 0; i < both.size(); ++i) {
        for (auto& f : stream.Feed({&both[i], 1}, now)) {
            seen.push_back(f);
            EXPECT_TRUE(i + 1 == shortFrame.size() || i + 1 == both.size()) << i;
        }
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], shortFrame);
    EXPECT_EQ(seen[1], longFrame);
    EXPECT_FALSE(stream.HasPartial());

    // Both in one piece.
    const auto frames = stream.Feed(both, now);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1], longFrame);
}

TEST(RequestStream, DropsARequestWhoseBytesStopped) {
    const Bytes frame = sim_test::Request(kMask, 1, 6, PayloadOf(20));
    const auto start = Clock::now();
    RequestStream stream;
    EXPECT_TRUE(stream.Feed({frame.data(), 10}, start).empty());
    EXPECT_TRUE(stream.HasPartial());
    // The rest of another frame would otherwise be read into it.
    const auto later = start + std::chrono::milliseconds(RequestStream::kGapMs + 50);
    const auto frames = stream.Feed(frame, later);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], frame);
}

// A client socket connected to 127.0.0.1:port, or -1.
int Connect(const char* address, std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    inet_pton(AF_INET, address, &sa.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Bytes until n are in, the peer closes or ms pass.
Bytes ReadSome(int fd, std::size_t n, int ms = 1000) {
    Bytes out;
    std::uint8_t buf[512];
    while (out.size() < n) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, ms) != 1) break;
        const ssize_t got = read(fd, buf, sizeof buf);
        if (got <= 0) break;
        out.insert(out.end(), buf, buf + got);
    }
    return out;
}

class SimLinks : public ::testing::Test {
  protected:
    SimLinks() {
        reader.SetHandler(6, [](const sim::Request& r) { return sim::Reply::Ok(r.payload); });
    }
    sim::SimulatedReader reader;
    sim::ReaderPort port{reader};
};

TEST_F(SimLinks, TcpServerServesClientsInTurnOnLoopbackOnly) {
    sim::TcpServer server(port);
    ASSERT_TRUE(server.Start());
    ASSERT_NE(server.Port(), 0);
    EXPECT_FALSE(server.Start()) << "a server starts once";
    EXPECT_EQ(Connect("127.0.0.2", server.Port()), -1) << "bound to 127.0.0.1 only";

    std::vector<sim::Request> logged;
    port.SetObserver([&](const sim::Request& r) { logged.push_back(r); });
    for (std::uint8_t client = 1; client <= 2; ++client) {
        const int fd = Connect("127.0.0.1", server.Port());
        ASSERT_GE(fd, 0);
        const Bytes request = sim_test::Request(kMask, client, 6, {client, 0x77});
        ASSERT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
        Bytes frame = ReadSome(fd, 1);
        ASSERT_FALSE(frame.empty());
        const Bytes rest = ReadSome(fd, frame[0] + 1u - frame.size());
        frame.insert(frame.end(), rest.begin(), rest.end());
        const auto plain = sim_test::Unscramble(frame, kMask);
        EXPECT_TRUE(plain.checkOk);
        EXPECT_EQ(plain.body, (Bytes{static_cast<std::uint8_t>(client + 1), 0, 2, client, 0x77}));
        close(fd);
    }
    EXPECT_EQ(server.Connections(), 2);
    EXPECT_TRUE(port.WithReader([](sim::SimulatedReader& r) { return r.Requests().empty(); }))
        << "observed requests are not kept in the log as well";
    port.SetObserver(nullptr);
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].payload, (Bytes{2, 0x77}));
}

TEST_F(SimLinks, TcpServerBindsTheLoopbackAddressItIsGiven) {
    for (const char* host : {"10.0.0.1", "localhost", "127.0.0.256", "0.0.0.0"}) {
        sim::TcpServer refused(port);
        EXPECT_FALSE(refused.Start(0, host)) << host;
    }
    sim::TcpServer server(port);
    ASSERT_TRUE(server.Start(0, "127.0.0.53"));
    EXPECT_EQ(Connect("127.0.0.1", server.Port()), -1) << "bound to 127.0.0.53 only";
    const int fd = Connect("127.0.0.53", server.Port());
    EXPECT_GE(fd, 0);
    close(fd);
}

TEST_F(SimLinks, TcpServerDropsAndStops) {
    sim::TcpServer server(port);
    ASSERT_TRUE(server.Start());
    const int first = Connect("127.0.0.1", server.Port());
    ASSERT_GE(first, 0);
    // Wait until it is being served, then drop it: the client reads the end of the stream.
    for (int i = 0; i < 100 && server.Connections() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    server.DropConnection();
    EXPECT_TRUE(ReadSome(first, 1).empty());
    close(first);

    const int second = Connect("127.0.0.1", server.Port());
    ASSERT_GE(second, 0);
    const auto start = Clock::now();
    server.Stop();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(),
              500);
    EXPECT_TRUE(ReadSome(second, 1).empty());
    close(second);
    server.Stop();
}

TEST_F(SimLinks, HidBackendTakesAndGivesReports) {
    sim::HidBackendAdapter backend(port);
    const auto devices = backend.Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].vendorId, 0x051A);
    EXPECT_EQ(devices[0].productId, 0x511B);
    EXPECT_EQ(backend.OpenDevice("sim:none"), nullptr);
    auto device = backend.OpenDevice(devices[0].path);
    ASSERT_NE(device, nullptr);

    // A 100-byte request: its first 64 bytes, then count 36 and the rest.
    const Bytes request = sim_test::Request(kMask, 9, 6, PayloadOf(90));
    ASSERT_EQ(request.size(), 100u);
    Bytes first(65, 0), second(65, 0);
    std::copy(request.begin(), request.begin() + 64, first.begin() + 1);
    second[1] = 36;
    std::copy(request.begin() + 64, request.end(), second.begin() + 2);
    reader.QueueFault({.kind = sim::FaultKind::kDelay, .delayMs = 150});
    ASSERT_TRUE(device->WriteReport(first.data(), 65, 100));
    EXPECT_TRUE(reader.Requests().empty());
    ASSERT_TRUE(device->WriteReport(second.data(), 65, 100));
    ASSERT_EQ(reader.Requests().size(), 1u);

    // Reply of 95 bytes (L = 94): a report of 64 bytes, then count 31 and the rest; not
    // there before its delay.
    std::uint8_t report[64];
    EXPECT_EQ(device->ReadReport(report, 64, 50), 0);
    ASSERT_EQ(device->ReadReport(report, 64, 500), 64);
    Bytes reply(report, report + 64);
    ASSERT_EQ(reply[0], 94);
    ASSERT_EQ(device->ReadReport(report, 64, 100), 64);
    EXPECT_EQ(report[0], 31);
    reply.insert(reply.end(), report + 1, report + 32);
    const auto plain = sim_test::Unscramble(reply, kMask);
    EXPECT_TRUE(plain.checkOk);
    EXPECT_EQ(Bytes(plain.body.begin() + 3, plain.body.end()), PayloadOf(90));
    EXPECT_EQ(device->ReadReport(report, 64, 0), 0);
}

}  // namespace
