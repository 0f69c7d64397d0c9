#include "sim/adapters/pty_adapter.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "sim/adapters/stream_pump.h"

namespace sim {

PtyAdapter::PtyAdapter(ReaderPort& port) : port_(port) {}

PtyAdapter::~PtyAdapter() { Stop(); }

bool PtyAdapter::Start() {
    if (master_ >= 0 || thread_.joinable()) return false;
    char name[128] = {};
    termios raw{};
    cfmakeraw(&raw);
    cfsetspeed(&raw, B115200);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) return false;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    // The slave stays open here so the master never reads a hang-up between the driver's
    // opens and closes of the port.
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
    thread_ = std::thread([this] { PumpStream(master_, stop_.fd(), port_); });
    return true;
}

void PtyAdapter::Stop() {
    if (!thread_.joinable()) return;
    stop_.Raise();
    thread_.join();
    close(master_);
    close(slave_);
    slave_ = -1;
}

}  // namespace sim
