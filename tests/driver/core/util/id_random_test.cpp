#include "core/util/id_random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

bool IsLowerHex(const std::string& text) {
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

TEST(GetIdRandom, WritesOnlyTheBytesAskedFor) {
    char buffer[200];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(GetIdRandom(buffer, 8), 0);
    EXPECT_TRUE(IsLowerHex(std::string(buffer, 8)));
    EXPECT_EQ(buffer[8], 'Z');

    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(GetIdRandom(buffer, 40), 0);
    EXPECT_TRUE(IsLowerHex(std::string(buffer, 32)));
    EXPECT_EQ(std::string(buffer + 32, 8), std::string(8, '\0'));
    EXPECT_EQ(buffer[40], 'Z');

    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(GetIdRandom(buffer, 200), 0);  // at most 128 bytes
    EXPECT_EQ(std::strlen(buffer), 32u);
    EXPECT_EQ(std::string(buffer + 32, 96), std::string(96, '\0'));
    EXPECT_EQ(buffer[128], 'Z');
}

TEST(GetIdRandom, NothingToWriteReturnsZero) {
    char buffer[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(GetIdRandom(nullptr, 33), 0);
    EXPECT_EQ(GetIdRandom(buffer, 0), 0);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
}

TEST(GetIdRandom, ConcurrentCallersGetDistinctIdentifiers) {
    constexpr int kThreads = 4;
    constexpr int kEach = 250;
    std::mutex lock;
    std::set<std::string> seen;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                char id[33];
                GetIdRandom(id, sizeof id);
                std::lock_guard<std::mutex> guard(lock);
                seen.insert(id);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kEach));
}

TEST(GetIdRandom, LeavesTheHostsRandomSequenceAlone) {
    std::srand(1234);
    const int first = std::rand();
    const int second = std::rand();
    std::srand(1234);
    EXPECT_EQ(std::rand(), first);
    char id[33];
    GetIdRandom(id, sizeof id);
    EXPECT_EQ(std::rand(), second);
}
