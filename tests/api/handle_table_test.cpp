#include "api/handle_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <set>
#include <thread>
#include <vector>

namespace {

std::shared_ptr<int> Object(int value) {
    return std::make_shared<int>(value);
}

TEST(HandleTable, IssuesPositiveIdsThatAreNotReissuedAfterRemoval) {
    HandleTable<int> table;
    int first = table.Add(Object(10));
    int second = table.Add(Object(20));
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    ASSERT_NE(table.Take(first), nullptr);
    int third = table.Add(Object(30));
    EXPECT_NE(third, first);
    EXPECT_EQ(table.Find(first), nullptr);
    EXPECT_EQ(*table.Find(second), 20);
    EXPECT_EQ(*table.Find(third), 30);
}

TEST(HandleTable, IdsThatNameNothingFindNothing) {
    HandleTable<int> table;
    int id = table.Add(Object(1));
    for (int unknown : {0, -1, id + 1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(table.Find(unknown), nullptr) << unknown;
        EXPECT_EQ(table.Take(unknown), nullptr) << unknown;
    }
    ASSERT_NE(table.Take(id), nullptr);
    EXPECT_EQ(table.Take(id), nullptr);
    EXPECT_EQ(table.Size(), 0u);
}

TEST(HandleTable, RefusesANullObject) {
    HandleTable<int> table;
    EXPECT_EQ(table.Add(nullptr), -1);
    EXPECT_EQ(table.Size(), 0u);
}

TEST(HandleTable, WrapsPastIntMaxToOneAndSkipsIdsInUse) {
    HandleTable<int> table(INT_MAX - 1);
    EXPECT_EQ(table.Add(Object(1)), INT_MAX - 1);
    EXPECT_EQ(table.Add(Object(2)), INT_MAX);
    int wrapped = table.Add(Object(3));
    EXPECT_EQ(wrapped, 1);
    ASSERT_NE(table.Take(INT_MAX), nullptr);

    HandleTable<int> busy(INT_MAX);
    ASSERT_EQ(busy.Add(Object(1)), INT_MAX);
    ASSERT_EQ(busy.Add(Object(2)), 1);
    ASSERT_NE(busy.Take(INT_MAX), nullptr);
    // The counter is at 2 now; walk it round to 1, which is still in use.
    HandleTable<int> round(INT_MAX);
    ASSERT_EQ(round.Add(Object(1)), INT_MAX);
    ASSERT_EQ(round.Add(Object(2)), 1);
    ASSERT_NE(round.Take(INT_MAX), nullptr);
    EXPECT_EQ(round.Add(Object(3)), 2);
}

TEST(HandleTable, BindIsGivenTheIssuedId) {
    HandleTable<int> table;
    int seen = 0;
    int id = table.Add(Object(5), [&](int issued) { seen = issued; });
    EXPECT_EQ(seen, id);
    HandleTable<int> refusing;
    int calls = 0;
    EXPECT_EQ(refusing.Add(nullptr, [&](int) { ++calls; }), -1);
    EXPECT_EQ(calls, 0);
}

TEST(HandleTable, ATakenObjectLivesOnWhileACallerHoldsIt) {
    HandleTable<int> table;
    int id = table.Add(Object(7));
    std::shared_ptr<int> inUse = table.Find(id);
    std::weak_ptr<int> watch = inUse;
    table.Take(id);
    EXPECT_FALSE(watch.expired());
    inUse.reset();
    EXPECT_TRUE(watch.expired());
}

TEST(HandleTable, ConcurrentAddsAndTakesNeverShareAnId) {
    HandleTable<int> table;
    constexpr int kThreads = 4;
    constexpr int kRounds = 500;
    std::vector<std::vector<int>> issued(kThreads);
    std::atomic<int> crossed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                int value = t * kRounds + i;
                int id = table.Add(Object(value));
                issued[t].push_back(id);
                std::shared_ptr<int> found = table.Find(id);
                if (!found || *found != value) {
                    ++crossed;
                }
                if (i % 2 == 0) {
                    table.Take(id);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(crossed.load(), 0);
    std::set<int> all;
    for (const std::vector<int>& ids : issued) {
        all.insert(ids.begin(), ids.end());
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kRounds));
    EXPECT_EQ(*all.begin() > 0, true);
    EXPECT_EQ(table.Size(), static_cast<std::size_t>(kThreads * kRounds / 2));
}

}  // namespace
