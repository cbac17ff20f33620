#include "allocation_counter.h"

#include <Xel/ObjectHeap.h>
#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {
// Benchmarks run on one thread; plain counters keep the cost out of the
// measurement.
std::size_t allocations = 0;
std::size_t liveBytes = 0;

// What a block takes from the C library's allocator: what it may use, and
// the word before it where the allocator keeps its size (a 24-byte node
// takes a 32-byte chunk). Counting only the usable bytes would flatter
// every baseline that allocates from it against the model's objects, whose
// heap keeps no header.
std::size_t footprint(void* p) noexcept {
  return malloc_usable_size(p) + sizeof(std::size_t);
}

void* allocate(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  ++allocations;
  liveBytes += footprint(p);
  return p;
}

void release(void* p) noexcept {
  if (!p) return;
  liveBytes -= footprint(p);
  std::free(p);
}
}  // namespace

namespace bench {
HeapCount heapNow() noexcept {
  // Counted objects come from the framework's object heap, unseen by the
  // functions below: it counts them itself.
  return {allocations + std::size_t(Xel::objectHeap::threadAllocations()),
          liveBytes + std::size_t(Xel::objectHeap::threadBytesInUse())};
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
