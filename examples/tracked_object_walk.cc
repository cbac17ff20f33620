// The worked example of a change, step by step: a tracked object, two
// observers, a priority decrement set twice, a tracking action, and an
// observer whose handler fails. Every handler call, failure report and
// change counter is printed as it happens.
#include <FhrpConf/FhrpConfig.h>

#include <iostream>
#include <stdexcept>
#include <string>

#include "walks.h"

namespace {

using Routing::Fhrp::TrackedObject;

// An agent-style observer: reads the new state from the notifier.
class Agent : public TrackedObject::Notifiee {
 public:
  explicit Agent(std::string label) : label_(std::move(label)) {}
  void failNextCallIs(bool fail) { failNext_ = fail; }

  void onTrackActionIsShutdown() override {
    say("onTrackActionIsShutdown()", notifier()->trackActionIsShutdown() ? "true" : "false");
  }
  void onTrackPriorityDecrement() override {
    say("onTrackPriorityDecrement()", std::to_string(notifier()->trackPriorityDecrement()));
  }
  using TrackedObject::Notifiee::onNotificationException;
  void onNotificationException(Xel::AttributeId id) override {
    std::cout << "    " << label_ << ": onNotificationException(" << id << ") - "
              << notifier()->attributeString(id) << " handler failed\n";
  }

 private:
  void say(char const* handler, std::string const& value) {
    std::cout << "    " << label_ << ": " << handler << " reads " << value << "\n";
    if (failNext_) {
      failNext_ = false;
      throw std::runtime_error("agent could not apply the change");
    }
  }

  std::string label_;
  bool failNext_ = false;
};

void step(char const* what) {
  std::cout << what << "\n";
}

void counter(Xel::Ptr<TrackedObject> const& tracked) {
  std::cout << "  change counter: " << tracked->changeCount() << "\n";
}

}  // namespace

void walkTrackedObject() {
  auto tracked = Routing::Fhrp::trackedObjectFactory("Ethernet1-line-protocol");
  std::cout << "tracked object '" << tracked->trackedObjectName() << "': shutdown "
            << std::boolalpha << tracked->trackActionIsShutdown() << ", decrement "
            << tracked->trackPriorityDecrement() << "\n";
  counter(tracked);

  Xel::Ptr<Agent> n1(new Agent("N1")), n2(new Agent("N2"));
  for (auto const& agent : {n1, n2}) {
    agent->isRegisteredNotifieeIs(true);
    agent->notifierIs(tracked);
  }
  std::cout << "registered N1, then N2\n";

  step("trackPriorityDecrementIs(10): a new value, delivered to N1 then N2");
  tracked->trackPriorityDecrementIs(10);
  counter(tracked);

  step("trackPriorityDecrementIs(10) again: equal, nothing happens");
  tracked->trackPriorityDecrementIs(10);
  counter(tracked);

  step("trackActionIsShutdownIs(true), N1's handler fails");
  n1->failNextCallIs(true);
  tracked->trackActionIsShutdownIs(true);
  counter(tracked);

  step("trackPriorityDecrementIs(4294967295), N2's handler fails");
  n2->failNextCallIs(true);
  tracked->trackPriorityDecrementIs(4294967295u);
  counter(tracked);
}
