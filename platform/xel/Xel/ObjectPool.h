// ObjectPool: where counted objects and collection nodes live.
//
// OVERVIEW
//   A model tree is millions of small objects of a few sizes: entities,
//   notifiees, collection nodes. The C library's allocator rounds each up
//   to its own size classes (a 32-byte node takes a 48-byte block) and
//   keeps a header beside it; this pool keeps blocks in classes 8 bytes
//   apart, with no header, carved from slabs of 16 KiB, so a node costs its
//   own size and neighbours built together sit together. Blocks larger than
//   `largestPooled` go to the C++ allocator.
//
//   Every thread takes and returns blocks through a cache of its own, with
//   no lock; a block freed on another thread than the one that took it
//   joins the freeing thread's cache. When a thread ends, its cache's
//   blocks go to a shared depot (behind a mutex) that other threads refill
//   from. Slabs are kept for the life of the process: memory freed by a
//   smaller tree is reused by the next objects, not given back.
//
// SWITCHING IT OFF
//   The environment variable XEL_OBJECT_POOL=0, read once at load, sends
//   every object to the C++ allocator instead: for memory checkers, and for
//   comparing with an allocator preloaded for the whole process. Builds with
//   AddressSanitizer or ThreadSanitizer never pool, so that they see every
//   object's life.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Xel/Export.h"

namespace Xel::objectPool {

inline constexpr std::size_t largestPooled = 256;

// A block of at least `size` bytes, aligned to 8 bytes: counted objects
// hold nothing that needs more.
XEL_EXPORT void* allocate(std::size_t size);
// Returns a block; `size` is the one it was allocated with.
XEL_EXPORT void release(void* p, std::size_t size) noexcept;

// Whether objects are pooled in this process.
XEL_EXPORT bool enabled() noexcept;

// Bytes of pooled blocks this thread has taken and not returned (blocks
// returned by other threads count against theirs), the number of blocks it
// has taken, and bytes of slabs the whole process holds.
XEL_EXPORT std::int64_t threadBytesInUse() noexcept;
XEL_EXPORT std::uint64_t threadAllocations() noexcept;
XEL_EXPORT std::size_t slabBytes() noexcept;

}  // namespace Xel::objectPool
