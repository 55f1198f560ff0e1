// The rank cache under many rank workers at once (also run under TSan).
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/lookups.h"

namespace brevink {
namespace {

TEST(RankCacheThreads, ConcurrentStoresKeepOneEntryPerHost) {
    RankCache cache;
    constexpr int kThreads = 13;
    constexpr int kHosts = 200;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&cache, t] {
            for (int h = 0; h < kHosts; ++h) {
                const std::string host = "h" + std::to_string(h) + ".com";
                std::string rank;
                if (!cache.Lookup(host, rank)) {
                    cache.Store(host, std::to_string(t));
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(cache.Size(), static_cast<size_t>(kHosts));
    for (int h = 0; h < kHosts; ++h) {
        std::string rank;
        ASSERT_TRUE(cache.Lookup("h" + std::to_string(h) + ".com", rank));
        const int stored = std::stoi(rank);
        EXPECT_GE(stored, 0);
        EXPECT_LT(stored, kThreads);
    }
}

}  // namespace
}  // namespace brevink
