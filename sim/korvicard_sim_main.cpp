// korvicard-sim: the whole simulated reader (ReaderRig) as a program, on TCP
// (127.0.0.1:12345 by default) or on a pseudo-terminal, with the identity server, the
// dispatch server and the photo decoder on their own loopback addresses, for manual runs of
// the driver and the test bench. Lines on its standard input change the cards in the RF
// field while it serves (FieldConsole); their answers go to its standard output.

#include <arpa/inet.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/adapters/pty_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/field_console.h"
#include "sim/servers/identity_services.h"
#include "sim/servers/photo_decoder_server.h"
#include "sim/simulated_reader_rig.h"

namespace {

constexpr int kDefaultPort = 12345;
constexpr const char* kDefaultCard = "mifare1k";
constexpr int kDefaultIdServerPort = 10000;

// A port text 0-65535.
bool ParsePort(const char* text, int* port) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < 0 || value > 65535) return false;
    *port = static_cast<int>(value);
    return true;
}

// A dotted address of 127.0.0.0/8.
bool IsLoopback(const std::string& address) {
    in_addr parsed{};
    return inet_pton(AF_INET, address.c_str(), &parsed) == 1 && (ntohl(parsed.s_addr) >> 24) == 127;
}

void Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--port N] [--pty] [--card KIND]... [--id-server ADDRESS[:PORT]]\n"
                 "          [--dispatch-server ADDRESS] [--decoder ADDRESS]\n"
                 "  --port N     serve on 127.0.0.1:N (default %d; 0 picks a free port)\n"
                 "  --pty        serve on a pseudo-terminal instead and print its path\n"
                 "  --card KIND  a card in the RF field at start (default %s), at most one\n"
                 "               per protocol (type A, type B, FeliCa):\n"
                 "               %s\n"
                 "  --id-server ADDRESS[:PORT]   also serve an identity server (port %d unless\n"
                 "                               given; 0 picks a free port)\n"
                 "  --dispatch-server ADDRESS    also serve a dispatch server on port 31213 that\n"
                 "                               assigns the identity server (needs --id-server)\n"
                 "  --decoder ADDRESS            also serve the photo decoder on port 60825\n"
                 "Server addresses are loopback addresses (127.x.y.z).\n"
                 "The reader also holds a PSAM in SAM slot 0 and a contact bank card in slot 1,\n"
                 "three tags before its M100 UHF module, its WiFi module (station mode, three\n"
                 "access points), one ticket in its printer capture, and reports itself as a\n"
                 "V3-U.\n"
                 "Once it serves, it prints its address (or path), then a line on how to place\n"
                 "cards. A line \"card KIND...\" on standard input takes every card out of the\n"
                 "field and holds these, \"card none\" empties it; each line is answered on\n"
                 "standard output. The end of the input changes nothing.\n",
                 program, kDefaultPort, kDefaultCard, sim::FieldCardNames("|").c_str(),
                 kDefaultIdServerPort);
}

