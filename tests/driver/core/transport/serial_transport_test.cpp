#include "core/transport/serial_transport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "driver/core/transport/loopback_peer.h"

namespace {

using korvicard_test::ReadExactly;
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A pseudo-terminal: the transport opens the slave path, the test plays the reader on the
// master side.
class PtyLine : public ::testing::Test {
protected:
    void SetUp() override {
        int slave = -1;
        char name[128] = {};
        ASSERT_EQ(openpty(&master_, &slave, name, nullptr, nullptr), 0);
        path_ = name;
        close(slave);
    }
    void TearDown() override {
        if (master_ >= 0) close(master_);
    }
    bool OpenDefault(SerialTransport& port, int timeout = 1000) {
        return port.Open(path_.c_str(), 115200, 8, 1, 'n', timeout);
    }
    termios LineSettings() {
        termios tio{};
        int fd = open(path_.c_str(), O_RDWR | O_NOCTTY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(tcgetattr(fd, &tio), 0);
        close(fd);
        return tio;
    }
    void MasterWrite(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    int master_ = -1;
    std::string path_;
};

TEST_F(PtyLine, SessionDefaultsGiveRawEightNOne) {
    SerialTransport port;
    ASSERT_TRUE(OpenDefault(port));
    termios tio = LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);

    // Exclusive: further opens by other users are refused by the terminal layer.
    int other = open(path_.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    int exclusive = 0;
    ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    close(other);
}

TEST_F(PtyLine, ParityAndStopBitChoices) {
    struct Case {
        char parity;
        int stopBitCode;
        tcflag_t expected;
    };
    // Some kernels refuse parity on a pseudo-terminal: the open must then fail rather than
    // run on a line set otherwise than asked.
    const Case cases[] = {
        {'n', 1, 0},
        {'N', 0, 0},
        {'x', 1, 0},
        {'n', 2, CSTOPB},
        {'e', 1, PARENB},
        {'E', 1, PARENB},
        {'o', 1, PARENB | PARODD},
        {'M', 1, PARENB | PARODD | CMSPAR},
        {'s', 1, PARENB | CMSPAR},
    };
    for (const Case& c : cases) {
        SerialTransport port;
        const bool opened = port.Open(path_.c_str(), 115200, 8, c.stopBitCode, c.parity, 1000);
        if (c.expected == 0 || c.expected == CSTOPB) {
            ASSERT_TRUE(opened) << c.parity << ' ' << c.stopBitCode;
        }
        if (!opened) continue;
        termios tio = LineSettings();
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), c.expected)
            << c.parity << ' ' << c.stopBitCode;
    }
}

TEST_F(PtyLine, RefusesWhatCannotBeOpenedOrSet) {
    struct Case {
        const char* name;
        int baud;
        int dataBits;
        int stopBitCode;
    };
    const std::string pty = path_;
    const Case cases[] = {
        {nullptr, 115200, 8, 1},         {"", 115200, 8, 1},
        {"/nonexistent/tty", 115200, 8, 1}, {"/dev/null", 115200, 8, 1},
        {pty.c_str(), 12345, 8, 1},      {pty.c_str(), 115200, 9, 1},
        {pty.c_str(), 115200, 8, 3},     {pty.c_str(), 115200, 8, -1},
    };
    for (const Case& c : cases) {
        SerialTransport port;
        EXPECT_FALSE(port.Open(c.name, c.baud, c.dataBits, c.stopBitCode, 'n', 1000))
            << (c.name ? c.name : "null") << ' ' << c.baud << ' ' << c.dataBits << ' '
            << c.stopBitCode;
        EXPECT_FALSE(port.IsOpen());
        const std::uint8_t byte = 1;
        EXPECT_EQ(port.Write(&byte, 1), 0);
    }
}

TEST_F(PtyLine, SecondOpenKeepsThePortThatIsOpen) {
    SerialTransport port;
    ASSERT_TRUE(OpenDefault(port));
    EXPECT_TRUE(port.Open("/nonexistent/tty", 115200, 8, 1, 'n', 1000));
    const std::vector<std::uint8_t> frame = {0x03, 0x10, 0x20, 0x30};
    ASSERT_EQ(port.Write(frame.data(), 4), 4);
    EXPECT_EQ(ReadExactly(master_, 4), frame);
}

TEST_F(PtyLine, RoundTripAcrossSplitWrites) {
    SerialTransport port;
    ASSERT_TRUE(OpenDefault(port));
    const std::vector<std::uint8_t> request = {0x04, 0xAA, 0xBB, 0xCC, 0xDD};
    ASSERT_EQ(port.Write(request.data(), 5), 5);
    EXPECT_EQ(ReadExactly(master_, 5), request);

    std::thread reader([&] {
        MasterWrite({0x05, 0x01});
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        MasterWrite({0x02, 0x03, 0x04, 0x05});
    });
    std::uint8_t reply[6] = {};
    EXPECT_EQ(port.Read(reply, 6), 6);
    reader.join();
    EXPECT_EQ(reply[0], 0x05);
    EXPECT_EQ(reply[5], 0x05);
    EXPECT_EQ(port.Read(nullptr, 6), 0);
}

TEST_F(PtyLine, WriteDiscardsInputThatArrivedBeforeIt) {
    SerialTransport port;
    ASSERT_TRUE(OpenDefault(port));
    MasterWrite({0xEE, 0xEE, 0xEE});  // a late reply to an earlier request
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint8_t request[] = {0x01, 0x42};
    ASSERT_EQ(port.Write(request, 2), 2);
    EXPECT_EQ(ReadExactly(master_, 2), std::vector<std::uint8_t>({0x01, 0x42}));
    MasterWrite({0x11});
    port.SetReadTimeout(500);
    std::uint8_t byte = 0;
    ASSERT_EQ(port.Read(&byte, 1), 1);
    EXPECT_EQ(byte, 0x11);
}

TEST_F(PtyLine, ReadTimeOutFollowsTheCommandTimeOut) {
    SerialTransport port;
    ASSERT_TRUE(OpenDefault(port));
    port.SetReadTimeout(150);
    std::uint8_t buffer[4];
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 4), 0);
    EXPECT_GE(ElapsedMs(start), 140);
    EXPECT_LT(ElapsedMs(start), 400);

    // Part of a frame, then silence: the bytes that came, once the time-out passes.
    MasterWrite({0x09, 0x01});
    start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 4), 2);
    EXPECT_LT(ElapsedMs(start), 400);
}

