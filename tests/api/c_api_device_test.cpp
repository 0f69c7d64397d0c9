#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "api/handle_registry.h"
#include "api_test_support.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/callback_adapter.h"

namespace {

using api_test::CallbackReader;
using api_test::Exchange;
using api_test::kEchoCommand;
using api_test::kUnknownCommand;
using api_test::kUnknownCommandCode;

TEST(CApiDevice, CallbackRouteOpensWithoutADeviceAndTheCallbackReceivesTheHandle) {
    CallbackReader open;
    ASSERT_GT(open.handle, 0);
    // The adapter routes pieces by the handle they carry: a round trip proves the session
    // hands its own id to the callback.
    ASSERT_TRUE(Exchange(open.handle, kEchoCommand));
    EXPECT_EQ(KorviCardGetErrorCode(open.handle), 0);
    EXPECT_EQ(open.reader.Requests().size(), 1u);
    ASSERT_FALSE(Exchange(open.handle, kUnknownCommand));
    EXPECT_EQ(KorviCardGetErrorCode(open.handle), kUnknownCommandCode);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(open.handle), 0);
}

TEST(CApiDevice, ACallbackIgnoresTheNameAndTheOtherArguments) {
    for (const char* name : {"", "127.0.0.1", "/dev/nonexistent-korvicard-port"}) {
        int handle = KorviCardOpenDevice(name, 1, 2, 9, 5, sim::SimulatorTransport);
        EXPECT_GT(handle, 0) << name;
        KorviCardCloseDevice(handle);
    }
}

TEST(CApiDevice, EveryOpenIssuesAFreshIdAndCloseForgetsIt) {
    std::vector<int> handles;
    for (int i = 0; i < 5; ++i) {
        handles.push_back(KorviCardOpenDevice("", 0, 0, 0, 0, sim::SimulatorTransport));
        ASSERT_GT(handles.back(), 0);
        if (i > 0) {
            EXPECT_GT(handles[i], handles[i - 1]);
        }
    }
    const std::size_t before = Readers().Size();
    KorviCardCloseDevice(handles[2]);
    EXPECT_EQ(Readers().Size(), before - 1);
    EXPECT_EQ(Readers().Find(handles[2]), nullptr);
    KorviCardCloseDevice(handles[2]);
    EXPECT_EQ(Readers().Size(), before - 1);
    int next = KorviCardOpenDevice("", 0, 0, 0, 0, sim::SimulatorTransport);
    EXPECT_NE(next, handles[2]);
    handles.push_back(next);
    for (int handle : handles) {
        KorviCardCloseDevice(handle);
    }
    EXPECT_EQ(Readers().Size(), before - 5);
}

TEST(CApiDevice, SetExtendReadWriteReplacesTheTransportOfThatReaderOnly) {
    CallbackReader first;
    CallbackReader second;
    KorviCardSetExtendReadWrite(first.handle, [](int, int, unsigned char*, int) { return 0; });
    EXPECT_FALSE(Exchange(first.handle, kEchoCommand));
    EXPECT_EQ(KorviCardGetErrorCode(first.handle), 1) << "a failed send leaves LCEC_UNKNOWN";
    EXPECT_TRUE(Exchange(second.handle, kEchoCommand));
    KorviCardSetExtendReadWrite(first.handle, sim::SimulatorTransport);
    EXPECT_TRUE(Exchange(first.handle, kEchoCommand));
}

TEST(CApiDevice, ASessionInUseOutlivesItsCloseAndIsFreedAfterwards) {
    int handle = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
    std::shared_ptr<ReaderSession> inUse = Readers().Find(handle);
    std::weak_ptr<ReaderSession> watch = inUse;
    KorviCardCloseDevice(handle);
    EXPECT_EQ(KorviCardGetErrorCode(handle), 1);
    EXPECT_FALSE(watch.expired());
    inUse.reset();
    EXPECT_TRUE(watch.expired());
}

// Every per-reader export with a handle that names no reader: its null-handle result,
// and nothing touched (buffers, the open reader's error codes, callbacks and requests).
struct NullHandleCase {
    const char* name;
    std::function<int(int handle)> call;
    int expected;
};

