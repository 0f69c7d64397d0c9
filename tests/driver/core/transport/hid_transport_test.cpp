#include "core/transport/hid_transport.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/transport/hidraw_backend.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kVendor = 0x051A;
constexpr std::uint16_t kProduct = 0x511B;

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::string HidId(unsigned bus, unsigned vendor, unsigned product) {
    char text[64];
    std::snprintf(text, sizeof text, "HID_ID=%04X:%08X:%08X", bus, vendor, product);
    return text;
}

// A fake machine: sysfs entries in a temporary folder and, for each hidraw node, a
// SOCK_SEQPACKET pair whose far end plays the device (one packet per report).
class FakeHidraw : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvicard-hidraw-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "sys" / "class" / "hidraw");
    }
    void TearDown() override {
        for (auto& [path, fds] : nodes_) {
            close(fds.first);
            if (fds.second >= 0) close(fds.second);
        }
        fs::remove_all(root_);
    }

    void AddNode(const std::string& name, const std::string& uevent) {
        fs::path device = root_ / "sys" / "class" / "hidraw" / name / "device";
        fs::create_directories(device);
        std::ofstream(device / "uevent") << "DRIVER=hid-generic\n" << uevent << "\nHID_NAME=x\n";
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        nodes_[NodePath(name)] = {pair[0], pair[1]};
    }
    void AddReader(const std::string& name) { AddNode(name, HidId(3, kVendor, kProduct)); }
    std::string NodePath(const std::string& name) const { return (root_ / "dev" / name).string(); }

    std::unique_ptr<HidBackend> Backend() {
        return std::make_unique<HidrawBackend>(
            (root_ / "sys").string(), (root_ / "dev").string(), [this](const std::string& path) {
                auto it = nodes_.find(path);
                return it == nodes_.end() ? -1 : dup(it->second.first);
            });
    }

    // The device end of a node.
    int Device(const std::string& name) { return nodes_.at(NodePath(name)).second; }
    void SendReport(const std::string& name, const Bytes& report) {
        ASSERT_EQ(send(Device(name), report.data(), report.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(report.size()));
    }
    // Reports as the reader would send them: 64 bytes each, zero-padded.
    void SendFrameAsReports(const std::string& name, const Bytes& frame) {
        for (const Bytes& r : ExpectedReports(frame)) SendReport(name, Bytes(r.begin() + 1, r.end()));
    }
    Bytes ReceiveReport(const std::string& name) {
        Bytes report(128);
        pollfd pfd{Device(name), POLLIN, 0};
        if (poll(&pfd, 1, 1000) != 1) return {};
        ssize_t n = recv(Device(name), report.data(), report.size(), 0);
        report.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return report;
    }
    void Unplug(const std::string& name) {
        auto& fds = nodes_.at(NodePath(name));
        close(fds.second);
        fds.second = -1;
    }

    // The 65-byte reports a frame goes out as: report id 0; the first report holds the
    // first 64 bytes; the others a count byte (255 when more than 63 bytes remain) and data.
    static std::vector<Bytes> ExpectedReports(const Bytes& frame) {
        std::vector<Bytes> reports;
        size_t at = 0;
        while (at < frame.size()) {
            Bytes r(65, 0);
            if (at == 0) {
                size_t n = std::min<size_t>(64, frame.size());
                std::copy(frame.begin(), frame.begin() + static_cast<long>(n), r.begin() + 1);
                at = n;
            } else {
                size_t left = frame.size() - at;
                size_t n = std::min<size_t>(63, left);
                r[1] = left > 63 ? 255 : static_cast<std::uint8_t>(n);
                std::copy(frame.begin() + static_cast<long>(at),
                          frame.begin() + static_cast<long>(at + n), r.begin() + 2);
                at += n;
            }
            reports.push_back(r);
        }
        return reports;
    }

    static Bytes Frame(size_t n) {
        Bytes frame(n);
        for (size_t i = 0; i < n; ++i) frame[i] = static_cast<std::uint8_t>(0xA0 + i * 7);
        if (n > 0) frame[0] = static_cast<std::uint8_t>(n > 256 ? 255 : n - 1);
        return frame;
    }

    fs::path root_;
    std::map<std::string, std::pair<int, int>> nodes_;
};

TEST(ParseHidUevent, ReadsUsbIdsOnly) {
    std::uint16_t v = 0, p = 0;
    EXPECT_TRUE(ParseHidUevent("A=1\nHID_ID=0003:0000051A:0000511B\nB=2\n", v, p));
    EXPECT_EQ(v, 0x051A);
    EXPECT_EQ(p, 0x511B);
    EXPECT_FALSE(ParseHidUevent("HID_ID=0005:0000051A:0000511B\n", v, p));  // Bluetooth
    EXPECT_FALSE(ParseHidUevent("HID_ID=0003:0001051A:0000511B\n", v, p));
    EXPECT_FALSE(ParseHidUevent("HID_ID=0003:zz:0000511B\n", v, p));
    EXPECT_FALSE(ParseHidUevent("HID_NAME=reader\n", v, p));
    EXPECT_FALSE(ParseHidUevent("", v, p));
}

