// korvicard-sim: the whole simulated reader (ReaderRig) as a program, on TCP
// (127.0.0.1:12345 by default) or on a pseudo-terminal, with the identity server, the
// dispatch server and the photo decoder on their own loopback addresses, for manual runs of
// the driver and the test bench. Lines on its standard input change the cards in the RF
// field while it serves (FieldConsole); their answers go to its standard output.

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/protocol/reader_protocol_constants.h"
#include "sim/adapters/pty_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/field_console.h"
#include "sim/loopback_address.h"
#include "sim/rig_population.h"
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
    return sim::ParseLoopbackAddress(address.c_str(), &parsed);
}

void Usage(std::FILE* out, const char* program) {
    std::fprintf(out,
                 "usage: %s [--port N] [--pty] [--card KIND]... [--id-server ADDRESS[:PORT]]\n"
                 "          [--dispatch-server ADDRESS] [--decoder ADDRESS]... [--help]\n"
                 "  --port N     serve on 127.0.0.1:N (default %d; 0 picks a free port)\n"
                 "  --pty        serve on a pseudo-terminal instead and print its path\n"
                 "  --card KIND  a card in the RF field at start (default %s), at most one\n"
                 "               per protocol (type A, type B, FeliCa):\n"
                 "               %s\n"
                 "  --id-server ADDRESS[:PORT]   also serve an identity server (port %d unless\n"
                 "                               given; 0 picks a free port)\n"
                 "  --dispatch-server ADDRESS    also serve a dispatch service on port %d that\n"
                 "                               assigns the identity server (needs --id-server)\n"
                 "  --decoder ADDRESS            also serve a photo decoder on port %d; once\n"
                 "                               for each address given\n"
                 "  --help       print this text and exit\n"
                 "Server addresses are loopback addresses (127.x.y.z).\n"
                 "The reader also holds a PSAM in SAM slot 0, a contact bank card in slot 1, a\n"
                 "SIM in slot 2, a social-security card in slot 3 and a Sinopec fuel card in\n"
                 "slot 4, three tags before its M100 UHF module, its WiFi module (station mode,\n"
                 "three access points to scan), one ticket in its printer capture, relays\n"
                 "switched with the password %s, and reports itself as a V3-U; it starts\n"
                 "on protocol A.\n"
                 "Once it serves, it prints its address (or path), then a line on how to place\n"
                 "cards. A line \"card KIND...\" on standard input takes every card out of the\n"
                 "field and holds these, \"card none\" empties it; each line but a blank one\n"
                 "is answered on standard output. The end of the input changes nothing.\n",
                 program, kDefaultPort, kDefaultCard, sim::FieldCardNames("|").c_str(),
                 kDefaultIdServerPort, DispatchServer::kPort, kDecoderPort,
                 sim::kSampleRelayPassword);
}

// What the command line asks for.
struct Options {
    int port = kDefaultPort;
    bool pty = false;
    bool help = false;
    std::vector<std::string_view> cardNames;
    std::optional<std::string> idServer;
    int idServerPort = kDefaultIdServerPort;
    std::optional<std::string> dispatchServer;
    std::vector<std::string> decoders;
};

// Reads the command line into *options; on a usage error returns what is wrong.
std::optional<std::string> ParseOptions(int argc, char** argv, Options* options) {
    const auto notLoopback = [](const std::string& option, const std::string& address) {
        return option + " " + address + ": not a loopback address (127.x.y.z)";
    };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--pty") {
            options->pty = true;
            continue;
        }
        if (option == "--help") {
            options->help = true;
            continue;
        }
        if (option != "--card" && option != "--port" && option != "--id-server" &&
            option != "--dispatch-server" && option != "--decoder") {
            return "unknown option " + option;
        }
        if (i + 1 == argc) return option + " needs a value";
        const std::string value = argv[++i];
        if (option == "--card") {
            options->cardNames.emplace_back(argv[i]);
        } else if (option == "--port") {
            if (!ParsePort(value.c_str(), &options->port)) {
                return "--port " + value + ": not a port number 0-65535";
            }
        } else if (option == "--id-server") {
            const std::size_t colon = value.find(':');
            options->idServer = value.substr(0, colon);
            if (!IsLoopback(*options->idServer)) return notLoopback(option, value);
            if (colon != std::string::npos &&
                !ParsePort(value.c_str() + colon + 1, &options->idServerPort)) {
                return "--id-server " + value + ": " + value.substr(colon + 1) +
                       " is not a port number 0-65535";
            }
        } else if (!IsLoopback(value)) {
            return notLoopback(option, value);
        } else if (option == "--dispatch-server") {
            options->dispatchServer = value;
        } else if (std::find(options->decoders.begin(), options->decoders.end(), value) ==
                   options->decoders.end()) {
            // An address given twice gets one decoder.
            options->decoders.push_back(value);
        }
    }
    if (options->dispatchServer && !options->idServer) {
        return "--dispatch-server needs --id-server: the dispatch service assigns that "
               "identity server";
    }
    return std::nullopt;
}

