// Reference counting from several threads at once, with the framework's
// thread-safe switch on. The ThreadSanitizer build runs this test: a plain
// (non-atomic) increment anywhere on these paths shows up there as a race
// and here as a wrong final count.
#include <Xel/Handle.h>
#include <Xel/Ptr.h>
#include <Xel/PtrInterface.h>
#include <Xel/String8.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "counted.h"

namespace {

using xel_test::Counted;

class ThreadSafePointers : public ::testing::Test {
 protected:
  void SetUp() override { Xel::VFPtrInterface::enableThreadSafePointers = true; }
  void TearDown() override { Xel::VFPtrInterface::enableThreadSafePointers = false; }

  template <class Body>
  static void runOnThreads(Body body) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(body);
    for (auto& t : threads) t.join();
  }

  static constexpr int kThreads = 4;
  static constexpr int kRounds = 20000;
};

TEST_F(ThreadSafePointers, SharedObjectCountsEveryCopy) {
  Xel::Ptr<Counted> shared(new Counted);
  runOnThreads([&] {
    for (int i = 0; i < kRounds; ++i) {
      Xel::Ptr<Counted> copy = shared;
      Xel::Ptr<Counted> another = copy;
    }
  });
  EXPECT_EQ(shared->references(), 1u);
  shared = nullptr;
  EXPECT_EQ(Counted::alive, 0);
}

TEST_F(ThreadSafePointers, LastReleaseOnAnyThreadFreesExactlyOnce) {
  for (int round = 0; round < 200; ++round) {
    Counted* raw = new Counted;
    std::vector<Xel::Ptr<Counted>> owners(kThreads, Xel::Ptr<Counted>(raw));
    std::vector<std::thread> threads;
    for (auto& owner : owners) threads.emplace_back([&owner] { owner = nullptr; });
    for (auto& t : threads) t.join();
    ASSERT_EQ(Counted::alive, 0);
  }
}

TEST_F(ThreadSafePointers, StringDataIsSharedAcrossThreads) {
  Xel::String8 text("shared across threads");
  runOnThreads([&] {
    for (int i = 0; i < kRounds; ++i) {
      Xel::String8 copy = text;
      ASSERT_TRUE(copy.sharesDataWith(text));
    }
  });
  EXPECT_EQ(text.dataReferences(), 1u);
}

// The handle table is the one thing the threads' objects share.
TEST_F(ThreadSafePointers, ThreadsGiveAndForgetHandlesOfTheirOwnObjects) {
  std::size_t const before = Xel::handlesLive();
  runOnThreads([] {
    struct Mine : Xel::PtrInterface {};  // Counted's tally is not for threads
    for (int i = 0; i < kRounds / 20; ++i) {
      Xel::Ptr<Mine> const mine(new Mine);
      ASSERT_EQ(Xel::handleObject(Xel::handleOf(mine.ptr())), mine.ptr());
    }
  });
  EXPECT_EQ(Xel::handlesLive(), before);
}

// One thread lets go of an object while another finds it by its handle: the
// finder gets the object alive or nothing, never one already dying, which
// it would revive and free a second time. The object takes its time to
// die, so that the finder looks while it does.
TEST_F(ThreadSafePointers, FindingAnObjectByHandleRacesSafelyWithItsRelease) {
  static std::atomic<int> deaths{0};
  struct SlowToDie : Xel::PtrInterface {
    ~SlowToDie() override {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      ++deaths;
    }
  };
  for (int round = 1; round <= 20; ++round) {
    Xel::Ptr<SlowToDie> owner(new SlowToDie);
    Xel::U64 const h = Xel::handleOf(owner.ptr());
    std::atomic<bool> released{false};
    std::thread find([&] {
      while (!released.load()) Xel::handleObject(h);
    });
    owner = nullptr;
    released = true;
    find.join();
    ASSERT_EQ(deaths.load(), round);
    EXPECT_EQ(Xel::handleObject(h), nullptr);
  }
}

}  // namespace
