#include "driver/core/python_reference.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

std::string RunPython(const std::string& script) {
    const char* configured = std::getenv("KORVICARD_TEST_PYTHON");
    const std::string python =
        configured != nullptr && *configured != '\0' ? configured : "/usr/bin/python3";
    char path[] = "/tmp/korvicard_ref_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        ADD_FAILURE() << "cannot create a script file";
        return {};
    }
    close(fd);
    {
        std::ofstream file(path, std::ios::binary);
        file << script;
    }
    const std::string command = "'" + python + "' '" + path + "'";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot start " << python;
        unlink(path);
        return {};
    }
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
    const int status = pclose(pipe);
    unlink(path);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << python << " failed:\n" << script;
    return output;
}
