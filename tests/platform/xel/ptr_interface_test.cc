#include <Xel/Ptr.h>
#include <Xel/PtrInterface.h>
#include <gtest/gtest.h>

#include "counted.h"

namespace {

using Xel::Ptr;
using Xel::PtrInterface;
using xel_test::Counted;

TEST(PtrInterface, NewObjectHoldsNoReferenceUntilAPtrTakesOne) {
  Counted* raw = new Counted;
  EXPECT_EQ(raw->referenceWord(), 0u);
  {
    Ptr<Counted> p(raw);
    EXPECT_EQ(p->references(), 1u);
    Ptr<Counted> q = p;
    EXPECT_EQ(p->references(), 2u);
  }
  EXPECT_EQ(Counted::alive, 0);
}

TEST(PtrInterface, FlagBitsNeitherCountNorKeepAlive) {
  Ptr<Counted> p(new Counted);
  p->hasNotificationActiveIs(true);
  p->xelMarkedForDeletionIs(true);
  EXPECT_EQ(p->referenceWord(), 0x80000000u | 0x20000000u | 1u);
  EXPECT_EQ(p->references(), 1u);
  EXPECT_TRUE(p->hasNotificationActive());
  EXPECT_TRUE(p->xelMarkedForDeletion());
  p->xelMarkedForDeletionIs(false);
  EXPECT_EQ(p->referenceWord(), 0x20000001u);
  // Bits 29 and 31 lie outside the live mask: the last release still ends it.
  p->xelMarkedForDeletionIs(true);
  p = nullptr;
  EXPECT_EQ(Counted::alive, 0);
}

TEST(PtrInterface, LeakedObjectSurvivesItsLastRelease) {
  Counted* raw = new Counted;
  {
    Ptr<Counted> p(raw);
    p->referencesLeak();
  }
  EXPECT_EQ(Counted::alive, 1);
  EXPECT_EQ(raw->referenceWord(), 0x40000000u);
  // Still usable, and counting goes on around the leaked bit.
  Ptr<Counted> again(raw);
  EXPECT_EQ(raw->references(), 1u);
  again = nullptr;
  EXPECT_EQ(Counted::alive, 1);
  delete raw;  // leaked objects are the only ones a test may free by hand
}

TEST(PtrInterface, CountAtTheTopOfItsTwentyNineBitsLeavesTheFlagsAlone) {
  // Starts one below the largest count, with notification active.
  struct NearFull : Xel::PtrInterface {
    NearFull() : PtrInterface(0x20000000u | (referenceCountMask - 1)) {}
  };
  auto* raw = new NearFull;
  {
    Ptr<NearFull> p(raw);
    EXPECT_EQ(raw->references(), PtrInterface::referenceCountMask);
    EXPECT_EQ(raw->referenceWord(), 0x3fffffffu);
  }
  EXPECT_EQ(raw->referenceWord(), 0x3ffffffeu);
  delete raw;
}

TEST(Ptr, AssignmentTakesTheNewReferenceBeforeReleasingTheOld) {
  // An object that holds the only reference to the next one: assigning the
  // next one's pointer to the holder's owner must not free it mid-way.
  struct Link : Xel::PtrInterface {
    Ptr<Link> next;
  };
  Ptr<Link> head(new Link);
  head->next = new Link;
  Ptr<Link> const& inner = head->next;
  head = inner;  // releases the old head, which owned `inner`
  EXPECT_EQ(head->references(), 1u);
  EXPECT_FALSE(head->next);
}

TEST(Ptr, MovesAndCastsShareOneReference) {
  Ptr<Counted> a(new Counted);
  Ptr<PtrInterface> base = a;
  EXPECT_EQ(a->references(), 2u);
  Ptr<Counted> back = Xel::ptr_dynamic_cast<Counted>(base);
  EXPECT_EQ(back, a);
  EXPECT_EQ(a->references(), 3u);
  Ptr<PtrInterface> moved = std::move(back);
  EXPECT_FALSE(back);
  EXPECT_EQ(a->references(), 3u);
  struct Other : Xel::PtrInterface {};
  EXPECT_FALSE(Xel::ptr_dynamic_cast<Other>(base));
}

}  // namespace
