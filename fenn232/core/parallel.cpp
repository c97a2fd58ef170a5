#include "parallel.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>
#if defined(_WIN32)
#include <windows.h>
#endif

namespace fenn {
namespace {

// Hands out the indices to every thread taking part. A failure in any
// thread (a failed allocation) stops the handing out and is kept, to be
// rethrown on the calling thread once every thread has ended: nothing
// escapes a thread of its own, which would end the host.
class Run {
public:
    Run(size_t count, const std::function<void(size_t)>& fn) : count_(count), fn_(fn) {}
    void work() {
        try {
            for (size_t i = next_++; i < count_; i = next_++) fn_(i);
        } catch (...) {
            next_ = count_;
            std::lock_guard<std::mutex> g(mutex_);
            if (!failure_) failure_ = std::current_exception();
        }
    }
    void rethrow() {
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    const size_t count_;
    const std::function<void(size_t)>& fn_;
    std::atomic<size_t> next_{0};
    std::mutex mutex_;
    std::exception_ptr failure_;
};

#if defined(_WIN32)
// The system's thread pool: its threads stay, where making a thread of our
// own for each call costs milliseconds (under Wine more than a whole
// chunk's inflating). Once every index is handed out, callbacks that have
// not started yet are cancelled (they would find nothing left: a pool slow
// to wake never holds the caller up) and running ones are waited for, so
// none outlives the call, nor the module.
void CALLBACK helper(PTP_CALLBACK_INSTANCE, void* context, PTP_WORK) { static_cast<Run*>(context)->work(); }

void runHelpers(size_t helpers, Run& run) {
    PTP_WORK work = CreateThreadpoolWork(helper, &run, nullptr);
    if (work)
        for (size_t t = 0; t < helpers; ++t) SubmitThreadpoolWork(work);
    run.work();  // without a pool, the calling thread does it all
    if (work) {
        WaitForThreadpoolWorkCallbacks(work, TRUE);
        CloseThreadpoolWork(work);
    }
}
#else
void runHelpers(size_t helpers, Run& run) {
    std::vector<std::thread> pool;
    try {
        for (size_t t = 0; t < helpers; ++t) pool.emplace_back([&run] { run.work(); });
    } catch (...) {
        // No thread to be had: the calling thread does the rest alone.
    }
    run.work();
    for (auto& t : pool) t.join();
}
#endif

}  // namespace

void parallelFor(size_t count, const std::function<void(size_t)>& fn) {
    size_t threads = std::thread::hardware_concurrency();
    if (threads < 1) threads = 1;
    if (threads > 8) threads = 8;
    if (threads > count) threads = count;
    if (threads <= 1) {
        for (size_t i = 0; i < count; ++i) fn(i);
        return;
    }
    Run run(count, fn);
    runHelpers(threads - 1, run);
    run.rethrow();
}

}  // namespace fenn
