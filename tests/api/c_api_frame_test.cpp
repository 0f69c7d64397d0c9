#include "api/c_api_frame.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/callback_adapter.h"

// No C++ exception leaves an export: a body that throws gives the export's failure result.

namespace {

TEST(CApiFrame, AThrowingBodyGivesTheFailureResult) {
    EXPECT_EQ(Guarded(-1, []() -> int { throw std::runtime_error("lost"); }), -1);
    EXPECT_EQ(Guarded(0, []() -> int { throw std::bad_alloc(); }), 0);
    EXPECT_NO_THROW(GuardedVoid([] { throw 42; }));

    int handle = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(WithReader(handle, 7, [](ReaderSession&) -> int { throw std::logic_error("x"); }),
              7);
    EXPECT_EQ(ForwardToReader(handle, [](ReaderSession&) -> bool { throw 1; }), 0);
    EXPECT_NO_THROW(WithReaderVoid(handle, [](ReaderSession&) { throw 1; }));
    EXPECT_EQ(ForwardToReader(handle, [](ReaderSession&) { return true; }), 1);
    KorviCardCloseDevice(handle);
    EXPECT_EQ(ForwardToReader(handle, [](ReaderSession&) { return true; }), 0);
}

}  // namespace
