#include "Xel/Handle.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace Xel {

namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<PtrInterface const*, U64> byObject;
  std::unordered_map<U64, PtrInterface const*> byHandle;
  U64 last = 0;
};

// byObject.size(), readable without the mutex and without making the table:
// a dying object needs only to know whether any handle exists.
constinit std::atomic<std::size_t> live{0};

// Never destroyed: objects may die during static destruction, after a
// function-local table would already be gone.
Table& table() {
  static Table* const t = new Table();
  return *t;
}

}  // namespace

U64 handleOf(PtrInterface const* p) {
  Table& t = table();
  std::lock_guard<std::mutex> const lock(t.mutex);
  auto const [at, added] = t.byObject.try_emplace(p, t.last + 1);
  if (added) {
    t.last = at->second;
    t.byHandle.emplace(at->second, p);
    live.store(t.byObject.size(), std::memory_order_relaxed);
  }
  return at->second;
}

PtrInterface* handleObject(U64 handle) {
  if (live.load(std::memory_order_relaxed) == 0) return nullptr;
  Table& t = table();
  std::lock_guard<std::mutex> const lock(t.mutex);
  auto const found = t.byHandle.find(handle);
  return found == t.byHandle.end() ? nullptr : const_cast<PtrInterface*>(found->second);
}

std::size_t handlesLive() noexcept {
  return live.load(std::memory_order_relaxed);
}

void detail::handleForget(PtrInterface const* p) noexcept {
  if (live.load(std::memory_order_relaxed) == 0) return;
  Table& t = table();
  std::lock_guard<std::mutex> const lock(t.mutex);
  auto const found = t.byObject.find(p);
  if (found == t.byObject.end()) return;
  t.byHandle.erase(found->second);
  t.byObject.erase(found);
  live.store(t.byObject.size(), std::memory_order_relaxed);
}

}  // namespace Xel
