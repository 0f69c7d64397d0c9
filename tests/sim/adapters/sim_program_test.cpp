#include "sim/adapters/sim_program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/protocol/reader_protocol_constants.h"
#include "core/protocol/reader_session.h"
#include "core/transport/serial_transport.h"
#include "core/transport/tcp_client.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/simulated_reader.h"

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

// The program's exit status, or -1 when it still runs after 3 s; then it is killed, so that
// its output can be read to the end.
int EndOf(SimProgram& program) {
    const int status = program.Wait();
    if (status == -1) program.Stop(SIGKILL);
    return status;
}

// A usage error: exit code 2, the first line saying what is wrong, then the usage.
void ExpectUsageError(const std::vector<std::string>& args, const std::string& firstLine) {
    SimProgram program(args);
    EXPECT_EQ(EndOf(program), 2) << firstLine;
    const std::string errors = program.Errors();
    EXPECT_EQ(errors.substr(0, errors.find('\n')), firstLine);
    EXPECT_NE(errors.find("\nusage: "), std::string::npos) << errors;
}

// An address korvicard-sim cannot take: exit code 1, the line saying why, and no reader.
void ExpectRefusedToServe(const std::vector<std::string>& args, const std::string& line) {
    SimProgram program(args);
    EXPECT_EQ(EndOf(program), 1) << line;
    EXPECT_NE(program.Errors().find(line), std::string::npos) << line;
    EXPECT_EQ(program.Output(), "") << "it does not serve the reader either";
}

// Each usage error names the option or value that is wrong and why, then the usage.
TEST(SimProgram, RefusesBadArgumentsSayingWhy) {
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    };
    const Case cases[] = {
        {{"--port", "70000"}, "korvicard-sim: --port 70000: not a port number 0-65535"},
        {{"--port", "12a"}, "korvicard-sim: --port 12a: not a port number 0-65535"},
        {{"--port", "abc"}, "korvicard-sim: --port abc: not a port number 0-65535"},
        {{"--port"}, "korvicard-sim: --port needs a value"},
        {{"--bogus"}, "korvicard-sim: unknown option --bogus"},
        {{"--id-server", "10.1.2.3"},
         "korvicard-sim: --id-server 10.1.2.3: not a loopback address (127.x.y.z)"},
        {{"--id-server", "127.0.0.2:99999"},
         "korvicard-sim: --id-server 127.0.0.2:99999: 99999 is not a port number 0-65535"},
        {{"--decoder", "localhost"},
         "korvicard-sim: --decoder localhost: not a loopback address (127.x.y.z)"},
        {{"--dispatch-server", "127.0.0.3"},
         "korvicard-sim: --dispatch-server needs --id-server: the dispatch service assigns "
         "that identity server"},
        {{"--card", "bogus"}, "korvicard-sim: no card is called \"bogus\""},
    };
    for (const Case& c : cases) ExpectUsageError(c.args, c.firstLine);
}

// The first addresses outside 127.0.0.0/8 and the first port past 65535 are refused for every
// option that takes them (the reader on a free port, should one be taken for good).
TEST(SimProgram, RefusesAddressesAndPortsJustPastTheirRange) {
    struct Option {
        std::vector<std::string> before;
        std::string name;
    };
    const Option serverOptions[] = {
        {{}, "--id-server"},
        {{"--id-server", "127.0.0.60:0"}, "--dispatch-server"},
        {{}, "--decoder"},
    };
    for (const Option& option : serverOptions) {
        for (const char* address : {"126.255.255.255", "128.0.0.1", "255.255.255.255"}) {
            std::vector<std::string> args = {"--port", "0"};
            args.insert(args.end(), option.before.begin(), option.before.end());
            args.insert(args.end(), {option.name, address});
            ExpectUsageError(args, "korvicard-sim: " + option.name + " " + address +
                                       ": not a loopback address (127.x.y.z)");
        }
    }
    ExpectUsageError({"--port", "65536"}, "korvicard-sim: --port 65536: not a port number 0-65535");
    ExpectUsageError({"--port", "0", "--id-server", "127.0.0.60:65536"},
                     "korvicard-sim: --id-server 127.0.0.60:65536: 65536 is not a port number "
                     "0-65535");
}

// The last address of 127.0.0.0/8 short of its broadcast address and port 65535 are served.
TEST(SimProgram, ServesAtTheEndsOfTheAddressesAndPorts) {
    struct Case {
        std::vector<std::string> args;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {{"--port", "65535"}, "127.0.0.1", 65535},
        {{"--port", "0", "--id-server", "127.255.255.254:65535"}, "127.255.255.254", 65535},
        {{"--port", "0", "--id-server", "127.0.0.60:0", "--dispatch-server", "127.255.255.254"},
         "127.255.255.254",
         31213},
        {{"--port", "0", "--decoder", "127.255.255.254"}, "127.255.255.254", kDecoderPort},
    };
    for (const Case& c : cases) {
        SimProgram program(c.args);
        EXPECT_GT(program.TcpPort(), 0) << c.args.back();
        TcpClient client;
        EXPECT_TRUE(client.Connect(c.host, c.port, 1)) << c.host << ":" << c.port;
        client.Close();
        EXPECT_EQ(program.Stop(SIGTERM), 0) << c.args.back();
    }
}

