#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/modules/string_command.h"

namespace {

using Pieces = std::vector<std::string>;

TEST(SplitString, EveryPieceBetweenDelimitersEmptyOnesIncluded) {
    struct Row {
        std::string text;
        std::string delimiter;
        Pieces pieces;
    };
    const Row rows[] = {
        {"a,,b", ",", {"a", "", "b"}},
        {"a,", ",", {"a", ""}},
        {",a", ",", {"", "a"}},
        {"", ",", {""}},
        {",", ",", {"", ""}},
        {"x,x,x,Read,x,4", ",", {"x", "x", "x", "Read", "x", "4"}},
        {"a::b:c", "::", {"a", "b:c"}},
        {"a:::b", "::", {"a", ":b"}},
        {"abc", "", {"abc"}},
        {std::string("a\0b,c", 5), ",", {std::string("a\0b", 3), "c"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text + " / " + row.delimiter);
        EXPECT_EQ(SplitString(row.text, row.delimiter), row.pieces);
    }
}

}  // namespace
