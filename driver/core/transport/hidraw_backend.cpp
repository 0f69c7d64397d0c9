#include "core/transport/hidraw_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// 1: ready; 0: time-out; -1: error or hang-up.
int WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd pfd{fd, events, 0};
        int rc = poll(&pfd, 1, RemainingMs(deadline));
        if (rc == 0) return 0;
        if (rc < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (pfd.revents & events) return 1;
        return -1;
    }
}

class HidrawDevice : public HidDevice {
public:
    explicit HidrawDevice(int fd) : fd_(fd) {}
    ~HidrawDevice() override { close(fd_); }
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    bool WriteReport(const std::uint8_t* report, std::size_t length, int timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            ssize_t n = write(fd_, report, length);
            if (n >= 0) return static_cast<std::size_t>(n) == length;
            if (errno != EAGAIN && errno != EINTR) return false;
            if (WaitFor(fd_, POLLOUT, deadline) != 1) return false;
        }
    }

    int ReadReport(std::uint8_t* buffer, std::size_t size, int timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            int ready = WaitFor(fd_, POLLIN, deadline);
            if (ready != 1) return ready;
            ssize_t n = read(fd_, buffer, size);
            if (n > 0) return static_cast<int>(n);
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) return -1;
        }
    }

private:
    int fd_;
};

int OpenNode(const std::string& path) {
    return open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

// hidraw12 -> 12; names without a number sort last.
unsigned long NodeNumber(const std::string& name) {
    const std::string prefix = "hidraw";
    if (name.compare(0, prefix.size(), prefix) != 0) return static_cast<unsigned long>(-1);
    return std::strtoul(name.c_str() + prefix.size(), nullptr, 10);
}

}  // namespace

bool ParseHidUevent(const std::string& uevent, std::uint16_t& vendorId, std::uint16_t& productId) {
    std::istringstream lines(uevent);
    std::string line;
    const std::string key = "HID_ID=";
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        // HID_ID=BBBB:VVVVVVVV:PPPPPPPP, hexadecimal.
        const char* p = line.c_str() + key.size();
        char* end = nullptr;
        unsigned long bus = std::strtoul(p, &end, 16);
        if (end == p || *end != ':') return false;
        p = end + 1;
        unsigned long vendor = std::strtoul(p, &end, 16);
        if (end == p || *end != ':') return false;
        p = end + 1;
        unsigned long product = std::strtoul(p, &end, 16);
        if (end == p || bus != 0x0003 || vendor > 0xFFFF || product > 0xFFFF) return false;
        vendorId = static_cast<std::uint16_t>(vendor);
        productId = static_cast<std::uint16_t>(product);
        return true;
    }
    return false;
}

HidrawBackend::HidrawBackend() : HidrawBackend("/sys", "/dev", OpenNode) {}

HidrawBackend::HidrawBackend(std::string sysRoot, std::string devRoot, Opener opener)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)), opener_(std::move(opener)) {}

std::vector<HidDeviceInfo> HidrawBackend::Enumerate() {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(sysRoot_) / "class" / "hidraw", ec), end;
         !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const unsigned long na = NodeNumber(a), nb = NodeNumber(b);
        return na != nb ? na < nb : a < b;
    });

    std::vector<HidDeviceInfo> devices;
    for (const std::string& name : names) {
        std::ifstream file(fs::path(sysRoot_) / "class" / "hidraw" / name / "device" / "uevent");
        if (!file) continue;
        std::stringstream text;
        text << file.rdbuf();
        HidDeviceInfo info;
        if (!ParseHidUevent(text.str(), info.vendorId, info.productId)) continue;
        info.path = (fs::path(devRoot_) / name).string();
        devices.push_back(std::move(info));
    }
    return devices;
}

std::unique_ptr<HidDevice> HidrawBackend::OpenDevice(const std::string& path) {
    int fd = opener_(path);
    if (fd < 0) return nullptr;
    return std::make_unique<HidrawDevice>(fd);
}
