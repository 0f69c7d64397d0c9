#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

// korvicard-sim as a process (KORVICARD_SIM_PATH), with its stdin, stdout and stderr on pipes.

extern char** environ;

namespace sim_test {

class SimProgram {
  public:
    explicit SimProgram(std::vector<std::string> args) {
        int in[2], out[2], err[2];
        EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        args.insert(args.begin(), KORVICARD_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, KORVICARD_SIM_PATH, &actions, nullptr, argv.data(), environ),
                  0);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
    }
    ~SimProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        CloseInput();
        close(out_);
        close(err_);
    }
    SimProgram(const SimProgram&) = delete;
    SimProgram& operator=(const SimProgram&) = delete;

    // Writes text to the program's stdin.
    bool Input(const std::string& text) {
        return write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    // Ends the program's input.
    void CloseInput() {
        if (in_ >= 0) close(in_);
        in_ = -1;
    }
    // The next line of stdout (within ms).
    std::string Line(int ms = 3000) {
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
    // The TCP port of the first line "127.0.0.1:N", or -1 when the line is another.
    int TcpPort() {
        const std::string address = Line();
        if (address.rfind("127.0.0.1:", 0) != 0) return -1;
        return std::stoi(address.substr(10));
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
    // What the program wrote on stderr and on stdout (after it ended; stdout past the
    // lines Line took).
    std::string Errors() { return ReadAll(err_); }
    std::string Output() { return ReadAll(out_); }

  private:
    static std::string ReadAll(int fd) {
        std::string text;
        char buf[512];
        ssize_t n;
        while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
        return text;
    }

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
};

}  // namespace sim_test
