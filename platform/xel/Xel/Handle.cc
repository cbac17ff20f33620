#include "Xel/Handle.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <unordered_map>

#include "Xel/PtrInterface.h"

namespace Xel {

namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<PtrInterface const*, U64> byObject;
  std::unordered_map<U64, PtrInterface const*> byHandle;
  U64 last = 0;
};

// Never destroyed: objects may die during static destruction, after a
// function-local table would already be gone.
Table& table() {
  static Table* const t = new Table();
  return *t;
}

// What a dying object reads without the mutex and without making the
// table: how many handles there are, and a bit per group of addresses that
// is set when an object in the group is given a handle. Only an object whose
// bit is set looks in the table. Bits are cleared when the last handle goes.
constinit std::atomic<std::size_t> live{0};
constexpr std::size_t markWords = 64;
constinit std::atomic<U64> marks[markWords] = {};

struct Mark {
  std::size_t word;
  U64 bit;
};

Mark markOf(PtrInterface const* p) noexcept {
  std::size_t const h = std::hash<PtrInterface const*>()(p) >> 4;  // allocations are aligned
  return {(h / 64) % markWords, U64(1) << (h % 64)};
}

}  // namespace

U64 handleOf(PtrInterface const* p) {
  if (!p) return 0;
  Table& t = table();
  std::lock_guard<std::mutex> const lock(t.mutex);
  if (auto const found = t.byObject.find(p); found != t.byObject.end()) return found->second;
  // The number is spent even if the insertions below fail, so that it is
  // never given to two objects.
  U64 const handle = ++t.last;
  t.byHandle.emplace(handle, p);
  try {
    t.byObject.emplace(p, handle);
  } catch (...) {
    t.byHandle.erase(handle);
    throw;
  }
  Mark const m = markOf(p);
  marks[m.word].fetch_or(m.bit, std::memory_order_relaxed);
  live.store(t.byObject.size(), std::memory_order_relaxed);
  return handle;
}

Ptr<PtrInterface> handleObject(U64 handle) {
  if (live.load(std::memory_order_relaxed) == 0) return nullptr;
  Table& t = table();
  std::lock_guard<std::mutex> const lock(t.mutex);
  auto const found = t.byHandle.find(handle);
  if (found == t.byHandle.end()) return nullptr;
  // An object whose last reference is gone is dying, though its destructor
  // has not reached the table yet: taking a reference would revive it. Its
  // owner releases without the mutex, so the test and the taking are one
  // atomic step.
  auto* const object = const_cast<PtrInterface*>(found->second);
  if (!object->referencesIncUnlessZero()) return nullptr;
  Ptr<PtrInterface> held(object);
  object->referencesDec();  // the Ptr holds one now; this never reaches zero
  return held;
}

std::size_t handlesLive() noexcept {
  return live.load(std::memory_order_relaxed);
}

void detail::handleForget(PtrInterface const* p) noexcept {
  if (live.load(std::memory_order_relaxed) == 0) return;
  Mark const m = markOf(p);
  if ((marks[m.word].load(std::memory_order_relaxed) & m.bit) == 0) return;
  Table& t = table();
  std::lock_guard<std::mutex> const lock(t.mutex);
  auto const found = t.byObject.find(p);
  if (found == t.byObject.end()) return;
  t.byHandle.erase(found->second);
  t.byObject.erase(found);
  live.store(t.byObject.size(), std::memory_order_relaxed);
  if (t.byObject.empty()) {
    for (auto& word : marks) word.store(0, std::memory_order_relaxed);
  }
}

}  // namespace Xel