// A server of this korvicard-sim: its name, loopback address and port.
struct Served {
    std::string server;
    std::string address;
    int port;
};

// The server of served on address:port, or nullptr (a loopback address has one dotted form).
const Served* ServedOn(const std::vector<Served>& served, const std::string& address, int port) {
    for (const Served& entry : served) {
        if (entry.address == address && entry.port == port) return &entry;
    }
    return nullptr;
}

// The line for an address that cannot be taken: what was to be done there, why not (the
// server of this korvicard-sim on it, or else the system's reason) and the option that moves
// it.
void PrintTaken(const std::string& what, const std::string& address, int port, const Served* own,
                const std::string& reason, const std::string& moves) {
    const std::string why = own != nullptr
                                ? "this korvicard-sim serves its " + own->server + " there"
                                : reason + ". Another korvicard-sim or run command may hold it";
    std::fprintf(stderr, "korvicard-sim: cannot %s on %s:%d: %s; %s.\n", what.c_str(),
                 address.c_str(), port, why.c_str(), moves.c_str());
}

// Starts one of the identity services (start returns the port it serves) and adds it to
// served; false, with a line naming the service, its address, why it is taken and the option
// that moves it, when its address cannot be served.
template <typename Start>
bool StartService(const std::string& service, const std::string& address, int port,
                  const std::string& option, std::vector<Served>& served, Start start) {
    const Served* own = ServedOn(served, address, port);
    std::string reason;
    if (own == nullptr) {
        try {
            served.push_back({service, address, start()});
            return true;
        } catch (const std::system_error& error) {
            reason = error.code().message();
        }
    }
    PrintTaken("serve the " + service, address, port, own, reason,
               option + " serves it on another address");
    return false;
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
    Options options;
    if (const std::optional<std::string> wrong = ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "korvicard-sim: %s\n", wrong->c_str());
        Usage(stderr, argv[0]);
        return 2;
    }
    if (options.help) {
        Usage(stdout, argv[0]);
        return 0;
    }

    if (options.cardNames.empty()) options.cardNames.emplace_back(kDefaultCard);
    std::string cardError;
    const std::optional<std::vector<sim::FieldCard>> cards =
        sim::ChooseFieldCards(options.cardNames, &cardError);
    if (!cards) {
        std::fprintf(stderr, "korvicard-sim: %s\n", cardError.c_str());
        Usage(stderr, argv[0]);
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
    std::list<PhotoDecoderServer> photoDecoders;
    std::vector<Served> served;
    if (options.idServer) {
        const std::string& address = *options.idServer;
        if (!StartService("identity server", address, options.idServerPort,
                          "--id-server ADDRESS[:PORT]", served, [&] {
                              identity.emplace(address, options.idServerPort);
                              return identity->Port();
                          })) {
            return 1;
        }
        std::fprintf(stderr, "korvicard-sim: identity server %s:%d\n", address.c_str(),
                     identity->Port());
    }
    if (options.dispatchServer) {
        const std::string& address = *options.dispatchServer;
        if (!StartService("dispatch service", address, DispatchServer::kPort,
                          "--dispatch-server ADDRESS", served, [&] {
                              dispatch.emplace(address, *options.idServer, identity->Port());
                              return DispatchServer::kPort;
                          })) {
            return 1;
        }
        std::fprintf(stderr, "korvicard-sim: dispatch server %s:%d\n", address.c_str(),
                     DispatchServer::kPort);
    }
    for (const std::string& address : options.decoders) {
        if (!StartService("photo decoder", address, kDecoderPort, "--decoder ADDRESS", served, [&] {
                photoDecoders.emplace_back(address);
                return kDecoderPort;
            })) {
            return 1;
        }
        std::fprintf(stderr, "korvicard-sim: photo decoder %s:%d\n", address.c_str(), kDecoderPort);
    }

    sim::TcpServer server(readerPort);
    sim::PtyAdapter line(readerPort);
    if (options.pty) {
        if (!line.Start()) {
            std::fprintf(stderr, "korvicard-sim: no pseudo-terminal: %s\n", std::strerror(errno));
            return 1;
        }
        std::printf("%s\n", line.SlavePath().c_str());
    } else {
        const Served* own = ServedOn(served, "127.0.0.1", options.port);
        if (own != nullptr || !server.Start(static_cast<std::uint16_t>(options.port))) {
            const std::string reason = std::strerror(errno);
            PrintTaken("listen", "127.0.0.1", options.port, own, reason,
                       "--port N serves it on another port (0 picks a free port)");
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
