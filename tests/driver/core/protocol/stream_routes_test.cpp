#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/protocol/reader_session.h"
#include "core/transport/serial_transport.h"
#include "core/transport/tcp_client.h"
#include "driver/core/transport/loopback_peer.h"
#include "sim/simulated_reader.h"

// The byte-stream routes against the simulated reader: a TCP peer on loopback and the
// master side of a pseudo-terminal.

namespace {

using Bytes = std::vector<std::uint8_t>;
using korvicard_test::LoopbackPeer;
using korvicard_test::ReadExactly;

constexpr std::uint8_t kEcho = 0x42;

// Reads one request from fd, lets the reader answer it and writes the answer after delayMs.
void AnswerOneRequest(int fd, sim::SimulatedReader& reader, int delayMs) {
    Bytes frame = ReadExactly(fd, kRequestHeaderSize);
    const auto size = sim::RequestFrameSize(frame);
    if (!size || *size < frame.size()) return;
    const Bytes rest = ReadExactly(fd, *size - frame.size());
    frame.insert(frame.end(), rest.begin(), rest.end());
    const std::vector<sim::Emission> out = reader.Process(frame);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    for (const sim::Emission& e : out) {
        if (write(fd, e.bytes.data(), e.bytes.size()) < 0) return;
    }
}

sim::SimulatedReader EchoReader() {
    sim::SimulatedReader reader;
    reader.SetHandler(kEcho, [](const sim::Request& r) { return sim::Reply::Ok(r.payload); });
    return reader;
}

TEST(StreamRoutes, TcpDropsStaleInputAndWaitsTheCommandTimeOut) {
    sim::SimulatedReader reader = EchoReader();
    LoopbackPeer peer([&](int fd) {
        // A late reply to some earlier request sits in the line before the request goes out.
        const Bytes stale = {4, 0x11, 0x22, 0x33, 0x00};
        korvicard_test::PeerWrite(fd, stale.data(), stale.size());
        // The reply comes after the one-second connect time-out has passed.
        AnswerOneRequest(fd, reader, 1200);
    });
    ReaderSession session;
    session.SetTcpClient(std::make_unique<TcpClient>());
    ASSERT_TRUE(session.OpenDevice("127.0.0.1", peer.port(), 0, 0, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Bytes payload = {1, 2, 3, 4, 5};
    ASSERT_TRUE(session.Transact(kEcho, payload.data(), 5, 2000)) << session.GetErrorCode();
    EXPECT_EQ(Bytes(session.ReplyPayload().begin(), session.ReplyPayload().end()), payload);
    ASSERT_EQ(reader.Requests().size(), 1u);
    EXPECT_EQ(reader.Requests()[0].payload, payload);
    EXPECT_EQ(session.Sequence(), 1);
}

TEST(StreamRoutes, TcpOpenNeedsADottedAddressAndAListener) {
    ReaderSession noTransport;
    EXPECT_FALSE(noTransport.OpenDevice("127.0.0.1", 1, 0, 0, 100));
    ReaderSession refused;
    refused.SetTcpClient(std::make_unique<TcpClient>());
    // Port 1 on loopback has no listener.
    EXPECT_FALSE(refused.OpenDevice("127.0.0.1", 1, 0, 0, 100));
    EXPECT_FALSE(refused.Transact(kEcho, nullptr, 0, 100));
}

class SerialRoute : public ::testing::Test {
  protected:
    void SetUp() override {
        int slave = -1;
        char name[128] = {};
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = name;
        close(slave);
    }
    void TearDown() override {
        if (master >= 0) close(master);
    }

    int master = -1;
    std::string path;
};

TEST_F(SerialRoute, ReplyIsAwaitedUpToTheCommandTimeOut) {
    sim::SimulatedReader reader = EchoReader();
    ReaderSession session;
    session.SetSerialTransport(std::make_unique<SerialTransport>());
    // An open time-out of 100 ms leaves the port's own read time-out at one second.
    ASSERT_TRUE(session.OpenDevice(path.c_str(), 0, 0, 0, 100));
    std::thread peer([&] { AnswerOneRequest(master, reader, 1300); });
    const Bytes payload(70, 0x5A);
    const bool ok = session.Transact(kEcho, payload.data(), 70, 2000);
    peer.join();
    ASSERT_TRUE(ok) << session.GetErrorCode();
    EXPECT_EQ(session.ReplyPayloadLength(), 70u);
    ASSERT_EQ(reader.Requests().size(), 1u);
    EXPECT_EQ(reader.Requests()[0].payload, payload);
}

TEST_F(SerialRoute, ZeroLengthByteAndSilenceSetTheirCodes) {
    ReaderSession session;
    session.SetSerialTransport(std::make_unique<SerialTransport>());
    ASSERT_TRUE(session.OpenDevice(path.c_str(), 0, 0, 0, 100));
    std::thread peer([&] {
        ReadExactly(master, 10, 1000);
        const std::uint8_t zero = 0;
        if (write(master, &zero, 1) < 0) return;
    });
    EXPECT_FALSE(session.Transact(kEcho, nullptr, 0, 300));
    peer.join();
    EXPECT_EQ(session.GetErrorCode(), 4);
    EXPECT_FALSE(session.Transact(kEcho, nullptr, 0, 100));
    EXPECT_EQ(session.GetErrorCode(), 3);
}

}  // namespace
