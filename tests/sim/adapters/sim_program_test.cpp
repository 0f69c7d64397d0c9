#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/reader_session.h"
#include "core/transport/serial_transport.h"
#include "core/transport/tcp_client.h"

// korvicard-sim as a user runs it: started, used by a driver session, stopped by a signal.

extern char** environ;

namespace {

// The program with its stdout and stderr on pipes.
class SimProgram {
public:
    explicit SimProgram(std::vector<std::string> args) {
        int out[2], err[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        args.insert(args.begin(), KORVICARD_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, KORVICARD_SIM_PATH, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~SimProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }

    // The first line of stdout (within ms).
    std::string FirstLine(int ms = 3000) {
        std::string line;
        char c;
        while (line.find('\n') == std::string::npos) {
            pollfd pfd{out_, POLLIN, 0};
            if (poll(&pfd, 1, ms) != 1 || read(out_, &c, 1) != 1) break;
            line += c;
        }
        if (!line.empty() && line.back() == '\n') line.pop_back();
        return line;
    }
    // Signals the program and returns its exit status (-1 when it does not end in 3 s).
    int Stop(int signal) {
        kill(pid_, signal);
        return Wait();
    }
    int Wait() {
        for (int i = 0; i < 300; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return -1;
    }
    // What the program wrote on stderr (after it ended).
    std::string Errors() {
        std::string text;
        char buf[512];
        ssize_t n;
        while ((n = read(err_, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
        return text;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

// A beep of 0 ms: command 11 with its time, two bytes little-endian.
bool Beep(ReaderSession& session) {
    const std::uint8_t time[2] = {0x00, 0x00};
    return session.Transact(11, time, 2, 1000);
}

TEST(SimProgram, ServesTcpAndLogsRequestsUntilSigterm) {
    SimProgram program({"--port", "0"});
    const std::string address = program.FirstLine();
    ASSERT_EQ(address.rfind("127.0.0.1:", 0), 0u) << address;
    const int port = std::stoi(address.substr(10));

    ReaderSession session;
    session.SetTcpClient(std::make_unique<TcpClient>());
    ASSERT_TRUE(session.OpenDevice("127.0.0.1", port, 0, 0, 1000));
    ASSERT_TRUE(Beep(session)) << session.GetErrorCode();
    session.CloseDevice();

    EXPECT_EQ(program.Stop(SIGTERM), 0);
    const std::string errors = program.Errors();
    EXPECT_NE(errors.find("request seq=00 cmd=0B payload=0000\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("stopping (SIGTERM)"), std::string::npos) << errors;
}

TEST(SimProgram, ServesAPseudoTerminalUntilSigint) {
    SimProgram program({"--pty"});
    const std::string path = program.FirstLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    ReaderSession session;
    session.SetSerialTransport(std::make_unique<SerialTransport>());
    ASSERT_TRUE(session.OpenDevice(path.c_str(), 0, 0, 0, 1000));
    ASSERT_TRUE(Beep(session)) << session.GetErrorCode();
    session.CloseDevice();

    EXPECT_EQ(program.Stop(SIGINT), 0);
    EXPECT_NE(program.Errors().find("cmd=0B"), std::string::npos);
}

TEST(SimProgram, RefusesBadArguments) {
    const std::vector<std::vector<std::string>> cases = {
        {"--port", "70000"}, {"--port", "12a"}, {"--port"}, {"--bogus"}};
    for (const auto& args : cases) {
        SimProgram program(args);
        EXPECT_EQ(program.Wait(), 2) << args[0];
        EXPECT_NE(program.Errors().find("usage:"), std::string::npos) << args[0];
    }
}

}  // namespace
