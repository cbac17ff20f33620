// What a change costs in heap allocations: nothing without notifiees, and
// nothing with a handful (the snapshot stays on the stack).
#include <FhrpConf/FhrpConfig.h>
#include <Xel/ObjectHeap.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long> allocations{0};
}  // namespace

// Counts every allocation of this test program.
void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using Routing::Fhrp::TrackedObject;

struct Quiet : TrackedObject::Notifiee {
  void onTrackPriorityDecrement() override {}
};

// Heap allocations, and counted objects taken from the object heap.
long allocationsDuring(auto&& work) {
  auto const count = [] { return allocations.load() + long(Xel::objectHeap::threadAllocations()); };
  long const before = count();
  work();
  return count() - before;
}

TEST(ChangeCost, NoNotifieesNoAllocation) {
  auto tracked = Routing::Fhrp::trackedObjectFactory("t");
  EXPECT_EQ(allocationsDuring([&] {
              for (unsigned v = 1; v <= 100; ++v) tracked->trackPriorityDecrementIs(v);
            }),
            0);
  EXPECT_EQ(tracked->changeCount(), 100u);
}

TEST(ChangeCost, UpToEightNotifieesNoAllocationThenOneSnapshot) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer serves array allocations from inside the library itself";
#endif
  auto tracked = Routing::Fhrp::trackedObjectFactory("t");
  std::vector<Xel::Ptr<Quiet>> watchers;
  for (int i = 0; i < 9; ++i) {
    watchers.emplace_back(new Quiet);
    watchers.back()->isRegisteredNotifieeIs(true);
    watchers.back()->notifierIs(tracked);
    long const cost = allocationsDuring([&] { tracked->trackPriorityDecrementIs(100 + i); });
    EXPECT_EQ(cost, i < 8 ? 0 : 1) << (i + 1) << " notifiees";
  }
}

TEST(ChangeCost, LookupsEqualSetsAndRemovalsAllocateNothing) {
  auto set = Routing::Fhrp::vrrpIpAddrsFactory("addrs");
  for (Xel::U32 i = 0; i < 100; ++i) set->addrsIs(Pelno::IpAddr::fromHostOrder(i), true);
  EXPECT_EQ(allocationsDuring([&] {
              for (Xel::U32 i = 0; i < 200; ++i) set->addrs(Pelno::IpAddr::fromHostOrder(i));
              for (Xel::U32 i = 0; i < 100; ++i)
                set->addrsIs(Pelno::IpAddr::fromHostOrder(i), true);
              for (Xel::U32 i = 0; i < 100; ++i) set->addrsDel(Pelno::IpAddr::fromHostOrder(i));
            }),
            0);
  EXPECT_EQ(set->addrsMembers(), 0u);
}

}  // namespace