void LogRequest(const sim::Request& request) {
    std::string line = "request seq=";
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", request.sequence);
    line += hex;
    std::snprintf(hex, sizeof hex, "%02X", request.command);
    line += " cmd=";
    line += hex;
    line += " payload=";
    for (std::uint8_t b : request.payload) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

void Answer(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// Answers the console's lines on standard input until SIGINT or SIGTERM, which it returns;
// after the end of the input it only waits for the signal.
int ServeUntilSignalled(const sigset_t& stopSignals, sim::FieldConsole& console) {
    const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    pollfd watched[2] = {{signals, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    nfds_t count = signals < 0 ? 0 : 2;
    while (count > 0) {
        if (poll(watched, count, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        signalfd_siginfo info{};
        if ((watched[0].revents & POLLIN) && read(signals, &info, sizeof info) == sizeof info) {
            close(signals);
            return static_cast<int>(info.ssi_signo);
        }
        if (count == 2 && watched[1].revents != 0) {
            char bytes[512];
            const ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n > 0) {
                Answer(console.Take({bytes, static_cast<std::size_t>(n)}));
            } else {
                Answer(console.Finish());
                count = 1;
            }
        }
    }
    if (signals >= 0) close(signals);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    return signal;
}

}  // namespace

int main(int argc, char** argv) {
    int port = kDefaultPort;
    bool pty = false;
    std::vector<std::string_view> cardNames;
    std::optional<std::string> idServer;
    int idServerPort = kDefaultIdServerPort;
    std::optional<std::string> dispatchServer;
    std::optional<std::string> decoder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pty") == 0) {
            pty = true;
        } else if (std::strcmp(argv[i], "--card") == 0 && i + 1 < argc) {
            cardNames.emplace_back(argv[++i]);
        } else if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            if (!ParsePort(argv[++i], &port)) {
                Usage(argv[0]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--id-server") == 0 && i + 1 < argc) {
            const std::string value = argv[++i];
            const std::size_t colon = value.find(':');
            idServer = value.substr(0, colon);
            if (colon != std::string::npos &&
                !ParsePort(value.c_str() + colon + 1, &idServerPort)) {
                Usage(argv[0]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--dispatch-server") == 0 && i + 1 < argc) {
            dispatchServer = argv[++i];
        } else if (std::strcmp(argv[i], "--decoder") == 0 && i + 1 < argc) {
            decoder = argv[++i];
        } else {
            Usage(argv[0]);
            return 2;
        }
    }

    if (cardNames.empty()) cardNames.emplace_back(kDefaultCard);
    std::string cardError;
    const std::optional<std::vector<sim::FieldCard>> cards =
        sim::ChooseFieldCards(cardNames, &cardError);
    if (!cards) {
        std::fprintf(stderr, "korvicard-sim: %s\n", cardError.c_str());
        Usage(argv[0]);
        return 2;
    }

    const auto badAddress = [](const std::optional<std::string>& address) {
        return address && !IsLoopback(*address);
    };
    if (badAddress(idServer) || badAddress(dispatchServer) || badAddress(decoder) ||
        (dispatchServer && !idServer)) {
        Usage(argv[0]);
        return 2;
    }

    // SIGINT and SIGTERM are taken by sigwait below, never by a handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // A read of the terminal from the background fails instead of stopping the program; a
    // reader of its output that went away costs the answers, not the program.
    signal(SIGTTIN, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);

    sim::ReaderRig rig(sim::FieldCard::kNone);
    rig.PlaceFieldCards(*cards);
    std::fprintf(stderr, "korvicard-sim: %s\n", sim::DescribeFieldCards(*cards).c_str());
    sim::ReaderPort readerPort(rig.reader());
    readerPort.SetObserver(LogRequest);
    // The adapters' threads reach the rig through the port: the field changes under its lock.
    sim::FieldConsole console(*cards, [&](const std::vector<sim::FieldCard>& placed) {
        readerPort.WithReader([&](sim::SimulatedReader&) { rig.PlaceFieldCards(placed); });
    });

    std::optional<IdentityServerService> identity;
    std::optional<DispatchService> dispatch;
    std::optional<PhotoDecoderServer> photoDecoder;
    try {
        if (idServer) {
            identity.emplace(*idServer, idServerPort);
            std::fprintf(stderr, "korvicard-sim: identity server %s:%d\n", idServer->c_str(),
                         identity->Port());
        }
        if (dispatchServer) {
            dispatch.emplace(*dispatchServer, *idServer, identity->Port());
            std::fprintf(stderr, "korvicard-sim: dispatch server %s:%d\n", dispatchServer->c_str(),
                         DispatchServer::kPort);
        }
        if (decoder) {
            photoDecoder.emplace(*decoder);
            std::fprintf(stderr, "korvicard-sim: photo decoder %s:60825\n", decoder->c_str());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korvicard-sim: cannot start the identity servers: %s\n",
                     error.what());
        return 1;
    }

    sim::TcpServer server(readerPort);
    sim::PtyAdapter line(readerPort);
    if (pty) {
        if (!line.Start()) {
            std::fprintf(stderr, "korvicard-sim: no pseudo-terminal: %s\n", std::strerror(errno));
            return 1;
        }
        std::printf("%s\n", line.SlavePath().c_str());
    } else {
        if (!server.Start(static_cast<std::uint16_t>(port))) {
            std::fprintf(stderr, "korvicard-sim: cannot listen on 127.0.0.1:%d: %s\n", port,
                         std::strerror(errno));
            return 1;
        }
        std::printf("127.0.0.1:%u\n", server.Port());
    }
    Answer(console.Hint());

    const int signal = ServeUntilSignalled(stopSignals, console);
    std::fprintf(stderr, "korvicard-sim: stopping (%s)\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
    server.Stop();
    line.Stop();
    return 0;
}
