#include "allocation_counter.h"

#include <Xel/ObjectPool.h>
#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {
// Benchmarks run on one thread; plain counters keep the cost out of the
// measurement.
std::size_t allocations = 0;
std::size_t liveBytes = 0;

void* allocate(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  ++allocations;
  liveBytes += malloc_usable_size(p);
  return p;
}

void release(void* p) noexcept {
  if (!p) return;
  liveBytes -= malloc_usable_size(p);
  std::free(p);
}
}  // namespace

namespace bench {
HeapCount heapNow() noexcept {
  // Counted objects come from the framework's pool, whose slabs come from
  // malloc unseen: what counts is the blocks handed out.
  return {allocations + std::size_t(Xel::objectPool::threadAllocations()),
          liveBytes + std::size_t(Xel::objectPool::threadBytesInUse())};
}
}  // namespace bench

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void operator delete(void* p) noexcept {
  release(p);
}
void operator delete[](void* p) noexcept {
  release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  release(p);
}
