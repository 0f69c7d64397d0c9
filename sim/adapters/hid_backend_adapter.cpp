#include "sim/adapters/hid_backend_adapter.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <optional>
#include <thread>

#include "core/protocol/reader_protocol_constants.h"
#include "sim/reader_codec.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kReport = 64;
constexpr std::size_t kReportData = 63;
constexpr std::uint8_t kFullCount = 255;

struct InputReport {
    std::array<std::uint8_t, kReport> bytes{};
    Clock::time_point ready;
};

class SimHidDevice : public HidDevice {
public:
    explicit SimHidDevice(ReaderPort& port) : port_(port) {}

    bool WriteReport(const std::uint8_t* report, std::size_t length, int) override {
        if (report == nullptr || length != kReport + 1 || report[0] != 0) return false;
        const std::uint8_t* data = report + 1;
        if (request_.empty()) {
            const std::optional<std::size_t> size = RequestFrameSize({data, kReport});
            if (!size || *size > kFrameBufferSize) return true;  // not a frame: ignored
            requestSize_ = *size;
            request_.assign(data, data + std::min(*size, kReport));
        } else {
            const std::size_t missing = requestSize_ - request_.size();
            const std::size_t count = data[0] == kFullCount ? kReportData : data[0];
            if (count > kReportData || count > missing) {
                request_.clear();  // a report that fits no frame drops the frame
                return true;
            }
            request_.insert(request_.end(), data + 1, data + 1 + count);
        }
        if (request_.size() == requestSize_) {
            const Clock::time_point arrival = Clock::now();
            Queue(port_.Handle(request_), arrival);
            request_.clear();
        }
        return true;
    }

    int ReadReport(std::uint8_t* buffer, std::size_t size, int timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        if (input_.empty() || input_.front().ready > deadline) {
            std::this_thread::sleep_until(deadline);
            return 0;
        }
        std::this_thread::sleep_until(input_.front().ready);
        const std::size_t n = std::min(size, kReport);
        std::memcpy(buffer, input_.front().bytes.data(), n);
        input_.pop_front();
        return static_cast<int>(n);
    }

private:
    // Cuts the output into reports; a frame's later parts continue its reports.
    void Queue(const std::vector<Emission>& output, Clock::time_point arrival) {
        std::vector<std::uint8_t> frame;
        int delayMs = 0;
        auto flush = [&] {
            const Clock::time_point ready = arrival + std::chrono::milliseconds(delayMs);
            for (std::size_t at = 0; at < frame.size();) {
                InputReport report;
                report.ready = ready;
                if (at == 0) {
                    const std::size_t n = std::min(frame.size(), kReport);
                    std::memcpy(report.bytes.data(), frame.data(), n);
                    at = n;
                } else {
                    const std::size_t left = frame.size() - at;
                    const std::size_t n = std::min(left, kReportData);
                    report.bytes[0] = left > kReportData ? kFullCount : static_cast<std::uint8_t>(n);
                    std::memcpy(report.bytes.data() + 1, frame.data() + at, n);
                    at += n;
                }
                input_.push_back(report);
            }
            frame.clear();
        };
        for (const Emission& part : output) {
            if (part.startsFrame) flush();
            frame.insert(frame.end(), part.bytes.begin(), part.bytes.end());
            delayMs = part.delayMs;
        }
        flush();
    }

    ReaderPort& port_;
    std::vector<std::uint8_t> request_;
    std::size_t requestSize_ = 0;
    std::deque<InputReport> input_;
};

}  // namespace

HidBackendAdapter::HidBackendAdapter(ReaderPort& port)
    : HidBackendAdapter(port, {{kVendor, kProduct, kPath}}) {}

HidBackendAdapter::HidBackendAdapter(ReaderPort& port, std::vector<HidDeviceInfo> devices)
    : port_(port), devices_(std::move(devices)) {}

std::unique_ptr<HidDevice> HidBackendAdapter::OpenDevice(const std::string& path) {
    const bool listed = std::any_of(devices_.begin(), devices_.end(),
                                    [&](const HidDeviceInfo& d) { return d.path == path; });
    if (!listed) return nullptr;
    return std::make_unique<SimHidDevice>(port_);
}

}  // namespace sim
