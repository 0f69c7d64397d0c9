#include "core/transport/tcp_client.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "driver/core/transport/loopback_peer.h"

namespace {

using korvicard_test::LoopbackPeer;
using korvicard_test::PeerWrite;
using korvicard_test::ReadExactly;
using korvicard_test::WaitForClose;
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

void Echo(int fd) {
    for (;;) {
        auto bytes = ReadExactly(fd, 1, 3000);
        if (bytes.empty()) return;
        if (PeerWrite(fd, bytes.data(), bytes.size()) != 1) return;
    }
}

TEST(TcpClient, RefusesBadArgumentsWithoutOpeningAnything) {
    struct Case {
        const char* host;
        int port;
    };
    const Case cases[] = {{"127.0.0.1", 0},     {"127.0.0.1", -1}, {"127.0.0.1", 65536},
                          {nullptr, 12345},     {"", 12345},       {"localhost", 12345},
                          {"127.0.0.256", 12345}};
    for (const Case& c : cases) {
        TcpClient client;
        EXPECT_FALSE(client.Connect(c.host, c.port, 1)) << (c.host ? c.host : "null") << ':' << c.port;
        EXPECT_FALSE(client.IsConnected());
        const std::uint8_t byte = 0x42;
        EXPECT_EQ(client.Send(&byte, 1), -1);
        EXPECT_EQ(client.SetTimeouts(1), -1);
        EXPECT_EQ(client.Close(), -1);
    }
}

TEST(TcpClient, RefusedConnectFailsAtOnce) {
    TcpClient client;
    auto start = Clock::now();
    EXPECT_FALSE(client.Connect("127.0.0.1", korvicard_test::UnusedLoopbackPort(), 2));
    EXPECT_LT(ElapsedMs(start), 1500);
    EXPECT_FALSE(client.IsConnected());
    std::uint8_t byte = 0;
    EXPECT_EQ(client.Receive(&byte, 1), -1);
}

TEST(TcpClient, LeadingZerosAreDecimalNotOctal) {
    // 127.0.0.010 is 127.0.0.10; read as octal it would be 127.0.0.8, where nobody listens.
    LoopbackPeer peer(Echo, "127.0.0.10");
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.010", peer.port(), 1));
    client.Close();
}

TEST(TcpClient, RoundTripAndSecondConnectKeepsTheFirst) {
    LoopbackPeer peer(Echo);
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.port(), 1));
    ASSERT_TRUE(client.Connect("127.0.0.1", korvicard_test::UnusedLoopbackPort(), 1));
    EXPECT_TRUE(client.IsConnected());

    const std::vector<std::uint8_t> frame = {0x05, 0x01, 0x02, 0x03, 0x04, 0x05};
    ASSERT_EQ(client.Send(frame.data(), static_cast<int>(frame.size())), 6);
    std::vector<std::uint8_t> reply(frame.size());
    ASSERT_EQ(client.Receive(reply.data(), static_cast<int>(reply.size())), 6);
    EXPECT_EQ(reply, frame);
    std::uint8_t none = 0;
    EXPECT_EQ(client.Receive(&none, 0), 0);
    EXPECT_EQ(client.Receive(nullptr, 4), -1);
    EXPECT_EQ(client.Send(nullptr, 4), -1);
    EXPECT_EQ(client.Close(), 0);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(peer.accepted(), 1);
}

TEST(TcpClient, SilentPeerTimesOutOnceAndTheSocketStays) {
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    LoopbackPeer peer([&](int fd) {
        // Silent until released, then answers with one byte.
        ReadExactly(release[0], 1, 3000);
        const std::uint8_t late = 0x77;
        ASSERT_EQ(PeerWrite(fd, &late, 1), 1);
        WaitForClose(fd);
    });
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.port(), 1));
    ASSERT_EQ(client.SetReceiveTimeoutMs(200), 0);
    std::uint8_t byte = 0;
    auto start = Clock::now();
    EXPECT_EQ(client.Receive(&byte, 1), -1);
    const long waited = ElapsedMs(start);
    EXPECT_GE(waited, 180);
    EXPECT_LT(waited, 380) << "the time-out is waited once, not twice";
    EXPECT_TRUE(client.IsConnected());

    ASSERT_EQ(write(release[1], "x", 1), 1);
    ASSERT_EQ(client.SetReceiveTimeoutMs(2000), 0);
    EXPECT_EQ(client.Receive(&byte, 1), 1);
    EXPECT_EQ(byte, 0x77);
    client.Close();
    close(release[0]);
    close(release[1]);
}

TEST(TcpClient, TricklingPeerIsBoundedByOneTimeOut) {
    LoopbackPeer peer([](int fd) {
        for (int i = 0; i < 20; ++i) {
            const std::uint8_t b = static_cast<std::uint8_t>(i);
            if (PeerWrite(fd, &b, 1) != 1) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
        WaitForClose(fd);
    });
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.port(), 1));
    client.SetReceiveTimeoutMs(250);
    std::uint8_t buffer[20];
    auto start = Clock::now();
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), -1);
    EXPECT_LT(ElapsedMs(start), 450);
    client.Close();
}

