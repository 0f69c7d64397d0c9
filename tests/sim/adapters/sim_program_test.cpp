#include "sim/adapters/sim_program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/protocol/reader_session.h"
#include "core/transport/serial_transport.h"
#include "core/transport/tcp_client.h"

// korvicard-sim as a user runs it: started, used by a driver session, stopped by a signal.

namespace {

using sim_test::SimProgram;

// A beep of 0 ms: command 11 with its time, two bytes little-endian.
bool Beep(ReaderSession& session) {
    const std::uint8_t time[2] = {0x00, 0x00};
    return session.Transact(11, time, 2, 1000);
}

TEST(SimProgram, ServesTcpAndLogsRequestsUntilSigterm) {
    SimProgram program({"--port", "0"});
    const std::string address = program.Line();
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
    const std::string path = program.Line();
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