TEST_F(FakeHidraw, TableIsSortedByNodeNumberAndKeepsOnlyUsbHid) {
    AddReader("hidraw10");
    AddReader("hidraw2");
    AddNode("hidraw0", HidId(3, 0x046D, 0xC077));
    AddNode("hidraw3", HidId(5, kVendor, kProduct));
    AddNode("hidraw4", "HID_NAME=broken");
    HidrawBackend backend((root_ / "sys").string(), (root_ / "dev").string(),
                          [](const std::string&) { return -1; });
    const auto devices = backend.Enumerate();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].path, NodePath("hidraw0"));
    EXPECT_EQ(devices[1].path, NodePath("hidraw2"));
    EXPECT_EQ(devices[2].path, NodePath("hidraw10"));
    EXPECT_EQ(devices[1].vendorId, kVendor);
    EXPECT_EQ(devices[1].productId, kProduct);

    HidTransport transport(Backend());
    EXPECT_EQ(transport.GetDeviceCount(kVendor, kProduct), 2);
    EXPECT_EQ(transport.GetDeviceCount(0x1051A, 0x1511B), 0) << "ids past 16 bits name no device";
    EXPECT_EQ(transport.GetDeviceCount(0x046D, 0xC077), 1);
    EXPECT_EQ(transport.GetDeviceCount(kVendor, 0x0001), 0);
}

TEST_F(FakeHidraw, ReaderIsFoundBehindManyInterfaces) {
    for (int i = 0; i < 200; ++i) {
        AddNode("hidraw" + std::to_string(i), HidId(3, 0x1000 + static_cast<unsigned>(i), 1));
    }
    AddReader("hidraw200");
    HidTransport transport(Backend());
    EXPECT_EQ(transport.GetDeviceCount(kVendor, kProduct), 1);
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 0));
    EXPECT_EQ(transport.DevicePath(), NodePath("hidraw200"));
}

TEST_F(FakeHidraw, OpenChoosesByIdsAndIndex) {
    AddReader("hidraw1");
    AddNode("hidraw2", HidId(3, 0x046D, 0xC077));
    AddReader("hidraw3");
    HidTransport transport(Backend());
    EXPECT_FALSE(transport.Open(kVendor, kProduct, 2));
    EXPECT_FALSE(transport.Open(kVendor, kProduct, -1));
    EXPECT_FALSE(transport.Open(kVendor, 0x0001, 0));
    EXPECT_FALSE(transport.IsOpen());
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 1));
    EXPECT_EQ(transport.DevicePath(), NodePath("hidraw3"));
    EXPECT_TRUE(transport.Open(kVendor, kProduct, 1)) << "already open";
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 0));
    EXPECT_EQ(transport.DevicePath(), NodePath("hidraw1"));
    transport.Close();
    EXPECT_FALSE(transport.IsOpen());
    EXPECT_EQ(transport.GetDeviceCount(kVendor, kProduct), 2) << "counted whether open or not";
}

TEST_F(FakeHidraw, OpenFailsWhenTheNodeWentAwayOrWasReused) {
    AddReader("hidraw0");
    AddReader("hidraw1");
    HidTransport transport(Backend());
    fs::remove_all(root_ / "sys" / "class" / "hidraw" / "hidraw0");
    std::ofstream(root_ / "sys" / "class" / "hidraw" / "hidraw1" / "device" / "uevent")
        << HidId(3, 0x046D, 0xC077) << "\n";
    EXPECT_FALSE(transport.Open(kVendor, kProduct, 0));
    EXPECT_FALSE(transport.Open(kVendor, kProduct, 1));
    EXPECT_FALSE(transport.IsOpen());
}

TEST_F(FakeHidraw, FramesGoOutAsReportsWithReportIdZero) {
    AddReader("hidraw0");
    HidTransport transport(Backend());
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 0));
    const struct {
        size_t length;
        size_t reports;
    } cases[] = {{1, 1}, {10, 1}, {64, 1}, {65, 2}, {127, 2}, {128, 3}, {300, 5}};
    for (const auto& c : cases) {
        const Bytes frame = Frame(c.length);
        ASSERT_TRUE(transport.Write(frame.data(), static_cast<int>(frame.size()))) << c.length;
        const auto expected = ExpectedReports(frame);
        ASSERT_EQ(expected.size(), c.reports);
        Bytes joined;
        for (const Bytes& want : expected) {
            const Bytes got = ReceiveReport("hidraw0");
            ASSERT_EQ(got, want) << "frame of " << c.length;
            const size_t skip = joined.empty() ? 1 : 2;
            const size_t take = joined.empty() ? std::min<size_t>(64, c.length)
                                               : std::min<size_t>(63, c.length - joined.size());
            joined.insert(joined.end(), got.begin() + static_cast<long>(skip),
                          got.begin() + static_cast<long>(skip + take));
        }
        EXPECT_EQ(joined, frame);
    }
    // 65 bytes: the second report holds count 1 and the last byte.
    const Bytes frame = Frame(65);
    ASSERT_TRUE(transport.Write(frame.data(), 65));
    ReceiveReport("hidraw0");
    const Bytes second = ReceiveReport("hidraw0");
    ASSERT_EQ(second.size(), 65u);
    EXPECT_EQ(second[1], 1);
    EXPECT_EQ(second[2], frame[64]);

    EXPECT_FALSE(transport.Write(frame.data(), 0));
    EXPECT_FALSE(transport.Write(nullptr, 10));
}