TEST_F(PtyLine, OpenTimeOutIsWholeSecondsAtLeastOne) {
    struct Case {
        int timeout;
        long atLeastMs;
        long belowMs;
    };
    const Case cases[] = {{1, 990, 1400}, {1999, 990, 1400}};
    for (const Case& c : cases) {
        SerialTransport port;
        ASSERT_TRUE(OpenDefault(port, c.timeout));
        std::uint8_t byte;
        auto start = Clock::now();
        EXPECT_EQ(port.Read(&byte, 1), 0);
        const long waited = ElapsedMs(start);
        EXPECT_GE(waited, c.atLeastMs) << c.timeout;
        EXPECT_LT(waited, c.belowMs) << c.timeout;
    }
}

TEST_F(PtyLine, PeerGoneMidFrameEndsTheReadAtOnce) {
    SerialTransport port;
    ASSERT_TRUE(OpenDefault(port, 3000));
    std::thread gone([&] {
        MasterWrite({0x0A, 0x01, 0x02});
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        close(master_);
        master_ = -1;
    });
    std::uint8_t buffer[11];
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 11), 3);
    gone.join();
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_EQ(port.Read(buffer, 1), 0);
    EXPECT_LT(ElapsedMs(start), 1000);
}

TEST_F(PtyLine, ReadSomeTakesWhatArrivedAndTheNextWriteDropsTheRest) {
    SerialTransport port;
    ASSERT_TRUE(OpenDefault(port));
    port.SetReadTimeout(500);
    MasterWrite({0x03, 0xA1, 0xA2, 0xA3, 0x02, 0xB1, 0xB2});
    std::uint8_t byte = 0;
    ASSERT_EQ(port.ReadSome(&byte, 1), 1);
    EXPECT_EQ(byte, 0x03);
    std::uint8_t body[3] = {};
    ASSERT_EQ(port.Read(body, 3), 3);
    EXPECT_EQ(body[2], 0xA3);
    ASSERT_EQ(port.ReadSome(&byte, 1), 1);
    EXPECT_EQ(byte, 0x02);
    // The rest of the second frame is stale once a request goes out.
    const std::uint8_t request[] = {0x01, 0x42};
    ASSERT_EQ(port.Write(request, 2), 2);
    EXPECT_EQ(ReadExactly(master_, 2), std::vector<std::uint8_t>({0x01, 0x42}));
    MasterWrite({0x11});
    ASSERT_EQ(port.ReadSome(&byte, 1), 1);
    EXPECT_EQ(byte, 0x11);
    port.SetReadTimeout(100);
    const auto start = Clock::now();
    EXPECT_EQ(port.ReadSome(&byte, 1), 0);
    EXPECT_GE(ElapsedMs(start), 90);
}

}  // namespace
