#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "korvicard/KorviCardDriver.h"

// KorviCardSendMessage2Printer against a printer played on the master side of a
// pseudo-terminal.

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// The printer: takes the message off the line, then answers. The slave side stays open so
// the master keeps its line while the driver opens and closes the port.
class PtyPrinter {
  public:
    PtyPrinter() {
        char name[128] = {};
        ok_ = openpty(&master_, &slave_, name, nullptr, nullptr) == 0;
        path_ = name;
    }
    ~PtyPrinter() {
        if (thread_.joinable()) thread_.join();
        if (master_ >= 0) close(master_);
        if (slave_ >= 0) close(slave_);
    }
    PtyPrinter(const PtyPrinter&) = delete;
    PtyPrinter& operator=(const PtyPrinter&) = delete;

    // Waits (bounded) for `expect` bytes, keeps them, then writes `answer`.
    void Serve(std::size_t expect, Bytes answer) {
        thread_ = std::thread([this, expect, answer = std::move(answer)] {
            const auto deadline = Clock::now() + std::chrono::seconds(3);
            std::uint8_t buffer[512];
            while (received_.size() < expect && Clock::now() < deadline) {
                pollfd pfd{master_, POLLIN, 0};
                if (poll(&pfd, 1, 50) != 1) continue;
                const ssize_t n = read(master_, buffer, sizeof buffer);
                if (n > 0) received_.insert(received_.end(), buffer, buffer + n);
            }
            if (!answer.empty()) {
                EXPECT_EQ(write(master_, answer.data(), answer.size()),
                          static_cast<ssize_t>(answer.size()));
            }
        });
    }
    // The message as the printer got it (after the call returned).
    Bytes Received() {
        if (thread_.joinable()) thread_.join();
        return received_;
    }
    speed_t LineSpeed() const {
        termios tio{};
        tcgetattr(slave_, &tio);
        return cfgetospeed(&tio);
    }

    bool ok() const { return ok_; }
    const char* path() const { return path_.c_str(); }

  private:
    bool ok_ = false;
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
    std::thread thread_;
    Bytes received_;
};

Bytes Counting(std::size_t n) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 3);
    return bytes;
}

TEST(PrinterSerial, MessageOutAndAnswerBack) {
    struct Row {
        const char* what;
        Bytes answer;
        std::size_t stored;  // bytes of the answer in the reply buffer
    };
    const Row rows[] = {
        {"a full answer of 128 bytes comes back at once", Counting(128), 128},
        {"only 128 bytes of a longer answer are read", Counting(200), 128},
        {"a short answer after the wait", {0x10, 0x0F}, 2},
    };
    const Bytes message = {0x1B, 0x40, 'H', 'e', 'l', 'l', 'o', 0x0A, 0x1D, 0x56, 0x00};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PtyPrinter printer;
        ASSERT_TRUE(printer.ok());
        printer.Serve(message.size(), row.answer);
        Bytes reply(200, 0xEE);
        int replyLength = 130;
        const auto start = Clock::now();
        ASSERT_EQ(KorviCardSendMessage2Printer(printer.path(), message.data(),
                                               static_cast<int>(message.size()), reply.data(),
                                               &replyLength),
                  1);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1800));
        EXPECT_EQ(printer.Received(), message);
        EXPECT_EQ(printer.LineSpeed(), static_cast<speed_t>(B38400));
        ASSERT_EQ(replyLength, static_cast<int>(row.stored));
        EXPECT_EQ(Bytes(reply.begin(), reply.begin() + replyLength),
                  Bytes(row.answer.begin(), row.answer.begin() + replyLength));
        EXPECT_EQ(reply[row.stored], 0xEE);
    }
}

TEST(PrinterSerial, SilentPrinterAndRefusedArguments) {
    PtyPrinter printer;
    ASSERT_TRUE(printer.ok());
    const Bytes message = {'P', 'I', 'N', 'G'};
    printer.Serve(message.size(), {});
    Bytes reply(128, 0xEE);
    int replyLength = 128;
    // Sent, nothing answered: success, the reply length as it was.
    EXPECT_EQ(
        KorviCardSendMessage2Printer(printer.path(), message.data(), 4, reply.data(), &replyLength),
        1);
    EXPECT_EQ(printer.Received(), message);
    EXPECT_EQ(replyLength, 128);
    EXPECT_EQ(reply, Bytes(128, 0xEE));

    struct Row {
        const char* what;
        const char* port;
        const std::uint8_t* message;
        int length;
        std::uint8_t* reply;
        int replyLength;
    };
    const Row rows[] = {
        {"no such port", "/dev/korvicard-no-such-printer", message.data(), 4, reply.data(), 128},
        {"empty port name", "", message.data(), 4, reply.data(), 128},
        {"null port", nullptr, message.data(), 4, reply.data(), 128},
        {"null message", printer.path(), nullptr, 4, reply.data(), 128},
        {"length 0", printer.path(), message.data(), 0, reply.data(), 128},
        {"null reply", printer.path(), message.data(), 4, nullptr, 128},
        {"reply room below 128", printer.path(), message.data(), 4, reply.data(), 127},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int length = row.replyLength;
        EXPECT_EQ(
            KorviCardSendMessage2Printer(row.port, row.message, row.length, row.reply, &length), 0);
        EXPECT_EQ(length, row.replyLength);
    }
    EXPECT_EQ(
        KorviCardSendMessage2Printer(printer.path(), message.data(), 4, reply.data(), nullptr), 0);
}

}  // namespace
