#include "sim/cards/apdu_script.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ApduScriptTest, RulesMatchExactlyOrByPrefixInOrder) {
    ApduScript script(R"(
        # comments and blank lines are skipped

        00A4 0400 02 3F00  => 6F 02 84 00 9000
        0084000004*        => 11223344 9000
        0084*              => 6700
        00B0               => 6982
    )");
    ASSERT_EQ(script.rules().size(), 4u);
    struct Row {
        Bytes command;
        Bytes answer;  // data then status word
    };
    const Row rows[] = {
        {{0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00}, {0x6F, 0x02, 0x84, 0x00, 0x90, 0x00}},
        {{0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F}, {0x6D, 0x00}},  // an exact rule needs all bytes
        {{0x00, 0x84, 0x00, 0x00, 0x04}, {0x11, 0x22, 0x33, 0x44, 0x90, 0x00}},
        {{0x00, 0x84, 0x00, 0x00, 0x08}, {0x67, 0x00}},  // falls to the later prefix
        {{0x00, 0xB0}, {0x69, 0x82}},
        {{0x00, 0xB0, 0x00}, {0x6D, 0x00}},
        {{0x80, 0xCA, 0x9F, 0x7F, 0x00}, {0x6D, 0x00}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(script.Process(row.command).Bytes(), row.answer);
    }
    EXPECT_EQ(script.received().size(), std::size(rows));
    EXPECT_EQ(script.received()[1], rows[1].command);

    script.SetUnmatchedAnswer(ApduAnswer::Status(0x6E, 0x00));
    EXPECT_EQ(script.Process(Bytes{0xFF, 0x00, 0x00, 0x00}).Bytes(), (Bytes{0x6E, 0x00}));
}

TEST(ApduScriptTest, MalformedLinesAreRefusedWholeWithTheirLine) {
    const char* const bad[] = {
        "00A4 9000",     // no arrow
        "00A => 9000",   // odd digit count
        "0G00 => 9000",  // not hex
        "=> 9000",       // no command
        "00A4 => 90",    // no status word
        "00A4 => 90 0X",
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        ApduScript script;
        std::string error;
        EXPECT_FALSE(script.Load(std::string("00B0 => 9000\n") + line, &error));
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
        EXPECT_TRUE(script.rules().empty());
        EXPECT_THROW(ApduScript{line}, std::invalid_argument);
    }
}

}  // namespace
}  // namespace sim
