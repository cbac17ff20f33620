// ObjectHeap: where counted objects and collection nodes live.
//
// OVERVIEW
//   A model tree is millions of small objects of a few sizes: entities,
//   notifiees, collection nodes. They are allocated from mimalloc, whose
//   size classes are 8 bytes apart at these sizes (the C library's round a
//   32-byte node up to a 48-byte block) and whose free lists belong to
//   pages of 64 KiB, so that objects made together stay together even after
//   years of churn: a free list shared by a whole size class hands out, in
//   the steady state, blocks scattered over every page it has ever had.
//
//   The number and bytes of the blocks each thread has taken are counted
//   (blocks returned by other threads count against theirs), for
//   benchmarks and tests that look at the cost of an operation.
//
// SWITCHING IT OFF
//   The environment variable XEL_OBJECT_HEAP=0, read once at load, sends
//   every object to the C++ allocator instead: for memory checkers, and for
//   comparing with an allocator preloaded for the whole process. Builds
//   without mimalloc (configured with XEL_WITH_MIMALLOC=OFF, as the
//   sanitizer and 32-bit builds are) always use the C++ allocator, so that
//   sanitizers see every object's life.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Xel/Export.h"

namespace Xel::objectHeap {

// A block of at least `size` bytes, aligned for any counted object.
XEL_EXPORT void* allocate(std::size_t size);
// Returns a block; `size` is the one it was allocated with.
XEL_EXPORT void release(void* p, std::size_t size) noexcept;

// Whether objects come from mimalloc in this process.
XEL_EXPORT bool enabled() noexcept;

// Bytes of blocks this thread has taken from mimalloc and not returned (as
// mimalloc rounds them), and the number of blocks it has taken.
XEL_EXPORT std::int64_t threadBytesInUse() noexcept;
XEL_EXPORT std::uint64_t threadAllocations() noexcept;

}  // namespace Xel::objectHeap
