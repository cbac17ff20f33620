// The object heap: every counted object is taken from it and given back
// with the size it was taken with, whichever thread lets it go.
#include <Xel/ObjectHeap.h>
#include <Xel/PtrInterface.h>
#include <gtest/gtest.h>

#include <thread>

namespace {

namespace heap = Xel::objectHeap;

template <std::size_t payload>
struct Counted : Xel::PtrInterface {
  char bytes[payload];
};

class ObjectHeap : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!heap::enabled()) GTEST_SKIP() << "counted objects come from the C++ allocator here";
  }
};

template <class T>
void takenAndGivenBack() {
  auto const bytes = heap::threadBytesInUse();
  auto const count = heap::threadAllocations();
  {
    Xel::Ptr<T> const object(new T);
    EXPECT_EQ(heap::threadAllocations() - count, 1u);
    EXPECT_GE(heap::threadBytesInUse() - bytes, std::int64_t(sizeof(T)));
  }
  // The last release frees it through the most derived type's size.
  EXPECT_EQ(heap::threadBytesInUse(), bytes) << sizeof(T);
}

TEST_F(ObjectHeap, CountedObjectsOfEverySizeComeFromItAndGoBack) {
  takenAndGivenBack<Counted<4>>();
  takenAndGivenBack<Counted<20>>();
  takenAndGivenBack<Counted<250>>();
  takenAndGivenBack<Counted<5000>>();
}

TEST_F(ObjectHeap, AnObjectMadeOnOneThreadMayDieOnAnother) {
  Xel::Ptr<Counted<40>> made;
  std::int64_t onMaker = 0;
  std::thread([&] {
    made = Xel::Ptr<Counted<40>>(new Counted<40>);
    onMaker = heap::threadBytesInUse();
  }).join();
  EXPECT_GT(onMaker, 0);
  auto const before = heap::threadBytesInUse();
  made = nullptr;
  EXPECT_EQ(before - heap::threadBytesInUse(), onMaker);
}

}  // namespace
