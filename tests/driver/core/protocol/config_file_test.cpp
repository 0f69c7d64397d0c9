#include "core/protocol/config_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class ConfigFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvicard_config_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = std::string(pattern) + "/";
        block_.fill(0xEE);  // stale bytes that every read must clear
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void WriteConfig(std::size_t size) {
        std::ofstream out(folder_ + kConfigFileName, std::ios::binary);
        for (std::size_t i = 0; i < size; ++i) out.put(static_cast<char>(i + 1));
    }

    std::string folder_;
    std::array<std::uint8_t, kConfigBlockSize> block_{};
};

}  // namespace

TEST_F(ConfigFolder, WholeFileFillsTheBlock) {
    WriteConfig(kConfigBlockSize + 20);  // bytes past the block are not read
    ASSERT_TRUE(ReadConfigFileFrom(folder_, block_));
    for (std::size_t i = 0; i < kConfigBlockSize; ++i) {
        EXPECT_EQ(block_[i], static_cast<std::uint8_t>(i + 1)) << "byte " << i;
    }
}

TEST_F(ConfigFolder, ShortFileFillsOnlyTheBeginning) {
    WriteConfig(10);
    ASSERT_TRUE(ReadConfigFileFrom(folder_, block_));
    for (std::size_t i = 0; i < kConfigBlockSize; ++i) {
        EXPECT_EQ(block_[i], i < 10 ? static_cast<std::uint8_t>(i + 1) : 0) << "byte " << i;
    }
}

TEST_F(ConfigFolder, MissingOrUnreadableFileLeavesTheBlockZero) {
    const std::array<std::uint8_t, kConfigBlockSize> zero{};
    EXPECT_FALSE(ReadConfigFileFrom(folder_, block_));
    EXPECT_EQ(block_, zero);

    std::filesystem::create_directory(folder_ + kConfigFileName);  // a folder in its place
    block_.fill(0xEE);
    EXPECT_FALSE(ReadConfigFileFrom(folder_, block_));
    EXPECT_EQ(block_, zero);
}

TEST(ConfigFile, DefaultFolderIsTheRunningProgramsFolder) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    const std::filesystem::path program(std::string(self, static_cast<std::size_t>(length)));
    EXPECT_EQ(HostProgramFolder(), program.parent_path().string() + "/");

    std::array<std::uint8_t, kConfigBlockSize> fromDefault{};
    std::array<std::uint8_t, kConfigBlockSize> fromFolder{};
    EXPECT_EQ(ReadConfigFile(fromDefault), ReadConfigFileFrom(HostProgramFolder(), fromFolder));
    EXPECT_EQ(fromDefault, fromFolder);
}
