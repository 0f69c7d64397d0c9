#include "core/util/log_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace {

class LogFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvicard_log_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        path_ = folder_ + "/reader.log";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string folder_;
    std::string path_;
};

std::tm Time(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

}  // namespace

TEST(FormatLogLine, NumbersWithoutLeadingZeros) {
    EXPECT_EQ(FormatLogLine(Time(2024, 3, 2, 9, 5, 3), 7, "card read"),
              "2024-3-2 9:5:3:7 card read\r\n");
    EXPECT_EQ(FormatLogLine(Time(2023, 12, 31, 23, 59, 59), 999, ""),
              "2023-12-31 23:59:59:999 \r\n");
}

TEST(FormatLogLine, LongTextIsCutAndKeepsItsLineEnd) {
    const std::string text(2000, 'x');
    const std::string line = FormatLogLine(Time(2024, 3, 2, 9, 5, 3), 7, text.c_str());
    EXPECT_EQ(line.size(), kLogLineMaxLength);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    EXPECT_EQ(line.substr(0, 17), "2024-3-2 9:5:3:7 ");
    EXPECT_EQ(line.find_first_not_of('x', 17), line.size() - 2);
    // A line one character short of the limit is not cut.
    const std::string fits(kLogLineMaxLength - 2 - 17, 'y');
    EXPECT_EQ(FormatLogLine(Time(2024, 3, 2, 9, 5, 3), 7, fits.c_str()).size(), kLogLineMaxLength);
}

TEST_F(LogFile, TwoLinesAreAppendedWithTheLocalTime) {
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(SaveLog(path_.c_str(), "first line", 1), 0);
    ASSERT_EQ(SaveLog(path_.c_str(), "second", 1), 0);
    const std::time_t after = std::time(nullptr);

    const std::string contents = Contents();
    const std::regex line(R"((\d+)-(\d+)-(\d+) (\d+):(\d+):(\d+):(\d+) ([^\r\n]*)\r\n)");
    auto it = std::sregex_iterator(contents.begin(), contents.end(), line);
    const char* texts[] = {"first line", "second"};
    std::size_t consumed = 0;
    for (const char* text : texts) {
        ASSERT_NE(it, std::sregex_iterator()) << contents;
        const std::smatch& m = *it;
        EXPECT_EQ(m.position(0), static_cast<long>(consumed));
        consumed += m.length(0);
        for (int field = 1; field <= 7; ++field) {
            const std::string digits = m[field].str();
            EXPECT_TRUE(digits == "0" || digits[0] != '0') << "leading zero in " << digits;
        }
        std::tm stamp{};
        stamp.tm_year = std::stoi(m[1]) - 1900;
        stamp.tm_mon = std::stoi(m[2]) - 1;
        stamp.tm_mday = std::stoi(m[3]);
        stamp.tm_hour = std::stoi(m[4]);
        stamp.tm_min = std::stoi(m[5]);
        stamp.tm_sec = std::stoi(m[6]);
        stamp.tm_isdst = -1;
        const std::time_t when = std::mktime(&stamp);
        EXPECT_GE(when, before);
        EXPECT_LE(when, after);
        EXPECT_LT(std::stoi(m[7]), 1000);
        EXPECT_EQ(m[8].str(), text);
        ++it;
    }
    EXPECT_EQ(consumed, contents.size());
}

TEST_F(LogFile, AppendZeroWritesNothing) {
    ASSERT_EQ(SaveLog(path_.c_str(), "kept", 1), 0);
    const std::string before = Contents();
    EXPECT_EQ(SaveLog(path_.c_str(), "dropped", 0), 0);
    EXPECT_EQ(Contents(), before);
    const std::string absent = folder_ + "/absent.log";
    EXPECT_EQ(SaveLog(absent.c_str(), "dropped", 0), 0);
    EXPECT_FALSE(std::filesystem::exists(absent));
}

TEST_F(LogFile, FailuresAreReported) {
    EXPECT_EQ(SaveLog(nullptr, "line", 1), -1);
    EXPECT_EQ(SaveLog(path_.c_str(), nullptr, 1), -1);
    EXPECT_FALSE(std::filesystem::exists(path_));

    const std::string inMissingFolder = folder_ + "/missing/reader.log";
    EXPECT_EQ(SaveLog(inMissingFolder.c_str(), "line", 1), -1);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/missing"));

    EXPECT_EQ(SaveLog(folder_.c_str(), "line", 1), -1);  // a folder is no log file
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

TEST_F(LogFile, FullDeviceIsAFailure) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(SaveLog("/dev/full", "line", 1), -1);
}
