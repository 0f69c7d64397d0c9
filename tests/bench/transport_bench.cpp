// Round trips per second of ReaderSession::Transact with a small payload on the callback
// route, TCP loopback and a pseudo-terminal, each beside raw baselines over the same link:
//   Raw...Simulator: the same request bytes, built once, sent to the same simulated reader
//                    and its reply read back, with no driver in between;
//   Raw...Echo:      a plain peer that answers each request with as many bytes as the
//                    reader's reply, so only the link itself costs.
// Build a release tree and run build/release/tests/bench/korvicard_transport_bench.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <thread>
#include <vector>

#include "core/protocol/reader_session.h"
#include "core/transport/serial_transport.h"
#include "core/transport/tcp_client.h"
#include "sim/adapters/pty_adapter.h"
#include "sim/adapters/reader_port.h"
#include "sim/adapters/tcp_server.h"
#include "sim/callback_adapter.h"
#include "sim/sim_frames.h"
#include "sim/simulated_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kCommand = 0x20;
const Bytes kPayload = {1, 2, 3, 4, 5, 6, 7, 8};
constexpr int kHandle = 77;

// The simulated reader answering kCommand with its payload, on every link.
struct Rig {
    Rig() {
        reader.SetHandler(kCommand, [](const sim::Request& r) { return sim::Reply::Ok(r.payload); });
    }
    sim::SimulatedReader reader;
    sim::ReaderPort port{reader};
};

// The request a session would send, laid out once; the reply is 1 + L bytes.
const Bytes& RawRequest() {
    static const Bytes frame = sim_test::Request({0x5A, 0x17, 0xC3, 0x08}, 0, kCommand, kPayload);
    return frame;
}
constexpr std::size_t kReplySize = 1 + 1 + 3 + 8;  // length byte, body, check byte

bool WriteAll(int fd, const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, data, n);
        if (w <= 0) return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool ReadAll(int fd, std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 2000) != 1) return false;
        const ssize_t r = read(fd, data, n);
        if (r <= 0) return false;
        data += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

// One raw round trip: the request out, the whole reply in.
void RawRoundTrips(benchmark::State& state, int fd) {
    std::uint8_t reply[300];
    for (auto _ : state) {
        if (!WriteAll(fd, RawRequest().data(), RawRequest().size()) ||
            !ReadAll(fd, reply, kReplySize)) {
            state.SkipWithError("raw round trip failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
    state.SetItemsProcessed(state.iterations());
}

void DriverRoundTrips(benchmark::State& state, ReaderSession& session) {
    for (auto _ : state) {
        if (!session.Transact(kCommand, kPayload.data(), static_cast<unsigned>(kPayload.size()), 1000)) {
            state.SkipWithError("Transact failed");
            break;
        }
        benchmark::DoNotOptimize(session.ReplyPayload().data());
    }
    state.SetItemsProcessed(state.iterations());
}

// A peer that answers every request-sized read with a reply-sized block.
void Echo(int fd) {
    std::uint8_t request[300];
    const std::uint8_t reply[kReplySize] = {};
    while (ReadAll(fd, request, RawRequest().size()) && WriteAll(fd, reply, kReplySize)) {
    }
}

int ConnectLoopback(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void BM_Callback_Driver(benchmark::State& state) {
    Rig rig;
    sim::AttachSimulator(kHandle, rig.reader);
    ReaderSession session;
    session.SetHandleId(kHandle);
    session.SetExtendReadWrite(sim::SimulatorTransport);
    DriverRoundTrips(state, session);
    sim::DetachSimulator(kHandle);
}

void BM_Callback_RawSimulator(benchmark::State& state) {
    Rig rig;
    sim::AttachSimulator(kHandle, rig.reader);
    unsigned char piece[256];
    for (auto _ : state) {
        std::fill(std::begin(piece), std::end(piece), 0);
        std::copy(RawRequest().begin(), RawRequest().end(), piece);
        if (sim::SimulatorTransport(kHandle, 0, piece, 256) == 0 ||
            sim::SimulatorTransport(kHandle, 1, piece, 256) == 0 || piece[0] == 0) {
            state.SkipWithError("callback exchange failed");
            break;
        }
        benchmark::DoNotOptimize(piece);
    }
    state.SetItemsProcessed(state.iterations());
    sim::DetachSimulator(kHandle);
}

void BM_Tcp_Driver(benchmark::State& state) {
    Rig rig;
    sim::TcpServer server(rig.port);
    server.Start();
    ReaderSession session;
    session.SetTcpClient(std::make_unique<TcpClient>());
    if (!session.OpenDevice("127.0.0.1", server.Port(), 0, 0, 1000)) {
        state.SkipWithError("no connection");
        return;
    }
    DriverRoundTrips(state, session);
}

void BM_Tcp_RawSimulator(benchmark::State& state) {
    Rig rig;
    sim::TcpServer server(rig.port);
    server.Start();
    const int fd = ConnectLoopback(server.Port());
    RawRoundTrips(state, fd);
    close(fd);
}

void BM_Tcp_RawEcho(benchmark::State& state) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof sa;
    bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &length);
    std::thread peer([listener] {
        const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Echo(fd);
        close(fd);
    });
    const int fd = ConnectLoopback(ntohs(sa.sin_port));
    RawRoundTrips(state, fd);
    close(fd);
    peer.join();
    close(listener);
}

void BM_Pty_Driver(benchmark::State& state) {
    Rig rig;
    sim::PtyAdapter line(rig.port);
    line.Start();
    ReaderSession session;
    session.SetSerialTransport(std::make_unique<SerialTransport>());
    if (!session.OpenDevice(line.SlavePath().c_str(), 0, 0, 0, 1000)) {
        state.SkipWithError("no line");
        return;
    }
    DriverRoundTrips(state, session);
}

// The slave side of a pseudo-terminal opened raw, as a serial port would be.
int OpenRawSlave(const char* path) {
    const int fd = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    return fd;
}

void BM_Pty_RawSimulator(benchmark::State& state) {
    Rig rig;
    sim::PtyAdapter line(rig.port);
    line.Start();
    const int fd = OpenRawSlave(line.SlavePath().c_str());
    RawRoundTrips(state, fd);
    close(fd);
}

void BM_Pty_RawEcho(benchmark::State& state) {
    int master = -1, slave = -1;
    termios raw{};
    cfmakeraw(&raw);
    openpty(&master, &slave, nullptr, &raw, nullptr);
    std::thread peer([master] { Echo(master); });
    RawRoundTrips(state, slave);
    close(slave);  // the echo's read fails and it ends
    peer.join();
    close(master);
}

}  // namespace

BENCHMARK(BM_Callback_Driver);
BENCHMARK(BM_Callback_RawSimulator);
BENCHMARK(BM_Tcp_Driver)->UseRealTime();
BENCHMARK(BM_Tcp_RawSimulator)->UseRealTime();
BENCHMARK(BM_Tcp_RawEcho)->UseRealTime();
BENCHMARK(BM_Pty_Driver)->UseRealTime();
BENCHMARK(BM_Pty_RawSimulator)->UseRealTime();
BENCHMARK(BM_Pty_RawEcho)->UseRealTime();

BENCHMARK_MAIN();
