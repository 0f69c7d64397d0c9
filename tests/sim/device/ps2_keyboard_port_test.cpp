#include "sim/device/ps2_keyboard_port.h"

#include <gtest/gtest.h>

#include <vector>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Ps2KeyboardPortTest, WellFormedSequencesBecomeKeystrokes) {
    struct Row {
        const char* name;
        Bytes codes;
        std::vector<Bytes> strokes;
    };
    const Row rows[] = {
        {"single key", {0x1C, 0xF0, 0x1C}, {{0x1C}}},
        {"extended key, break from the host", {0xE0, 0x6B, 0xF0, 0xE0, 0x6B}, {{0xE0, 0x6B}}},
        {"extended key, break as a keyboard sends it",
         {0xE0, 0x6B, 0xE0, 0xF0, 0x6B},
         {{0xE0, 0x6B}}},
        {"print screen",
         {0xE0, 0x12, 0xE0, 0x7C, 0xE0, 0xF0, 0x7C, 0xE0, 0xF0, 0x12},
         {{0xE0, 0x12, 0xE0, 0x7C}}},
        {"pause", {0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77}, {{0xE1, 0x14, 0x77}}},
        {"shifted key", {0x12, 0x1C, 0xF0, 0x1C, 0xF0, 0x12}, {{0x12, 0x1C}}},
        {"two keys in a row", {0x16, 0xF0, 0x16, 0x1E, 0xF0, 0x1E}, {{0x16}, {0x1E}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Ps2KeyboardPort port;
        ASSERT_TRUE(port.Play(row.codes));
        EXPECT_EQ(port.Strokes(), row.strokes);
        EXPECT_EQ(port.Output(), row.codes);
    }
}

TEST(Ps2KeyboardPortTest, MalformedSequencesAreRefusedAndLeaveNoTrace) {
    struct Row {
        const char* name;
        Bytes codes;
    };
    const Row rows[] = {
        {"empty", {}},
        {"make without break", {0x1C}},
        {"break without make", {0xF0, 0x1C}},
        {"break of another key", {0x1C, 0xF0, 0x1B}},
        {"extended make, plain break", {0xE0, 0x4A, 0xF0, 0x4A}},
        {"break as the last byte", {0x1C, 0xF0}},
        {"prefix as a code", {0xE0, 0xF0, 0xF0}},
        {"break prefix twice", {0x1C, 0xF0, 0xF0, 0x1C}},
        {"extended prefix twice", {0xE0, 0xE0, 0x6B, 0xF0, 0xE0, 0x6B}},
        {"key pressed twice", {0x1C, 0x1C, 0xF0, 0x1C}},
        {"lone pause prefix", {0xE1, 0x14, 0x77}},
        {"pause while a key is down", {0x12, 0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77}},
        {"two-byte code sent as make and break of a pair", {0x12, 0x1C, 0xF0, 0x12, 0x1C}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Ps2KeyboardPort port;
        ASSERT_TRUE(port.Play(Bytes{0x5A, 0xF0, 0x5A}));
        EXPECT_FALSE(port.Play(row.codes));
        EXPECT_EQ(port.Strokes(), std::vector<Bytes>{{0x5A}});
        EXPECT_EQ(port.Output(), (Bytes{0x5A, 0xF0, 0x5A}));
    }
}

}  // namespace
}  // namespace sim
