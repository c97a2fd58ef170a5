#include "buffer_pool.h"

#include <mutex>

namespace fenn {
namespace {

constexpr size_t kKept = 6;
constexpr size_t kSmallest = 64 * 1024;  // smaller ones come from the heap's free lists
// What all kept buffers may hold together: six of a few megabytes, and none
// of a document of tens of megabytes, whose saves cost far more than fresh
// memory does, and which must not stay alive in several copies.
constexpr size_t kKeptBytes = size_t(32) << 20;

// Never destroyed: a buffer shared with the content cache comes back here
// while statics are torn down at exit, in whatever order they were made.
std::mutex& poolMutex() {
    static std::mutex* m = new std::mutex;
    return *m;
}

std::vector<std::vector<uint8_t>>& kept() {
    static std::vector<std::vector<uint8_t>>* k = new std::vector<std::vector<uint8_t>>;
    return *k;
}

}  // namespace

std::vector<uint8_t> BufferPool::take(size_t capacity) {
    std::vector<uint8_t> out;
    if (capacity >= kSmallest) {
        std::lock_guard<std::mutex> g(poolMutex());
        std::vector<std::vector<uint8_t>>& list = kept();
        // The smallest kept buffer that is large enough.
        size_t best = list.size();
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].capacity() >= capacity && (best == list.size() || list[i].capacity() < list[best].capacity()))
                best = i;
        if (best < list.size()) {
            out.swap(list[best]);
            list.erase(list.begin() + long(best));
        }
    }
    out.clear();
    return out;
}

void BufferPool::give(std::vector<uint8_t>&& buffer) {
    if (buffer.capacity() < kSmallest || buffer.capacity() > kKeptBytes) return;
    std::vector<uint8_t> b;
    b.swap(buffer);
    std::lock_guard<std::mutex> g(poolMutex());
    std::vector<std::vector<uint8_t>>& list = kept();
    if (list.size() >= kKept) list.erase(list.begin());  // the oldest goes
    size_t total = b.capacity();
    for (const std::vector<uint8_t>& k : list) total += k.capacity();
    while (!list.empty() && total > kKeptBytes) {
        total -= list.front().capacity();
        list.erase(list.begin());
    }
    list.push_back(std::move(b));
}

std::shared_ptr<const std::vector<uint8_t>> BufferPool::share(std::vector<uint8_t>&& bytes) {
    // Should the shared state not be had, the deleter runs at once.
    return std::shared_ptr<const std::vector<uint8_t>>(new std::vector<uint8_t>(std::move(bytes)),
                                                       [](const std::vector<uint8_t>* v) {
        std::vector<uint8_t>* mine = const_cast<std::vector<uint8_t>*>(v);
        try {
            give(std::move(*mine));
        } catch (...) {
            // Keeping it failed: it is simply freed.
        }
        delete mine;
    });
}

}  // namespace fenn
