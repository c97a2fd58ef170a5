#include "parallel.h"

#include <atomic>
#include <exception>
#include <mutex>
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
    // A failure in any thread (a failed allocation) stops the handing out
    // and is rethrown on the calling thread once every thread has ended:
    // nothing escapes a thread of its own, which would end the host.
    std::atomic<size_t> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    auto worker = [&] {
        try {
            for (size_t i = next++; i < count; i = next++) fn(i);
        } catch (...) {
            next = count;
            std::lock_guard<std::mutex> g(failureMutex);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> pool;
    try {
        for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
    } catch (...) {
        // No thread to be had: the calling thread does the rest alone.
    }
    worker();
    for (auto& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace fenn
