// Heap accounting for the benchmarks: this program replaces the global
// allocation functions, so every allocation of the model and of the
// standard containers is counted, and live bytes are known at any moment.
// Counted objects come from the framework's object heap (mimalloc), which
// this program does not see: they count as the heap reports them, at their
// size class.
#pragma once

#include <cstddef>

namespace bench {

struct HeapCount {
  std::size_t allocations;
  std::size_t liveBytes;
};

HeapCount heapNow() noexcept;

}  // namespace bench
