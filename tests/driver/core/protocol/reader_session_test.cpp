#include "core/protocol/reader_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "core/modules/slip_escape.h"
#include "driver/core/protocol/session_test_support.h"
#include "korvicard/KorviCardDriver.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The core's callback types are those of the public header.
static_assert(std::is_same_v<ExtendReadWriteCallBack, int (*)(int, int, unsigned char*, int)>);
static_assert(std::is_same_v<IdDeviceExtendReadWriteCallBack, int (*)(unsigned char*, int)>);
static_assert(std::is_same_v<IdCallBack, void (*)(int, int, int, int)>);

TEST(ReaderSession, ConstructionStartsFromTheDocumentedValues) {
    ReaderSession session;
    EXPECT_EQ(session.GetErrorCode(), 0);
    EXPECT_EQ(session.GetTwoIdErrorCode(), 0);
    EXPECT_EQ(session.Sequence(), 0);
    EXPECT_EQ(session.HandleId(), 0);
    EXPECT_EQ(session.idPhotoFlag, 1);
    EXPECT_EQ(session.idPhotoBuffer, nullptr);
    EXPECT_EQ(session.workBuffer, nullptr);
    EXPECT_EQ(session.ReplyPayloadLength(), 0u);
    EXPECT_FALSE(session.serverClient.IsConnected());
    for (std::uint8_t b : session.RequestFrame()) ASSERT_EQ(b, 0);
    for (std::uint8_t b : session.serverBuffer) ASSERT_EQ(b, 0);
}

TEST(ReaderSession, HidOpenAppliesTheDefaultIdentifiers) {
    struct Case {
        const char* name;
        int vid, pid, index;
        int expectVid, expectPid;
    };
    for (const Case& c : {Case{"", 0, 0, 0, 0x051A, 0x511B}, Case{nullptr, 0, 0, 2, 0x051A, 0x511B},
                          Case{"", 0x1234, 0x5678, 1, 0x1234, 0x5678}}) {
        FakeHidTransport::Log log;
        ReaderSession session;
        session.SetHidTransport(std::make_unique<FakeHidTransport>(log));
        ASSERT_TRUE(session.OpenDevice(c.name, c.vid, c.pid, c.index, 1000));
        EXPECT_EQ(log.openVendor, c.expectVid);
        EXPECT_EQ(log.openProduct, c.expectPid);
        EXPECT_EQ(log.openIndex, c.index);
    }
}

TEST(ReaderSession, OpenFailsWithoutATransportOfTheNeededKind) {
    FakeHidTransport::Log log;
    ReaderSession hidOnly;
    hidOnly.SetHidTransport(std::make_unique<FakeHidTransport>(log));
    EXPECT_FALSE(hidOnly.OpenDevice("/dev/ttyUSB9", 0, 0, 0, 1000));
    EXPECT_EQ(log.openVendor, -1);
    ReaderSession none;
    EXPECT_FALSE(none.OpenDevice("", 0, 0, 0, 1000));
    EXPECT_EQ(none.GetErrorCode(), 0);
}

TEST(ReaderSession, ReleaseAndCloseDestroyTheTransportAndTheWorkBuffer) {
    FakeHidTransport::Log log;
    ReaderSession session;
    session.SetHidTransport(std::make_unique<FakeHidTransport>(log));
    session.workBuffer = std::make_unique<std::uint8_t[]>(4944);
    session.CloseDevice();
    EXPECT_TRUE(log.destroyed);
    EXPECT_EQ(session.workBuffer, nullptr);
    // Nothing left to send through.
    EXPECT_FALSE(session.Transact(1, nullptr, 0, 100));
    session.CloseDevice();
}

TEST(ReaderSession, RawUsbDataNeedsTheHidTransport) {
    ReaderSession none;
    std::uint8_t report[64] = {};
    EXPECT_FALSE(none.ReadUsbData(report, 64, 2000));
    EXPECT_FALSE(none.WriteUsbData(report, 64));

    FakeHidTransport::Log log;
    ReaderSession session;
    session.SetHidTransport(std::make_unique<FakeHidTransport>(log));
    ASSERT_TRUE(session.ReadUsbData(report, 64, 2000));
    EXPECT_EQ(log.reportTimeout, 2000);
    EXPECT_EQ(report[63], 0x11);
    const Bytes data = {1, 2, 3};
    ASSERT_TRUE(session.WriteUsbData(data.data(), 3));
    EXPECT_EQ(log.writes.at(0), data);
    EXPECT_FALSE(session.ReadUsbData(nullptr, 64, 2000));
    EXPECT_FALSE(session.WriteUsbData(nullptr, 3));
}

TEST(ReaderSession, DispatchServerErrorTextIsCutToTheBuffer) {
    ReaderSession session;
    std::strcpy(session.dispatchErrorText.data(), "ReceiveData From DispatchServer False!");
    struct Case {
        unsigned length;
        const char* expected;
    };
    for (const Case& c :
         {Case{1, ""}, Case{8, "Receive"}, Case{200, "ReceiveData From DispatchServer False!"}}) {
        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        session.GetTwoIdDispatchServerErrorInfo(buffer, c.length);
        EXPECT_STREQ(buffer, c.expected);
        EXPECT_EQ(buffer[std::strlen(c.expected) + 1], 'x');
    }
    char untouched = 'x';
    session.GetTwoIdDispatchServerErrorInfo(&untouched, 0);
    EXPECT_EQ(untouched, 'x');
    session.GetTwoIdDispatchServerErrorInfo(nullptr, 10);
}

TEST(ReaderSession, AccessorsAndBuildTime) {
    ReaderSession session;
    session.SetTwoIdErrorCode(27);
    EXPECT_EQ(session.GetTwoIdErrorCode(), 27);
    session.SetHandleId(9);
    EXPECT_EQ(session.HandleId(), 9);
    char text[32] = {};
    EXPECT_FALSE(session.GetLibBuildTime(text, 31));
    ASSERT_TRUE(session.GetLibBuildTime(text, 32));
    EXPECT_EQ(std::strlen(text), 20u);
}

TEST(CountSlipEscapeRun, Table) {
    struct Case {
        Bytes data;
        unsigned length;
        unsigned expected;
    };
    const Case cases[] = {
        {{0xDB, 0xDD, 0xDD, 0xDC}, 4, 4},
        {{0xDB, 0xDD, 0x00}, 3, 0},
        {{0xC0}, 1, 0},
        {{0xDB, 0xDC}, 2, 2},
        {{0xDB}, 1, 1},
        {{0xDB, 0xDD, 0xDD}, 3, 3},
        // The length bounds the scan: the 0xDC beyond it is not read.
        {{0xDB, 0xDD, 0xDC}, 2, 2},
        {{0xDB, 0xDC}, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CountSlipEscapeRun(c.data.data(), c.length), c.expected) << "length " << c.length;
    }
    EXPECT_EQ(CountSlipEscapeRun(nullptr, 4), 0u);
    // A length of 0 reads nothing, not even the first byte (the sanitizer would see it).
    const auto empty = std::make_unique<std::uint8_t[]>(0);
    EXPECT_EQ(CountSlipEscapeRun(empty.get(), 0), 0u);
}

}  // namespace