int Untouched(const char* buffer, std::size_t size) {
    return std::string(buffer, size) == std::string(size, '#') ? 0 : 1;
}

const std::vector<NullHandleCase>& NullHandleCases() {
    static const std::vector<NullHandleCase> cases = {
        {"KorviCardGetErrorCode", [](int h) { return KorviCardGetErrorCode(h); }, 1},
        {"KorviCardGetTwoIdErrorCode", [](int h) { return KorviCardGetTwoIdErrorCode(h); }, 1},
        {"KorviCardGetTwoIdDispatchServerErrorInfo",
         [](int h) {
             char text[32];
             std::memset(text, '#', sizeof text);
             KorviCardGetTwoIdDispatchServerErrorInfo(h, text, sizeof text);
             return Untouched(text, sizeof text);
         },
         0},
        {"KorviCardSetExtendReadWrite",
         [](int h) {
             KorviCardSetExtendReadWrite(h, nullptr);
             return 0;
         },
         0},
        {"KorviCardSetIdDeviceExtendReadWrite",
         [](int h) {
             KorviCardSetIdDeviceExtendReadWrite(h, nullptr);
             return 0;
         },
         0},
        {"KorviCardSetIdCallBack",
         [](int h) {
             KorviCardSetIdCallBack(h, nullptr);
             return 0;
         },
         0},
        {"KorviCardReadUsbData",
         [](int h) {
             unsigned char report[64];
             std::memset(report, '#', sizeof report);
             return KorviCardReadUsbData(h, report, sizeof report, 10) +
                    Untouched(reinterpret_cast<char*>(report), sizeof report);
         },
         0},
        {"KorviCardWriteUsbData",
         [](int h) {
             const unsigned char report[8] = {7, 1, 2, 3, 4, 5, 6, 7};
             return KorviCardWriteUsbData(h, report, sizeof report);
         },
         0},
        {"KorviCardGetLibBuildTime",
         [](int h) {
             char text[64];
             std::memset(text, '#', sizeof text);
             return KorviCardGetLibBuildTime(h, text, sizeof text) + Untouched(text, sizeof text);
         },
         0},
        {"KorviCardConnectTest", [](int h) { return KorviCardConnectTest(h); }, 0},
        {"ICC_Reader_GetStatus", [](int h) { return ICC_Reader_GetStatus(h, 0); }, 0},
        {"KorviCardCloseDevice",
         [](int h) {
             KorviCardCloseDevice(h);
             return 0;
         },
         0},
    };
    return cases;
}

TEST(CApiDevice, HandlesThatNameNoReaderActAsTheNullHandle) {
    CallbackReader open;
    ASSERT_GT(open.handle, 0);
    ASSERT_FALSE(Exchange(open.handle, kUnknownCommand));
    Readers().Find(open.handle)->SetTwoIdErrorCode(27);
    const std::size_t requests = open.reader.Requests().size();

    int closed = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
    ASSERT_GT(closed, 0);
    KorviCardCloseDevice(closed);
    const int neverIssued = closed + 1000000;

    for (int handle : {0, -1, closed, neverIssued, INT_MIN}) {
        for (const NullHandleCase& c : NullHandleCases()) {
            EXPECT_EQ(c.call(handle), c.expected) << c.name << " with handle " << handle;
        }
    }
    EXPECT_EQ(KorviCardGetErrorCode(open.handle), kUnknownCommandCode);
    EXPECT_EQ(KorviCardGetTwoIdErrorCode(open.handle), 27);
    EXPECT_EQ(open.reader.Requests().size(), requests);
    EXPECT_TRUE(Exchange(open.handle, kEchoCommand)) << "the open reader lost its callback";
}

