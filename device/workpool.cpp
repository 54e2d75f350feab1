#include "device/workpool.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

unsigned WorkerCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

void ForEachOnCores(size_t count, const std::function<void(size_t)> &work)
{
    std::atomic<size_t> next = 0;
    const auto run = [&] {
        for (size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> helpers;
    const size_t threads = std::min<size_t>(WorkerCount(), count);
    for (size_t t = 1; t < threads; ++t)
        helpers.emplace_back(run);
    run();
    for (std::thread &helper : helpers)
        helper.join();
}
