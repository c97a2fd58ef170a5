// The same version sequence kept by git: loose objects, after gc and after
// gc --aggressive, with the time of each add and commit.
#pragma once

#include <string>
#include <vector>

#include "bench_util.h"

namespace bench {

class GitReference {
public:
    explicit GitReference(const std::string& folder);
    // Commits `content` as the next version; returns the milliseconds taken.
    double commit(const Bytes& content);
    uint64_t objectBytes();
    void gc(bool aggressive);

private:
    std::string folder_;
    int serial_ = 0;
};

}  // namespace bench
