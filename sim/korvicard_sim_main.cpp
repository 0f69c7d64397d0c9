// korvicard-sim: the whole simulated reader (ReaderRig) as a program, on TCP
// (127.0.0.1:12345 by default) or on a pseudo-terminal, with the identity server, the
// dispatch server and the photo decoder on their own loopback addresses, for manual runs of
// the driver and the test bench.

#include <arpa/inet.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "sim/adapters/pty_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
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
                 "usage: %s [--port N] [--pty] [--card KIND] [--id-server ADDRESS[:PORT]]\n"
                 "          [--dispatch-server ADDRESS] [--decoder ADDRESS]\n"
                 "  --port N     serve on 127.0.0.1:N (default %d; 0 picks a free port)\n"
                 "  --pty        serve on a pseudo-terminal instead and print its path\n"
                 "  --card KIND  the card in the RF field at start (default %s):\n"
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
                 "V3-U.\n",
                 program, kDefaultPort, kDefaultCard, sim::FieldCardNames().c_str(),
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

}  // namespace

int main(int argc, char** argv) {
    int port = kDefaultPort;
    bool pty = false;
    const char* cardName = kDefaultCard;
    std::optional<sim::FieldCard> card = sim::ParseFieldCard(cardName);
    std::optional<std::string> idServer;
    int idServerPort = kDefaultIdServerPort;
    std::optional<std::string> dispatchServer;
    std::optional<std::string> decoder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pty") == 0) {
            pty = true;
        } else if (std::strcmp(argv[i], "--card") == 0 && i + 1 < argc) {
            cardName = argv[++i];
            card = sim::ParseFieldCard(cardName);
            if (!card) {
                Usage(argv[0]);
                return 2;
            }
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

    sim::ReaderRig rig(*card);
    std::fprintf(stderr, "korvicard-sim: card in the field: %s\n", cardName);
    sim::ReaderPort readerPort(rig.reader());
    readerPort.SetObserver(LogRequest);

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
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::fprintf(stderr, "korvicard-sim: stopping (%s)\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
    server.Stop();
    line.Stop();
    return 0;
}
