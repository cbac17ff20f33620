#include "Xel/ObjectHeap.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if XEL_WITH_MIMALLOC
#include <mimalloc.h>
#endif

namespace Xel::objectHeap {
namespace {

bool on = XEL_WITH_MIMALLOC != 0;

// Read before the library's own static objects are made, so that no object
// is allocated one way and freed the other.
[[gnu::constructor(101)]] void readSwitch() {
  char const* const value = std::getenv("XEL_OBJECT_HEAP");
  if (value && (std::strcmp(value, "0") == 0 || std::strcmp(value, "off") == 0)) on = false;
}

// Initial-exec: every allocation touches them, and the general TLS model
// costs a library call per access.
[[gnu::tls_model("initial-exec")]] thread_local constinit std::int64_t bytesInUse = 0;
[[gnu::tls_model("initial-exec")]] thread_local constinit std::uint64_t allocations = 0;

}  // namespace

void* allocate(std::size_t size) {
#if XEL_WITH_MIMALLOC
  if (on) {
    void* const p = mi_malloc(size);
    if (!p) throw std::bad_alloc();
    bytesInUse += std::int64_t(mi_usable_size(p));
    ++allocations;
    return p;
  }
#endif
  return ::operator new(size);
}

void release(void* p, std::size_t size) noexcept {
  if (!p) return;
#if XEL_WITH_MIMALLOC
  if (on) {
    bytesInUse -= std::int64_t(mi_usable_size(p));
    mi_free_size(p, size);
    return;
  }
#endif
#if __cpp_sized_deallocation
  ::operator delete(p, size);
#else
  // clang leaves sized deallocation off unless asked (-fsized-deallocation).
  static_cast<void>(size);
  ::operator delete(p);
#endif
}

bool enabled() noexcept {
  return on;
}

std::int64_t threadBytesInUse() noexcept {
  return bytesInUse;
}

std::uint64_t threadAllocations() noexcept {
  return allocations;
}

}  // namespace Xel::objectHeap
