#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sim/device/printer_capture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PrinterCapture, KeepsPrintDataUpToItsCapacityAndHandsOutClippedPieces) {
    sim::PrinterCapture capture(10);
    capture.Print(Bytes{1, 2, 3, 4, 5, 6});
    capture.Print(Bytes{7, 8, 9, 10, 11, 12});
    EXPECT_EQ(capture.data(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    capture.Print(Bytes{13});
    EXPECT_EQ(capture.data().size(), 10u);

    struct Row {
        std::size_t offset;
        std::size_t count;
        Bytes piece;
    };
    const Row rows[] = {
        {0, 3, {1, 2, 3}}, {8, 5, {9, 10}}, {10, 1, {}}, {50, 4, {}}, {4, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.offset << "+" << row.count);
        const auto piece = capture.Piece(row.offset, row.count);
        EXPECT_EQ(Bytes(piece.begin(), piece.end()), row.piece);
    }
    capture.Clear();
    EXPECT_TRUE(capture.data().empty());
    capture.Print(Bytes{42});
    EXPECT_EQ(capture.data(), Bytes{42});
}

}  // namespace
