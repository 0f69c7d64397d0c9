#include "core/transport/hid_transport.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

#include "core/transport/hidraw_backend.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWriteTimeoutMs = 5000;
constexpr int kMinReportWaitMs = 1000;
constexpr int kReportPayload = HidTransport::kReportSize - 1;
// Reports dropped by one DiscardInput at most, so a device that never stops cannot hold it.
constexpr int kMaxDiscardedReports = 1024;

std::mutex& FactoryMutex() {
    static std::mutex mutex;
    return mutex;
}

HidBackendFactory& Factory() {
    static HidBackendFactory factory;
    return factory;
}

std::unique_ptr<HidBackend> DefaultBackend() {
    std::lock_guard<std::mutex> lock(FactoryMutex());
    if (Factory()) return Factory()();
    return std::make_unique<HidrawBackend>();
}

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Compared as they are: an identifier outside 0-65535 names no USB device.
bool SameIds(const HidDeviceInfo& info, int vendor, int product) {
    return info.vendorId == vendor && info.productId == product;
}

}  // namespace

void SetHidBackendFactory(HidBackendFactory factory) {
    std::lock_guard<std::mutex> lock(FactoryMutex());
    Factory() = std::move(factory);
}

HidTransport::HidTransport() : HidTransport(DefaultBackend()) {}

HidTransport::HidTransport(std::unique_ptr<HidBackend> backend) : backend_(std::move(backend)) {
    if (!backend_) return;
    for (HidDeviceInfo& info : backend_->Enumerate()) {
        const bool known = std::any_of(deviceTable_.begin(), deviceTable_.end(),
                                       [&](const HidDeviceInfo& entry) {
                                           return entry.vendorId == info.vendorId &&
                                                  entry.productId == info.productId &&
                                                  entry.path == info.path;
                                       });
        if (!known) deviceTable_.push_back(std::move(info));
    }
}

HidTransport::~HidTransport() { Close(); }

bool HidTransport::Open(int vendor, int product, int index) {
    if (index < 0 || !backend_) return false;
    int seen = 0;
    auto chosen = std::find_if(deviceTable_.begin(), deviceTable_.end(),
                               [&](const HidDeviceInfo& info) {
                                   return SameIds(info, vendor, product) && seen++ == index;
                               });
    if (chosen == deviceTable_.end()) return false;
    vendorId_ = chosen->vendorId;
    productId_ = chosen->productId;
    if (device_ && devicePath_ == chosen->path) return true;
    Close();
    devicePath_ = chosen->path;
    // The node may have gone or been handed to another device since the table was built.
    const HidDeviceTable present = backend_->Enumerate();
    const bool stillThere = std::any_of(present.begin(), present.end(), [&](const HidDeviceInfo& info) {
        return SameIds(info, vendor, product) && info.path == devicePath_;
    });
    if (!stillThere) return false;
    device_ = backend_->OpenDevice(devicePath_);
    return device_ != nullptr;
}

void HidTransport::Close() { device_.reset(); }

int HidTransport::GetDeviceCount(int vendor, int product) {
    return static_cast<int>(std::count_if(deviceTable_.begin(), deviceTable_.end(),
                                          [&](const HidDeviceInfo& info) {
                                              return SameIds(info, vendor, product);
                                          }));
}

bool HidTransport::Write(const std::uint8_t* frame, int length) {
    if (frame == nullptr || length < 1 || !device_) return false;
    std::uint8_t report[kReportSize + 1];
    int offset = 0;
    while (offset < length) {
        std::memset(report, 0, sizeof report);  // report[0] is the report id 0
        const int remaining = length - offset;
        if (offset == 0) {
            const int n = std::min(remaining, kReportSize);
            std::memcpy(report + 1, frame, static_cast<size_t>(n));
            offset = n;
        } else {
            const int n = std::min(remaining, kReportPayload);
            report[1] = static_cast<std::uint8_t>(remaining > kReportPayload ? 255 : n);
            std::memcpy(report + 2, frame + offset, static_cast<size_t>(n));
            offset += n;
        }
        if (!device_->WriteReport(report, sizeof report, kWriteTimeoutMs)) return false;
    }
    return true;
}

bool HidTransport::ReadReport(std::uint8_t* buffer, int size, int timeout) {
    if (buffer == nullptr || size < 0 || !device_) return false;
    const auto start = Clock::now();
    const int limitMs = std::max(timeout, kMinReportWaitMs);
    for (;;) {
        std::memset(buffer, 0, static_cast<size_t>(size));
        std::uint8_t report[kReportSize] = {};
        const long waited = ElapsedMs(start);
        if (waited >= limitMs) return false;
        const int got = device_->ReadReport(report, sizeof report, static_cast<int>(limitMs - waited));
        if (got <= 0) return false;
        std::memcpy(buffer, report, static_cast<size_t>(std::min(size, kReportSize)));
        if (report[0] != 0) return true;
        if (ElapsedMs(start) >= timeout) return false;
    }
}

bool HidTransport::ReadFrame(std::uint8_t* buffer, int size, int timeout) {
    if (buffer == nullptr || size < kReportSize) return false;
    if (!ReadReport(buffer, kReportSize, timeout)) return false;
    const int total = buffer[0] + 1;
    if (size < total) return false;
    int held = std::min(total, kReportSize);
    while (held < total) {
        std::uint8_t report[kReportSize];
        if (!ReadReport(report, kReportSize, timeout)) return false;
        const int n = std::min(kReportPayload, total - held);
        std::memcpy(buffer + held, report + 1, static_cast<size_t>(n));
        held += n;
    }
    return true;
}

void HidTransport::DiscardInput() {
    if (!device_) return;
    std::uint8_t report[kReportSize];
    for (int i = 0; i < kMaxDiscardedReports; ++i) {
        if (device_->ReadReport(report, sizeof report, 0) <= 0) return;
    }
}