TEST(TcpClient, SplitSegmentsAreJoined) {
    LoopbackPeer peer([](int fd) {
        const std::uint8_t frame[] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
        for (int part = 0; part < 10; part += 3) {
            int n = part + 3 > 10 ? 10 - part : 3;
            if (PeerWrite(fd, frame + part, static_cast<size_t>(n)) != n) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        WaitForClose(fd);
    });
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.port(), 1));
    std::uint8_t buffer[10] = {};
    ASSERT_EQ(client.Receive(buffer, 10), 10);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(buffer[9], 0);
    client.Close();
}

TEST(TcpClient, PeerClosingMidFrameFailsWithoutWaitingOrSignal) {
    LoopbackPeer peer([](int fd) {
        const std::uint8_t half[] = {0x0A, 0x01, 0x02};
        ASSERT_EQ(PeerWrite(fd, half, sizeof half), 3);
    });
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.port(), 1));
    client.SetReceiveTimeoutMs(2000);
    std::uint8_t buffer[11];
    auto start = Clock::now();
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), -1);
    EXPECT_LT(ElapsedMs(start), 1000);

    // Writing to the closed peer must give -1, not kill the process with SIGPIPE.
    const std::uint8_t frame[64] = {};
    int result = 0;
    for (int i = 0; i < 5 && result != -1; ++i) {
        result = client.Send(frame, sizeof frame);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(result, -1);
    client.Close();
}

TEST(TcpClient, DiscardInputDropsStaleBytesWithoutBlocking) {
    int step[2];
    ASSERT_EQ(pipe(step), 0);
    LoopbackPeer peer([&](int fd) {
        const std::uint8_t stale[] = {0xEE, 0xEE, 0xEE};
        ASSERT_EQ(PeerWrite(fd, stale, 3), 3);
        ReadExactly(step[0], 1, 3000);
        const std::uint8_t fresh = 0x11;
        ASSERT_EQ(PeerWrite(fd, &fresh, 1), 1);
        WaitForClose(fd);
    });
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.port(), 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto start = Clock::now();
    client.DiscardInput();
    client.DiscardInput();
    EXPECT_LT(ElapsedMs(start), 100);
    ASSERT_EQ(write(step[1], "x", 1), 1);
    std::uint8_t byte = 0;
    ASSERT_EQ(client.Receive(&byte, 1), 1);
    EXPECT_EQ(byte, 0x11);
    client.Close();
    close(step[0]);
    close(step[1]);
}

TEST(TcpClient, ReceiveSomeTakesTheBurstKeepsTheRestAndTheDrainDropsIt) {
    LoopbackPeer peer([&](int fd) {
        ReadExactly(fd, 1, 3000);
        const std::uint8_t burst[] = {0x03, 0xA1, 0xA2, 0xA3, 0x02, 0xB1, 0xB2};
        ASSERT_EQ(PeerWrite(fd, burst, sizeof burst), static_cast<int>(sizeof burst));
        ReadExactly(fd, 1, 3000);
        const std::uint8_t fresh[] = {0x01, 0xC1};
        ASSERT_EQ(PeerWrite(fd, fresh, sizeof fresh), static_cast<int>(sizeof fresh));
        WaitForClose(fd);
    });
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.port(), 1));
    const std::uint8_t request = 0x42;
    ASSERT_EQ(client.Send(&request, 1), 1);
    // Two frames in one burst: the length byte, then the body and the next frame from what
    // the one receive brought.
    std::uint8_t byte = 0;
    ASSERT_EQ(client.ReceiveSome(&byte, 1, 1000), 1);
    EXPECT_EQ(byte, 0x03);
    std::uint8_t body[3] = {};
    ASSERT_EQ(client.Receive(body, 3), 3);
    EXPECT_EQ(body[2], 0xA3);
    ASSERT_EQ(client.ReceiveSome(body, 3, 1000), 3);
    EXPECT_EQ(body[0], 0x02);
    EXPECT_EQ(body[2], 0xB2);
    // Kept bytes are stale once the next request goes: the drain drops them.
    ASSERT_EQ(client.ReceiveSome(&byte, 1, 100), -1) << "nothing left, the time-out passes";
    ASSERT_EQ(client.Send(&request, 1), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(client.ReceiveSome(&byte, 1, 1000), 1);
    EXPECT_EQ(byte, 0x01);
    client.DiscardInput();
    const auto start = Clock::now();
    EXPECT_EQ(client.ReceiveSome(&byte, 1, 100), -1) << "the kept 0xC1 went with the drain";
    EXPECT_GE(ElapsedMs(start), 90);
    client.Close();
}

TEST(TcpClient, TimeOutsOfMillionsOfSecondsAreClampedNotOverflowed) {
    LoopbackPeer peer(Echo);
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.port(), 3000000));
    for (const int seconds : {3000000, INT_MAX}) {
        SCOPED_TRACE(seconds);
        EXPECT_EQ(client.SetTimeouts(seconds), 0);
        const std::uint8_t byte = 0x5C;
        ASSERT_EQ(client.Send(&byte, 1), 1);
        std::uint8_t back = 0;
        ASSERT_EQ(client.Receive(&back, 1), 1);
        EXPECT_EQ(back, 0x5C);
    }
    client.Close();
}

}  // namespace
