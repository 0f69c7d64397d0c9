#include "core/modules/m100_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/protocol/error_codes.h"
#include "support/byte_concat.h"

// The M100 module frame: building commands, reading answers, and the error code of an answer.

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(M100FrameBuild, FramesCarryLengthChecksumAndEnd) {
    struct Row {
        const char* name;
        std::uint8_t type;
        std::uint8_t command;
        Bytes parameters;
        Bytes frame;
    };
    const Bytes forty_one(41, 0x01);
    const Bytes longest = test_bytes::Concat({{0xBB, 0x00, 0x49, 0x00, 0x29},
                                              forty_one,
                                              {static_cast<std::uint8_t>(0x49 + 0x29 + 41), 0x7E}});
    const Row rows[] = {
        {"region 01", 0x00, 0x07, {0x01}, {0xBB, 0x00, 0x07, 0x00, 0x01, 0x01, 0x09, 0x7E}},
        {"inventory", 0x00, 0x22, {}, {0xBB, 0x00, 0x22, 0x00, 0x00, 0x22, 0x7E}},
        {"checksum wraps",
         0x00,
         0xF0,
         {0xFF, 0x20},
         {0xBB, 0x00, 0xF0, 0x00, 0x02, 0xFF, 0x20, 0x11, 0x7E}},
        {"41 parameters", 0x00, 0x49, forty_one, longest},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::array<std::uint8_t, kM100MaxSendFrame> out{};
        const std::size_t n =
            BuildM100Frame(row.type, row.command, static_cast<unsigned>(row.parameters.size()),
                           row.parameters.data(), out.data());
        ASSERT_EQ(n, row.parameters.size() + 7);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n)), row.frame);
    }
}

TEST(M100FrameBuild, RefusesWhatCannotBeSent) {
    std::array<std::uint8_t, 64> out{};
    out.fill(0xCC);
    const Bytes parameters(42, 0x01);
    EXPECT_EQ(BuildM100Frame(0, 0x49, 42, parameters.data(), out.data()), 0u);
    EXPECT_EQ(BuildM100Frame(0, 0x07, 1, nullptr, out.data()), 0u);
    EXPECT_EQ(BuildM100Frame(0, 0x07, 1, parameters.data(), nullptr), 0u);
    EXPECT_EQ(out[0], 0xCC) << "nothing written for a refused frame";
    EXPECT_EQ(BuildM100Frame(0, 0x28, 0, nullptr, out.data()), 7u);
}

TEST(M100FrameParse, ReadsWholeFramesOnly) {
    const Bytes power = {0xBB, 0x01, 0xB7, 0x00, 0x02, 0x07, 0xD0, 0x91, 0x7E};
    struct Row {
        const char* name;
        Bytes bytes;
        int code;
    };
    Bytes trailing = power;
    trailing.insert(trailing.end(), {0x00, 0x00, 0x55});
    Bytes badChecksum = power;
    badChecksum[7] ^= 0x01;
    Bytes badEnd = power;
    badEnd[8] = 0x7F;
    Bytes badHeader = power;
    badHeader[0] = 0xBA;
    Bytes longLength = power;
    longLength[4] = 0x03;
    Bytes highLength = power;
    highLength[3] = 0x01;
    const Row rows[] = {
        {"whole", power, LCEC_OK},
        {"bytes after the end byte", trailing, LCEC_OK},
        {"empty", {}, LCEC_RECV_TIME_OUT},
        {"header only", {0xBB}, LCEC_RECV_TIME_OUT},
        {"cut before the checksum", Bytes(power.begin(), power.begin() + 7), LCEC_RECV_TIME_OUT},
        {"cut before the end byte", Bytes(power.begin(), power.begin() + 8), LCEC_RECV_TIME_OUT},
        {"length past the bytes", longLength, LCEC_RECV_TIME_OUT},
        {"high length byte past the bytes", highLength, LCEC_RECV_TIME_OUT},
        {"checksum", badChecksum, LCEC_RECV_CRC_FALSE},
        {"end byte", badEnd, LCEC_RECV_CRC_FALSE},
        {"header", badHeader, LCEC_RECV_CRC_FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        M100Frame frame;
        frame.command = 0x42;
        ASSERT_EQ(ParseM100Frame(row.bytes, frame), row.code);
        if (row.code != LCEC_OK) {
            EXPECT_EQ(frame.command, 0x42) << "frame untouched";
            continue;
        }
        EXPECT_EQ(frame.type, 0x01);
        EXPECT_EQ(frame.command, 0xB7);
        EXPECT_EQ(Bytes(frame.parameters.begin(), frame.parameters.end()), (Bytes{0x07, 0xD0}));
    }
}

TEST(M100ReplyError, NamesTheModulesFailure) {
    const Bytes noTag = {0x15};
    const Bytes other = {0x17};
    struct Row {
        const char* name;
        std::uint8_t type;
        Bytes parameters;
        int code;
    };
    const Row rows[] = {
        {"command", 0x00, other, LCEC_OK},
        {"notice", 0x02, other, LCEC_OK},
        {"response, no tag", 0x01, noTag, LCEC_M100_INVENTORY_FAIL},
        {"response, other error", 0x01, other, LCEC_UNKNOWN},
        {"response without parameters", 0x01, {}, LCEC_UNKNOWN},
        {"unknown type", 0x05, noTag, LCEC_UNKNOWN},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const M100Frame frame{row.type, 0xFF, row.parameters};
        EXPECT_EQ(M100ReplyError(&frame), row.code);
    }
    EXPECT_EQ(M100ReplyError(nullptr), LCEC_UNKNOWN);
}

}  // namespace
