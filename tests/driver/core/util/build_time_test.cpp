#include "core/util/build_time.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

TEST(GetLibBuildTime, CompilerDateAndTime) {
    char buffer[32];
    ASSERT_TRUE(GetLibBuildTime(buffer, sizeof buffer));
    const std::string text = buffer;
    // "Jan  9 2020 17:39:27": a one-digit day has a blank before it.
    const std::regex form(
        R"((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ( [1-9]|[12][0-9]|3[01]) )"
        R"(20[0-9]{2} ([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9])");
    EXPECT_TRUE(std::regex_match(text, form)) << text;
    // Built no later than this test, which links the library.
    const std::string testBuilt = __DATE__;
    EXPECT_LE(text.substr(7, 4), testBuilt.substr(7, 4));
}

TEST(GetLibBuildTime, SmallOrMissingBufferIsRefused) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(GetLibBuildTime(buffer, 31));
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(32, 'x'));
    EXPECT_FALSE(GetLibBuildTime(nullptr, 64));
}
