// Heap accounting for the benchmarks: this program replaces the global
// allocation functions, so every allocation of the model and of the
// standard containers is counted, and live bytes are known at any moment.
// Blocks of the framework's object pool count at their size class, as the
// pool hands them out.
#pragma once

#include <cstddef>

namespace bench {

struct HeapCount {
  std::size_t allocations;
  std::size_t liveBytes;
};

HeapCount heapNow() noexcept;

}  // namespace bench
