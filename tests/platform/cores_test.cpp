#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Cores.h"

using platform::forEachOnCores;

TEST(Cores, EveryJobRunsOnceTheFirstOnTheCallingThread) {
    for (std::size_t count : {0u, 1u, 2u, 37u}) {
        std::vector<std::atomic<int>> runs(count);
        std::thread::id first;
        forEachOnCores(count, [&](std::size_t i) {
            if (i == 0) first = std::this_thread::get_id();
            ++runs[i];
        });
        for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i], 1) << count << " " << i;
        if (count > 0) {
            EXPECT_EQ(first, std::this_thread::get_id());
        }
    }
}
