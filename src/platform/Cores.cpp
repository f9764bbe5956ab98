#include "platform/Cores.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace platform {

std::size_t coreCount() { return std::max(1u, std::thread::hardware_concurrency()); }

void forEachOnCores(std::size_t count, const std::function<void(std::size_t)>& job) {
    if (count == 0) return;
    std::atomic<std::size_t> next{1};
    auto work = [&] {
        for (std::size_t i; (i = next++) < count;) job(i);
    };
    const std::size_t cores = coreCount();
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < std::min(cores, count); ++t) helpers.emplace_back(work);
    job(0);
    work();
    for (auto& h : helpers) h.join();
}

}  // namespace platform
