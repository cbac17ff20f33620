// The object pool: blocks never overlap, sizes map to their class, freed
// blocks are reused, and blocks change threads through the depot.
#include <Xel/ObjectPool.h>
#include <Xel/PtrInterface.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

namespace pool = Xel::objectPool;

class ObjectPool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pool::enabled()) GTEST_SKIP() << "objects are not pooled in this build";
  }
};

TEST_F(ObjectPool, BlocksOfEverySizeAreDistinctAndKeepTheirBytes) {
  struct Taken {
    unsigned char* p;
    std::size_t size;
  };
  std::vector<Taken> taken;
  for (int round = 0; round < 40; ++round) {
    for (std::size_t size = 1; size <= pool::largestPooled + 40; size += 7) {
      auto* p = static_cast<unsigned char*>(pool::allocate(size));
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % 8, 0u) << size;
      std::memset(p, int(taken.size() & 0xff), size);
      taken.push_back({p, size});
    }
  }
  for (std::size_t i = 0; i < taken.size(); ++i) {
    auto const [p, size] = taken[i];
    EXPECT_EQ(std::count(p, p + size, static_cast<unsigned char>(i & 0xff)), long(size))
        << "block " << i << " of " << size << " bytes was written by another";
  }
  for (auto [p, size] : taken) pool::release(p, size);
}

TEST_F(ObjectPool, SizesRoundUpToTheirClassAndFreedBlocksAreReused) {
  auto const bytes = pool::threadBytesInUse();
  auto const count = pool::threadAllocations();
  void* a = pool::allocate(25);
  EXPECT_EQ(pool::threadBytesInUse() - bytes, 32);
  EXPECT_EQ(pool::threadAllocations() - count, 1u);
  pool::release(a, 25);
  EXPECT_EQ(pool::threadBytesInUse(), bytes);
  // 25 and 32 bytes share a class, so the block comes back; 33 does not.
  EXPECT_EQ(pool::allocate(32), a);
  void* b = pool::allocate(33);
  EXPECT_NE(b, a);
  EXPECT_EQ(pool::threadBytesInUse() - bytes, 32 + 40);
  pool::release(a, 32);
  pool::release(b, 33);
  // Blocks past the largest class are the C++ allocator's: not counted.
  void* large = pool::allocate(pool::largestPooled + 1);
  EXPECT_EQ(pool::threadBytesInUse(), bytes);
  pool::release(large, pool::largestPooled + 1);
}

TEST_F(ObjectPool, CountedObjectsComeFromThePool) {
  struct Counted : Xel::PtrInterface {
    char payload[20];
  };
  auto const bytes = pool::threadBytesInUse();
  {
    Xel::Ptr<Counted> const c(new Counted);
    EXPECT_EQ(pool::threadBytesInUse() - bytes, std::int64_t((sizeof(Counted) + 7) / 8 * 8));
  }
  // The last release frees it with its own size.
  EXPECT_EQ(pool::threadBytesInUse(), bytes);
}

TEST_F(ObjectPool, BlocksFreedOnAnotherThreadReachOthersWhenItEnds) {
  constexpr std::size_t size = 136, blocks = 1000;
  std::vector<void*> taken;
  for (std::size_t i = 0; i < blocks; ++i) taken.push_back(pool::allocate(size));
  // A thread frees them all and ends: its cache goes to the depot.
  std::thread([&] {
    for (void* p : taken) pool::release(p, size);
  }).join();
  // A new thread, with an empty cache, refills from the depot before it
  // takes a new slab.
  std::set<void*> const freed(taken.begin(), taken.end());
  std::size_t reused = 0;
  std::thread([&] {
    std::vector<void*> again;
    for (std::size_t i = 0; i < blocks; ++i) again.push_back(pool::allocate(size));
    for (void* p : again) reused += freed.count(p);
    for (void* p : again) pool::release(p, size);
  }).join();
  EXPECT_EQ(reused, blocks);
}

}  // namespace