TEST_F(FakeHidraw, RepliesAreReassembledAndEmptyReportsSkipped) {
    AddReader("hidraw0");
    HidTransport transport(Backend());
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 0));
    for (size_t length : {10, 64, 65, 128, 256}) {
        const Bytes frame = Frame(length);
        SendReport("hidraw0", Bytes(64, 0));  // empty report before the reply
        const auto reports = ExpectedReports(frame);
        for (size_t i = 0; i < reports.size(); ++i) {
            if (i == 1) SendReport("hidraw0", Bytes(64, 0));  // and between its reports
            SendReport("hidraw0", Bytes(reports[i].begin() + 1, reports[i].end()));
        }
        Bytes buffer(300, 0xCC);
        ASSERT_TRUE(transport.ReadFrame(buffer.data(), 300, 500)) << length;
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(length)), frame) << length;
    }
}

TEST_F(FakeHidraw, ReadFrameRefusesSmallBuffers) {
    AddReader("hidraw0");
    HidTransport transport(Backend());
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 0));
    Bytes buffer(300);
    EXPECT_FALSE(transport.ReadFrame(buffer.data(), 63, 500));
    EXPECT_FALSE(transport.ReadFrame(nullptr, 300, 500));
    SendFrameAsReports("hidraw0", Frame(100));
    EXPECT_FALSE(transport.ReadFrame(buffer.data(), 99, 500)) << "100-byte frame, 99-byte buffer";
}

TEST_F(FakeHidraw, TimeOutsAndNothingLeftPending) {
    AddReader("hidraw0");
    HidTransport transport(Backend());
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 0));
    std::uint8_t report[64];

    // No report: the wait is max(timeout, 1000) ms.
    auto start = Clock::now();
    EXPECT_FALSE(transport.ReadReport(report, 64, 0));
    EXPECT_GE(ElapsedMs(start), 990);
    EXPECT_LT(ElapsedMs(start), 1400);

    // Timeout 0 gives up after one empty report.
    SendReport("hidraw0", Bytes(64, 0));
    SendReport("hidraw0", Frame(5));
    start = Clock::now();
    EXPECT_FALSE(transport.ReadReport(report, 64, 0));
    EXPECT_LT(ElapsedMs(start), 200);
    // The report behind it was not lost.
    ASSERT_TRUE(transport.ReadReport(report, 64, 0));
    EXPECT_EQ(report[0], 4);

    // A frame whose later report never comes fails after one report time-out.
    SendReport("hidraw0", Frame(64 + 10));
    Bytes buffer(300);
    start = Clock::now();
    EXPECT_FALSE(transport.ReadFrame(buffer.data(), 300, 1100));
    EXPECT_GE(ElapsedMs(start), 1090);
    EXPECT_LT(ElapsedMs(start), 1500);
}

TEST_F(FakeHidraw, StaleReportsAreDiscarded) {
    AddReader("hidraw0");
    HidTransport transport(Backend());
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 0));
    SendFrameAsReports("hidraw0", Frame(100));  // a late reply
    auto start = Clock::now();
    transport.DiscardInput();
    EXPECT_LT(ElapsedMs(start), 100);
    const Bytes fresh = {0x03, 0x01, 0x00, 0x02};
    SendFrameAsReports("hidraw0", fresh);
    Bytes buffer(300);
    ASSERT_TRUE(transport.ReadFrame(buffer.data(), 300, 500));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 4), fresh);
}

TEST_F(FakeHidraw, UnpluggedDeviceFailsAtOnce) {
    AddReader("hidraw0");
    HidTransport transport(Backend());
    ASSERT_TRUE(transport.Open(kVendor, kProduct, 0));
    Unplug("hidraw0");
    std::uint8_t report[64];
    auto start = Clock::now();
    EXPECT_FALSE(transport.ReadReport(report, 64, 3000));
    EXPECT_LT(ElapsedMs(start), 500);
    const Bytes frame = Frame(10);
    EXPECT_FALSE(transport.Write(frame.data(), 10));
}

TEST(HidTransport, WithoutDevicesNothingOpens) {
    class Empty : public HidBackend {
    public:
        std::vector<HidDeviceInfo> Enumerate() override { return {}; }
        std::unique_ptr<HidDevice> OpenDevice(const std::string&) override { return nullptr; }
    };
    HidTransport transport(std::make_unique<Empty>());
    EXPECT_EQ(transport.GetDeviceCount(kVendor, kProduct), 0);
    EXPECT_FALSE(transport.Open(kVendor, kProduct, 0));
    std::uint8_t byte = 1;
    EXPECT_FALSE(transport.Write(&byte, 1));
    EXPECT_FALSE(transport.ReadReport(&byte, 1, 10));
    transport.DiscardInput();
}

}  // namespace
