// TrackedObject, the smallest complete entity: its members, defaults, ids,
// factory and lifecycle.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Routing::Fhrp::TrackedObject;
using Routing::Fhrp::trackedObjectFactory;
using Xel::Ptr;

// Records every handler call as text, and can fail on demand.
struct Recorder : TrackedObject::Notifiee {
  explicit Recorder(std::vector<std::string>& log, std::string label = "N")
      : log(log), label(std::move(label)) {}
  void onTrackActionIsShutdown() override { record("shutdown"); }
  void onTrackPriorityDecrement() override { record("decrement"); }
  void onZeroReferences() override { record("zero"); }
  using TrackedObject::Notifiee::onNotificationException;
  void onNotificationException(Xel::AttributeId id) override {
    log.push_back(label + " failed " + std::to_string(id));
  }
  void record(char const* what) {
    log.push_back(label + " " + what);
    if (fail) throw std::runtime_error(what);
  }
  std::vector<std::string>& log;
  std::string label;
  bool fail = false;
};

class TrackedObjectTest : public ::testing::Test {
 protected:
  Ptr<Recorder> watch(std::string label) {
    Ptr<Recorder> r(new Recorder(log, std::move(label)));
    r->isRegisteredNotifieeIs(true);
    r->notifierIs(tracked);
    return r;
  }
  Ptr<TrackedObject> tracked = trackedObjectFactory("Ethernet1-line-protocol");
  std::vector<std::string> log;
  using Log = std::vector<std::string>;
};

TEST_F(TrackedObjectTest, ZeroReferencesTellsEveryNotifieeWithoutCountingAChange) {
  auto a = watch("A"), b = watch("B");
  tracked->zeroReferencesIs(true);
  a->fail = true;
  tracked->zeroReferencesIs(false);
  EXPECT_EQ(log, (Log{"A zero", "B zero", "A zero", "A failed 5", "B zero"}));
  EXPECT_EQ(tracked->changeCount(), 0u);
  trackedObjectFactory("quiet")->zeroReferencesIs(true);  // no notifiees: nothing to do
}

TEST_F(TrackedObjectTest, NotifieeNamesItsNotifierAndCountsItUnlessWeak) {
  auto n = watch("N");
  EXPECT_EQ(n->notifier(), tracked.ptr());
  EXPECT_EQ(tracked->references(), 2u);
  n->isWeakReferenceIs(true);
  EXPECT_EQ(tracked->references(), 1u);
  n->notifierIs(nullptr);
  EXPECT_EQ(n->name(), "");
  EXPECT_TRUE(tracked->xelNotifiees().empty());
}

TEST_F(TrackedObjectTest, DestructionUnlinksWeakNotifieesThatOutliveIt) {
  auto weak = watch("W");
  weak->isWeakReferenceIs(true);
  tracked = nullptr;  // the weak notifiee did not keep it alive
  EXPECT_EQ(weak->next(), nullptr);
  EXPECT_TRUE(weak->xelMarkedForDeletion());
  weak = nullptr;  // and its own end does not reach back into the dead entity
}

}  // namespace