TEST(CApiDevice, TheOpenReaderAnswersThePerReaderExports) {
    CallbackReader open;
    char text[64] = {};
    EXPECT_EQ(KorviCardGetLibBuildTime(open.handle, text, sizeof text), 1);
    EXPECT_EQ(std::strlen(text), 20u);
    EXPECT_EQ(KorviCardGetLibBuildTime(open.handle, text, 31), 0);
    EXPECT_EQ(KorviCardGetLibBuildTime(open.handle, text, -1), 0);
    EXPECT_EQ(KorviCardGetLibBuildTime(open.handle, nullptr, 64), 0);

    std::memset(text, '#', sizeof text);
    KorviCardGetTwoIdDispatchServerErrorInfo(open.handle, text, sizeof text);
    EXPECT_EQ(text[0], '\0');
    // No HID transport on the callback route.
    unsigned char report[64] = {};
    EXPECT_EQ(KorviCardReadUsbData(open.handle, report, sizeof report, 10), 0);
    EXPECT_EQ(KorviCardWriteUsbData(open.handle, report, sizeof report), 0);
    EXPECT_EQ(KorviCardConnectTest(open.handle), 0);
}

// The identity error name is written for an open reader's handle only.
TEST(CApiDevice, TwoIdErrorInfoWritesForAnOpenReaderOnly) {
    CallbackReader open;
    ASSERT_GT(open.handle, 0);
    const int closed = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
    ASSERT_GT(closed, 0);
    KorviCardCloseDevice(closed);
    const int neverIssued = closed + 1000000;

    char name[64];
    for (int handle : {0, -1, closed, neverIssued, INT_MIN}) {
        std::memset(name, '#', sizeof name);
        KorviCardGetTwoIdErrorInfo(handle, 53, name, sizeof name);
        EXPECT_EQ(name[0], '#') << handle;
    }
    KorviCardGetTwoIdErrorInfo(open.handle, 53, name, sizeof name);
    EXPECT_STREQ(name, "TIEC_DOMAIN_NAME_ERROR");

    std::memset(name, '#', sizeof name);
    KorviCardGetTwoIdErrorInfo(open.handle, 53, name, 63);
    KorviCardGetTwoIdErrorInfo(open.handle, 53, name, -64);
    KorviCardGetTwoIdErrorInfo(open.handle, 53, nullptr, 64);
    EXPECT_EQ(name[0], '#');
}

// One thread opens, uses and closes readers in a loop while another uses its own
// reader: every id is fresh, and no request reaches the other thread's simulator.
TEST(CApiDevice, OpeningAndClosingOnOneThreadLeavesAnotherThreadsReaderAlone) {
    CallbackReader steady;
    ASSERT_GT(steady.handle, 0);
    sim::SimulatedReader churnReader;
    api_test::AnswerEcho(churnReader);
    constexpr int kRounds = 150;
    std::atomic<int> churnFailures{0};
    std::atomic<int> steadyFailures{0};
    std::atomic<bool> churnDone{false};
    std::vector<int> issued;

    std::thread churn([&] {
        for (int i = 0; i < kRounds; ++i) {
            int handle = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
            if (handle <= 0 || handle == steady.handle) {
                ++churnFailures;
                continue;
            }
            issued.push_back(handle);
            sim::AttachSimulator(handle, churnReader);
            if (!Exchange(handle, kEchoCommand) || KorviCardGetErrorCode(handle) != 0) {
                ++churnFailures;
            }
            sim::DetachSimulator(handle);
            KorviCardCloseDevice(handle);
            if (KorviCardGetErrorCode(handle) != 1) {
                ++churnFailures;
            }
        }
        churnDone = true;
    });
    int steadyExchanges = 0;
    while (!churnDone || steadyExchanges < 20) {
        if (!Exchange(steady.handle, kEchoCommand) || KorviCardGetErrorCode(steady.handle) != 0) {
            ++steadyFailures;
        }
        ++steadyExchanges;
    }
    churn.join();

    EXPECT_EQ(churnFailures.load(), 0);
    EXPECT_EQ(steadyFailures.load(), 0);
    EXPECT_EQ(steady.reader.Requests().size(), static_cast<std::size_t>(steadyExchanges));
    EXPECT_EQ(churnReader.Requests().size(), static_cast<std::size_t>(kRounds));
    for (std::size_t i = 1; i < issued.size(); ++i) {
        EXPECT_GT(issued[i], issued[i - 1]);
    }
}

}  // namespace
