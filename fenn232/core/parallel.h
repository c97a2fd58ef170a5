// Runs fn(0..count-1) on up to the machine's core count of threads. Whole
// versions are cut into independent chunks so that both cores of an ordinary
// machine inflate and deflate at once. An exception thrown by fn on any
// thread comes out of parallelFor, on the calling thread.
#pragma once

#include <cstddef>
#include <functional>

namespace fenn {

void parallelFor(size_t count, const std::function<void(size_t)>& fn);

}  // namespace fenn
