// The delivery rules of a change, pinned down case by case on the smallest
// generated entity.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Routing::Fhrp::TrackedObject;
using Xel::Ptr;

class OtherEntity : public Xel::Entity {};

// Logs each call as "<name>:<value seen>" and runs an optional action.
struct Observer : TrackedObject::NotifieeConst {
  Observer(std::string n, std::vector<std::string>& log) : label(std::move(n)), log(log) {}
  void onTrackPriorityDecrement() override {
    log.push_back(label + ":" + std::to_string(notifier()->trackPriorityDecrement()));
    if (action) action();
  }
  using TrackedObject::NotifieeConst::onNotificationException;
  void onNotificationException(Xel::AttributeId id) override {
    log.push_back(label + "!" + std::to_string(id));
    if (rethrow) throw std::runtime_error("report failed");
  }
  std::string label;
  std::vector<std::string>& log;
  std::function<void()> action;
  bool rethrow = false;
};

// A notifiee whose reactor is a stream adapter, as the log adapters are.
struct AdapterObserver : Observer {
  struct Stream : Xel::StreamAdapter {
    Stream() : StreamAdapter(nullptr) {}
  };
  using Observer::Observer;
  Ptr<Stream> stream{new Stream};
  Xel::PtrInterface const* xelReactor() const override { return stream.ptr(); }
};

class Delivery : public ::testing::Test {
 protected:
  template <class O = Observer>
  Ptr<O> watch(std::string label) {
    Ptr<O> o(new O(std::move(label), log));
    o->isRegisteredNotifieeIs(true);
    o->notifierIs(tracked);
    return o;
  }

  Ptr<TrackedObject> tracked{Routing::Fhrp::trackedObjectFactory("track")};
  std::vector<std::string> log;
  using Log = std::vector<std::string>;
};

TEST_F(Delivery, CallsInRegistrationOrderWithStreamAdaptersFirst) {
  auto a = watch("A"), b = watch("B"), c = watch("C");
  auto s1 = watch<AdapterObserver>("S1");
  auto s2 = watch<AdapterObserver>("S2");
  tracked->trackPriorityDecrementIs(1);
  EXPECT_EQ(log, (Log{"S2:1", "S1:1", "A:1", "B:1", "C:1"}));
  tracked->trackPriorityDecrementIs(1);
  EXPECT_EQ(log.size(), 5u);
}

TEST_F(Delivery, FailureOfTheReportItselfReachesTheSetterAfterTheStore) {
  auto a = watch("A"), b = watch("B");
  a->action = [] { throw std::runtime_error("A failed"); };
  a->rethrow = true;
  EXPECT_THROW(tracked->trackPriorityDecrementIs(3), std::runtime_error);
  EXPECT_EQ(tracked->trackPriorityDecrement(), 3u);
  EXPECT_EQ(log, (Log{"A:3", "A!261"}));
  EXPECT_EQ(b->references(), 1u);  // the snapshot let go of B
}

TEST_F(Delivery, NotifierOfAnotherTypeLeavesTheNotifieeUnbound) {
  auto a = watch("A");
  Ptr<OtherEntity> other(new OtherEntity);
  a->notifierIs(other);
  EXPECT_EQ(a->notifier(), nullptr);
  EXPECT_TRUE(tracked->xelNotifiees().empty());
  EXPECT_EQ(tracked->references(), 1u);
}

TEST_F(Delivery, ManyNotifieesAreAllCalledOnce) {
  std::vector<Ptr<Observer>> many;
  for (int i = 0; i < 16; ++i) many.push_back(watch(std::to_string(i)));
  many[0]->action = [&] { many[15] = nullptr; };
  tracked->trackPriorityDecrementIs(9);
  ASSERT_EQ(log.size(), 15u);
  EXPECT_EQ(log.front(), "0:9");
  EXPECT_EQ(log.back(), "14:9");
}

}  // namespace
