// korvicard-sim: the whole simulated reader (ReaderRig) as a program, on TCP
// (127.0.0.1:12345 by default) or on a pseudo-terminal, for manual runs of the driver and
// the test bench.

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
#include "sim/simulated_reader_rig.h"

namespace {

constexpr int kDefaultPort = 12345;
constexpr const char* kDefaultCard = "mifare1k";

void Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--port N] [--pty] [--card KIND]\n"
                 "  --port N     serve on 127.0.0.1:N (default %d; 0 picks a free port)\n"
                 "  --pty        serve on a pseudo-terminal instead and print its path\n"
                 "  --card KIND  the card in the RF field at start (default %s):\n"
                 "               %s\n"
                 "The reader also holds a PSAM in SAM slot 0 and a contact bank card in slot 1,\n"
                 "three tags before its M100 UHF module, its WiFi module (station mode, three\n"
                 "access points), one ticket in its printer capture, and reports itself as a\n"
                 "V3-U.\n",
                 program, kDefaultPort, kDefaultCard, sim::FieldCardNames().c_str());
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
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 0 || value > 65535) {
                Usage(argv[0]);
                return 2;
            }
            port = static_cast<int>(value);
        } else {
            Usage(argv[0]);
            return 2;
        }
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
