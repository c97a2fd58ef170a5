#include "parallel.h"

#include <atomic>
#include <thread>
#include <vector>

namespace fenn {

void parallelFor(size_t count, const std::function<void(size_t)>& fn) {
    size_t threads = std::thread::hardware_concurrency();
    if (threads < 1) threads = 1;
    if (threads > 8) threads = 8;
    if (threads > count) threads = count;
    if (threads <= 1) {
        for (size_t i = 0; i < count; ++i) fn(i);
        return;
    }
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i = next++; i < count; i = next++) fn(i);
    };
    std::vector<std::thread> pool;
    try {
        for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
    } catch (...) {
        // No thread to be had: the calling thread does the rest alone.
    }
    worker();
    for (auto& t : pool) t.join();
}

}  // namespace fenn