TEST(SimProgram, HelpGoesToStandardOutput) {
    SimProgram program({"--help"});
    EXPECT_EQ(program.Wait(), 0);
    const std::string usage = program.Output();
    EXPECT_EQ(usage.rfind("usage: ", 0), 0u) << usage;
    for (const char* held : {"SAM slot 0", "slot 4", "M100", "V3-U", "1357924680"}) {
        EXPECT_NE(usage.find(held), std::string::npos) << held;
    }
    EXPECT_EQ(program.Errors(), "");
}

// A server address that is taken: the line names the server, its address and port, the
// system's reason and the option that moves it.
TEST(SimProgram, TakenServerAddressSaysWhichAndHowToMoveIt) {
    struct Case {
        std::vector<std::string> args;
        const char* takenHost;
        int takenPort;
        std::string line;
    };
    const std::string decoderPort = std::to_string(kDecoderPort);
    // A port of 127.0.0.1 free now, for the reader and the identity server both to ask for.
    std::string freePort;
    {
        sim::SimulatedReader reader;
        sim::ReaderPort readerPort(reader);
        sim::TcpServer probe(readerPort);
        ASSERT_TRUE(probe.Start(0, "127.0.0.1"));
        freePort = std::to_string(probe.Port());
    }
    const Case cases[] = {
        {{"--id-server", "127.0.0.55:10000"},
         "127.0.0.55",
         10000,
         "korvicard-sim: cannot serve the identity server on 127.0.0.55:10000: Address already "
         "in use. Another korvicard-sim or run command may hold it; --id-server "
         "ADDRESS[:PORT] serves it on another address.\n"},
        {{"--id-server", "127.0.0.56:0", "--dispatch-server", "127.0.0.57"},
         "127.0.0.57",
         31213,
         "korvicard-sim: cannot serve the dispatch service on 127.0.0.57:31213: Address already "
         "in use. Another korvicard-sim or run command may hold it; --dispatch-server ADDRESS "
         "serves it on another address.\n"},
        {{"--decoder", "127.0.0.58"},
         "127.0.0.58",
         kDecoderPort,
         "korvicard-sim: cannot serve the photo decoder on 127.0.0.58:" + decoderPort +
             ": Address already in use. Another korvicard-sim or run command may hold it; "
             "--decoder ADDRESS serves it on another address.\n"},
    };
    for (const Case& c : cases) {
        sim::SimulatedReader reader;
        sim::ReaderPort readerPort(reader);
        sim::TcpServer holder(readerPort);
        ASSERT_TRUE(holder.Start(static_cast<std::uint16_t>(c.takenPort), c.takenHost));
        std::vector<std::string> args = {"--port", "0"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ExpectRefusedToServe(args, c.line);
    }
}

// The reader's own port, taken: its address and port, the system's reason, what may hold it
// and the option that moves it.
TEST(SimProgram, TakenReaderPortSaysWhatMayHoldItAndHowToMoveIt) {
    sim::SimulatedReader reader;
    sim::ReaderPort readerPort(reader);
    sim::TcpServer holder(readerPort);
    ASSERT_TRUE(holder.Start(0, "127.0.0.1"));
    const std::string port = std::to_string(holder.Port());
    ExpectRefusedToServe({"--port", port},
                         "korvicard-sim: cannot listen on 127.0.0.1:" + port +
                             ": Address already in use. Another korvicard-sim or run command "
                             "may hold it; --port N serves it on another port (0 picks a free "
                             "port).\n");
}

// An address one of its own servers already serves is named as that server's, not blamed on
// another program.
TEST(SimProgram, AddressItServesItselfIsNamedAsItsOwn) {
    struct Case {
        std::vector<std::string> args;
        std::string line;
    };
    const std::string decoderPort = std::to_string(kDecoderPort);
    // A port of 127.0.0.1 free now, for the reader and the identity server both to ask for.
    std::string freePort;
    {
        sim::SimulatedReader reader;
        sim::ReaderPort readerPort(reader);
        sim::TcpServer probe(readerPort);
        ASSERT_TRUE(probe.Start(0, "127.0.0.1"));
        freePort = std::to_string(probe.Port());
    }
    const Case cases[] = {
        {{"--port", "0", "--id-server", "127.0.0.62:31213", "--dispatch-server", "127.0.0.62"},
         "korvicard-sim: cannot serve the dispatch service on 127.0.0.62:31213: this "
         "korvicard-sim serves its identity server there; --dispatch-server ADDRESS serves it "
         "on another address.\n"},
        {{"--port", "0", "--id-server", "127.0.0.63:" + decoderPort, "--decoder", "127.0.0.63"},
         "korvicard-sim: cannot serve the photo decoder on 127.0.0.63:" + decoderPort +
             ": this korvicard-sim serves its identity server there; --decoder ADDRESS serves "
             "it on another address.\n"},
        {{"--port", freePort, "--id-server", "127.0.0.1:" + freePort},
         "korvicard-sim: cannot listen on 127.0.0.1:" + freePort +
             ": this korvicard-sim serves its identity server there; --port N serves it on "
             "another port (0 picks a free port).\n"},
    };
    for (const Case& c : cases) ExpectRefusedToServe(c.args, c.line);
}

}  // namespace
