// Reference-count arithmetic shared by every counted object of the framework
// (objects, notifiees, string data).
//
// Counts are plain words. They are changed with atomic read-modify-write
// operations only while VFPtrInterface::enableThreadSafePointers is set, so a
// process that keeps each model on one thread pays nothing for atomics.
//
// WARNING: flip enableThreadSafePointers before a second thread touches any
// counted object, never while objects are shared between threads.
#pragma once

#include <atomic>
#include <cstddef>

#include "Xel/Export.h"
#include "Xel/Types.h"

namespace Xel {

class XEL_EXPORT VFPtrInterface {
 public:
  // Process-wide switch: reference counts become atomic while it is set.
  static bool enableThreadSafePointers;

  // Every counted object is allocated and freed through this pair, from the
  // object heap (Xel/ObjectHeap.h). Freeing is told the object's size,
  // which the virtual destructor of PtrInterface supplies for every type.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size) noexcept;

 protected:
  VFPtrInterface() = default;
  ~VFPtrInterface() = default;
};

namespace refcount {

// Adds `delta` to `word` and returns the new value.
inline U32 add(U32& word, U32 delta) noexcept {
  if (VFPtrInterface::enableThreadSafePointers) {
    return std::atomic_ref<U32>(word).fetch_add(delta, std::memory_order_relaxed) + delta;
  }
  return word += delta;
}

// Subtracts `delta` from `word` and returns the new value. Release/acquire
// ordering makes the thread that sees the count reach zero also see every
// write other threads made before releasing their references.
inline U32 sub(U32& word, U32 delta) noexcept {
  if (VFPtrInterface::enableThreadSafePointers) {
    return std::atomic_ref<U32>(word).fetch_sub(delta, std::memory_order_acq_rel) - delta;
  }
  return word -= delta;
}

// Adds 1 to `word` unless its bits under `mask` are all zero, and says
// whether it did: a count that has reached zero stays there, whatever
// another thread is doing.
inline bool incUnlessZero(U32& word, U32 mask) noexcept {
  if (VFPtrInterface::enableThreadSafePointers) {
    std::atomic_ref<U32> const w(word);
    U32 seen = w.load(std::memory_order_relaxed);
    do {
      if ((seen & mask) == 0) return false;
    } while (!w.compare_exchange_weak(seen, seen + 1, std::memory_order_acquire,
                                      std::memory_order_relaxed));
    return true;
  }
  if ((word & mask) == 0) return false;
  ++word;
  return true;
}

inline void setBits(U32& word, U32 bits) noexcept {
  if (VFPtrInterface::enableThreadSafePointers) {
    std::atomic_ref<U32>(word).fetch_or(bits, std::memory_order_relaxed);
  } else {
    word |= bits;
  }
}

inline void clearBits(U32& word, U32 bits) noexcept {
  if (VFPtrInterface::enableThreadSafePointers) {
    std::atomic_ref<U32>(word).fetch_and(~bits, std::memory_order_relaxed);
  } else {
    word &= ~bits;
  }
}

inline U32 load(U32 const& word) noexcept {
  if (VFPtrInterface::enableThreadSafePointers) {
    return std::atomic_ref<U32>(const_cast<U32&>(word)).load(std::memory_order_relaxed);
  }
  return word;
}

}  // namespace refcount
}  // namespace Xel
