#include <Xel/Entity.h>
#include <Xel/Notifiee.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "counted.h"

namespace {

using Xel::Ptr;
using xel_test::Counted;
using xel_test::CountedEntity;

// Records what the framework asks of registration, as an observable type
// (which links and unlinks) would see it.
struct Recorder : Xel::Entity::NotifieeConst {
  mutable std::vector<bool> registrations;
  void isRegisteredNotifieeIs(bool registered) const override {
    registrations.push_back(registered);
    NotifieeConst::isRegisteredNotifieeIs(registered);
  }
};

TEST(Notifiee, StartsActiveUnboundAndUnregistered) {
  auto* raw = new Recorder;
  EXPECT_EQ(raw->referenceWord(), 0x20000000u);
  Ptr<Recorder> n(raw);
  EXPECT_EQ(n->xel_bitSet().value(), 0x04000000u);
  EXPECT_EQ(n->notifier(), nullptr);
  EXPECT_FALSE(n->isWeakReference());
  EXPECT_FALSE(n->isRegisteredNotifiee());
  EXPECT_EQ(n->next(), nullptr);
  EXPECT_EQ(n->name(), "");
}

TEST(Notifiee, RebindingMovesTheCountedReference) {
  Ptr<CountedEntity> first(new CountedEntity("first")), second(new CountedEntity("second"));
  Ptr<Recorder> n(new Recorder);
  n->notifierIs(first);
  EXPECT_EQ(first->references(), 2u);
  n->notifierIs(first);  // the same notifier again changes nothing
  EXPECT_EQ(first->references(), 2u);
  n->notifierIs(second);
  EXPECT_EQ(first->references(), 1u);
  EXPECT_EQ(second->references(), 2u);
  EXPECT_EQ(n->name(), "second");
  n->notifierIs(nullptr);
  EXPECT_EQ(second->references(), 1u);
  EXPECT_EQ(n->name(), "");
}

TEST(Notifiee, OwnsItsNotifierUntilItLetsGo) {
  Ptr<Recorder> n(new Recorder);
  n->notifierIs(Ptr<CountedEntity>(new CountedEntity));
  EXPECT_EQ(CountedEntity::alive, 1);
  n->notifierIs(Ptr<CountedEntity>(new CountedEntity));  // the first dies here
  EXPECT_EQ(CountedEntity::alive, 1);
  n = nullptr;  // and the second with its only owner
  EXPECT_EQ(CountedEntity::alive, 0);
}

TEST(Notifiee, WeakNotifieeHoldsNoReference) {
  Ptr<CountedEntity> e(new CountedEntity);
  Ptr<Recorder> n(new Recorder);
  n->notifierIs(e);
  n->isWeakReferenceIs(true);
  EXPECT_EQ(e->references(), 1u);
  n->isWeakReferenceIs(false);
  EXPECT_EQ(e->references(), 2u);
  n->isWeakReferenceIs(true);
  Ptr<CountedEntity> other(new CountedEntity);
  n->notifierIs(other);
  EXPECT_EQ(e->references(), 1u);
  EXPECT_EQ(other->references(), 1u);
  n = nullptr;
  EXPECT_EQ(other->references(), 1u);
}

TEST(Notifiee, EntityNotifieeBindsToEntitiesOnly) {
  Ptr<Counted> notAnEntity(new Counted);
  Ptr<Recorder> n(new Recorder);
  n->notifierIs(notAnEntity);
  EXPECT_EQ(n->notifier(), nullptr);
  EXPECT_EQ(notAnEntity->references(), 1u);
}

TEST(Notifiee, PauseRemembersRegistrationAndResumeRestoresIt) {
  Ptr<Recorder> n(new Recorder);
  n->isRegisteredNotifieeIs(true);
  n->registrations.clear();

  n->hasNotificationActiveIs(false);
  EXPECT_FALSE(n->hasNotificationActive());
  EXPECT_TRUE(n->xel_bitSet().test(19));
  EXPECT_FALSE(n->isRegisteredNotifiee());
  n->hasNotificationActiveIs(false);  // already paused: nothing more happens
  EXPECT_EQ(n->registrations, std::vector<bool>{false});

  n->hasNotificationActiveIs(true);
  EXPECT_TRUE(n->hasNotificationActive());
  EXPECT_TRUE(n->isRegisteredNotifiee());
  EXPECT_EQ(n->registrations, (std::vector<bool>{false, true}));
}

TEST(Notifiee, ResumingAnUnregisteredNotifieeLeavesItUnregistered) {
  Ptr<Recorder> n(new Recorder);
  n->hasNotificationActiveIs(false);
  EXPECT_FALSE(n->xel_bitSet().test(19));
  n->hasNotificationActiveIs(true);
  EXPECT_FALSE(n->isRegisteredNotifiee());
  EXPECT_EQ(n->registrations, std::vector<bool>{false});
}

TEST(Notifiee, FlagWordKeepsFrameworkBitsAcrossUpdates) {
  Ptr<Recorder> n(new Recorder);
  n->xel_bitSetIs(Xel_BitSet(0x1u));
  EXPECT_EQ(n->xel_bitSet().value(), 0x04000001u);
}

TEST(Notifiee, DefaultExceptionHandlingReportsAttributeAndCause) {
  Ptr<CountedEntity> e(new CountedEntity("tracked"));
  Ptr<Recorder> n(new Recorder);
  n->notifierIs(e);
  ::testing::internal::CaptureStderr();
  try {
    throw std::runtime_error("handler broke");
  } catch (...) {
    n->onNotificationException(261);
    n->onNotificationException();
  }
  std::string const err = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(err, ::testing::HasSubstr("'tracked' failed on attribute 261: handler broke"));
  EXPECT_THAT(err, ::testing::HasSubstr("'tracked' failed: handler broke"));
}

TEST(Notifiee, DefaultHandlersDispatchToTheirHooks) {
  struct Hooks : Xel::Entity::NotifieeConst {
    std::vector<Xel::AttributeId> attributes;
    int notifications = 0;
    void onAttribute(Xel::AttributeId id) override { attributes.push_back(id); }
    void onNotification() override { ++notifications; }
  };
  Ptr<Hooks> h(new Hooks);
  h->handleDefault(nullptr, 261, false);
  h->handleNotification(nullptr);
  EXPECT_EQ(h->attributes, std::vector<Xel::AttributeId>{261});
  EXPECT_EQ(h->notifications, 1);
  EXPECT_EQ(h->xelReactor(), h.ptr());
  EXPECT_FALSE(h->isStreamAdapter());
}

}  // namespace
