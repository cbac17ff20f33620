#include "Xel/ObjectPool.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace Xel::objectPool {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool poolable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool poolable = false;
#else
constexpr bool poolable = true;
#endif
#else
constexpr bool poolable = true;
#endif

constexpr std::size_t grain = 8;
constexpr std::size_t classes = largestPooled / grain;
constexpr std::size_t slabSize = std::size_t{16} << 10;

// Class c holds blocks of (c + 1) * grain bytes.
constexpr std::size_t classOf(std::size_t size) noexcept {
  return (size + grain - 1) / grain - (size != 0);
}

struct FreeBlock {
  FreeBlock* next;
};

// Free blocks of each class, and the untouched rest of each class's newest
// slab: blocks are cut from it only when the free list is empty, so a slab
// costs memory as it is used, not when it is taken.
struct Cache {
  FreeBlock* free[classes] = {};
  char* carve[classes] = {};
  char* carveEnd[classes] = {};
  std::int64_t bytesInUse = 0;
  std::uint64_t allocations = 0;

  // Moves the uncut rest of every slab onto the free lists, so that the
  // blocks can change hands.
  void cutAll() noexcept {
    for (std::size_t c = 0; c < classes; ++c) {
      std::size_t const size = (c + 1) * grain;
      for (; carve[c] && carve[c] + size <= carveEnd[c]; carve[c] += size) {
        auto* b = reinterpret_cast<FreeBlock*>(carve[c]);
        b->next = free[c];
        free[c] = b;
      }
      carve[c] = carveEnd[c] = nullptr;
    }
  }
};

bool on = poolable;

// Read before the library's own static objects are made, so that no object
// is allocated one way and freed the other.
[[gnu::constructor(101)]] void readSwitch() {
  char const* const value = std::getenv("XEL_OBJECT_POOL");
  if (value && (std::strcmp(value, "0") == 0 || std::strcmp(value, "off") == 0)) on = false;
}

constinit std::mutex depotMutex;
// What ended threads left behind, guarded by depotMutex; also serves
// threads that allocate after their own cache is gone.
constinit Cache depot;
std::atomic<std::size_t> slabTotal{0};

// The calling thread's cache. Initial-exec: every allocation reads it, and
// the general TLS model costs a library call per read.
[[gnu::tls_model("initial-exec")]] thread_local constinit Cache* threadCache = nullptr;
[[gnu::tls_model("initial-exec")]] thread_local constinit bool threadEnded = false;

// Hands the thread's blocks to the depot when the thread ends.
struct CacheOwner {
  Cache* cache = nullptr;
  ~CacheOwner() {
    threadCache = nullptr;
    threadEnded = true;
    if (!cache) return;
    cache->cutAll();
    {
      std::lock_guard const lock(depotMutex);
      for (std::size_t c = 0; c < classes; ++c) {
        // The depot's lists are short (threads refill from them whole), the
        // thread's may hold a whole tree: the depot's is the one walked.
        FreeBlock** tail = &depot.free[c];
        while (*tail) tail = &(*tail)->next;
        *tail = cache->free[c];
      }
      depot.bytesInUse += cache->bytesInUse;
    }
    delete cache;
  }
};
thread_local CacheOwner cacheOwner;

void* cut(Cache& cache, std::size_t c) {
  std::size_t const size = (c + 1) * grain;
  if (!cache.carve[c] || cache.carve[c] + size > cache.carveEnd[c]) {
    // The old slab's last sliver, too small for a block, is left unused.
    void* slab = std::malloc(slabSize);
    if (!slab) throw std::bad_alloc();
    slabTotal.fetch_add(slabSize, std::memory_order_relaxed);
    cache.carve[c] = static_cast<char*>(slab);
    cache.carveEnd[c] = cache.carve[c] + slabSize;
  }
  void* const p = cache.carve[c];
  cache.carve[c] += size;
  return p;
}

void* take(Cache& cache, std::size_t c) {
  if (FreeBlock* const b = cache.free[c]) {
    cache.free[c] = b->next;
    return b;
  }
  if (&cache != &depot) {
    // Blocks that ended threads left are used before new slabs.
    std::lock_guard const lock(depotMutex);
    if (depot.free[c]) {
      cache.free[c] = depot.free[c];
      depot.free[c] = nullptr;
      FreeBlock* const b = cache.free[c];
      cache.free[c] = b->next;
      return b;
    }
  }
  return cut(cache, c);
}

// The calling thread's cache, made on its first use; null once the thread
// is ending.
Cache* ownCache() {
  if (Cache* const cache = threadCache) return cache;
  if (threadEnded) return nullptr;
  auto* const cache = new Cache;
  cacheOwner.cache = cache;
  threadCache = cache;
  return cache;
}

}  // namespace

void* allocate(std::size_t size) {
  if (!on || size > largestPooled) return ::operator new(size);
  std::size_t const c = classOf(size);
  Cache* const cache = ownCache();
  if (!cache) {
    std::lock_guard const lock(depotMutex);
    depot.bytesInUse += std::int64_t((c + 1) * grain);
    return take(depot, c);
  }
  void* const p = take(*cache, c);
  cache->bytesInUse += std::int64_t((c + 1) * grain);
  ++cache->allocations;
  return p;
}

void release(void* p, std::size_t size) noexcept {
  if (!p) return;
  if (!on || size > largestPooled) {
    ::operator delete(p, size);
    return;
  }
  std::size_t const c = classOf(size);
  auto* const b = static_cast<FreeBlock*>(p);
  if (Cache* const cache = ownCache()) {
    b->next = cache->free[c];
    cache->free[c] = b;
    cache->bytesInUse -= std::int64_t((c + 1) * grain);
    return;
  }
  // A thread whose cache is gone gives the block straight to the depot.
  std::lock_guard const lock(depotMutex);
  b->next = depot.free[c];
  depot.free[c] = b;
  depot.bytesInUse -= std::int64_t((c + 1) * grain);
}

bool enabled() noexcept {
  return on;
}

std::int64_t threadBytesInUse() noexcept {
  Cache const* const cache = threadCache;
  return cache ? cache->bytesInUse : 0;
}

std::uint64_t threadAllocations() noexcept {
  Cache const* const cache = threadCache;
  return cache ? cache->allocations : 0;
}

std::size_t slabBytes() noexcept {
  return slabTotal.load(std::memory_order_relaxed);
}

}  // namespace Xel::objectPool
