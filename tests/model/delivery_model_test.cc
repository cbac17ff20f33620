// Random sequences of changes and notifiee actions, checked after every step
// against a small reference model of the delivery rules. Handlers act during
// delivery too: they throw, register, unregister, pause, resume or release
// other notifiees, and set the attribute again.
//
// FHRP_RANDOM_SEED overrides the seed; a failure prints the seed in use.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Routing::Fhrp::TrackedObject;
using Xel::Ptr;

enum class Act { none, fail, unregister, reregister, pause, resume, release, nestedSet };
constexpr int kActs = 8;
constexpr int kSlots = 6;

struct Plan {
  Act act = Act::none;
  int target = 0;
};

// What every handler does, shared by the real observers and the model: the
// plan of each slot runs on that slot's first call within a step.
struct Script {
  Plan plans[kSlots];
  bool used[kSlots] = {};
  Xel::U32 nestedValue = 0;
  std::vector<std::string> log;
};

struct Observer;
struct World {
  Ptr<TrackedObject> tracked{Routing::Fhrp::trackedObjectFactory("track")};
  Ptr<Observer> slots[kSlots];
  Script script;
  int depth = 0;
};

struct Observer : TrackedObject::NotifieeConst {
  Observer(int id, World& w) : id(id), world(w) {}
  void onTrackPriorityDecrement() override;
  using TrackedObject::NotifieeConst::onNotificationException;
  void onNotificationException(Xel::AttributeId attr) override {
    world.script.log.push_back(std::to_string(id) + "!" + std::to_string(attr));
  }
  int id;
  World& world;
};

void Observer::onTrackPriorityDecrement() {
  Script& s = world.script;
  s.log.push_back(std::to_string(id) + ":" +
                  std::to_string(world.tracked->trackPriorityDecrement()));
  if (s.used[id]) return;
  s.used[id] = true;
  Plan const p = s.plans[id];
  Ptr<Observer> const& t = world.slots[p.target];
  switch (p.act) {
    case Act::none:
      break;
    case Act::fail:
      throw std::runtime_error("handler failed");
    case Act::unregister:
      if (t) t->isRegisteredNotifieeIs(false);
      break;
    case Act::reregister:
      if (t) t->isRegisteredNotifieeIs(true);
      break;
    case Act::pause:
      if (t) t->hasNotificationActiveIs(false);
      break;
    case Act::resume:
      if (t) t->hasNotificationActiveIs(true);
      break;
    case Act::release:
      world.slots[p.target] = nullptr;
      break;
    case Act::nestedSet:
      if (world.depth == 0) {
        ++world.depth;
        world.tracked->trackPriorityDecrementIs(s.nestedValue);
        --world.depth;
      }
      break;
  }
}

// The reference model: plain data and the delivery rules written out.
struct Model {
  struct N {
    bool alive = false, held = false, registered = false, active = true, wasRegistered = false;
    int frames = 0;  // snapshots that still hold it
  };
  N n[kSlots];
  std::vector<int> list;
  Xel::U32 value = 0, changes = 0;
  int depth = 0;

  void unlink(int i) { list.erase(std::remove(list.begin(), list.end(), i), list.end()); }
  void maybeDie(int i) {
    if (n[i].alive && !n[i].held && n[i].frames == 0) {
      if (n[i].registered) unlink(i);
      n[i] = N();
    }
  }
  void registeredIs(int i, bool on) {
    if (n[i].registered == on) return;
    n[i].registered = on;
    if (on) {
      list.push_back(i);
    } else {
      unlink(i);
    }
  }
  void activeIs(int i, bool on) {
    if (n[i].active == on) return;
    n[i].active = on;
    if (!on) {
      n[i].wasRegistered = n[i].registered;
      registeredIs(i, false);
    } else if (n[i].wasRegistered) {
      registeredIs(i, true);
    }
  }
  void release(int i) {
    if (!n[i].held) return;
    n[i].held = false;
    maybeDie(i);
  }

  void set(Xel::U32 v, Script& s) {
    if (v == value) return;
    value = v;
    ++changes;
    if (!list.empty()) deliver(s);
  }

  void deliver(Script& s) {
    std::vector<int> const frame = list;
    for (int i : frame) ++n[i].frames;
    std::size_t pos = 0;
    auto drop = [&](int i) {
      --n[i].frames;
      maybeDie(i);
    };
    while (pos < frame.size()) {
      int const i = frame[pos];
      s.log.push_back(std::to_string(i) + ":" + std::to_string(value));
      if (!s.used[i]) {
        s.used[i] = true;
        act(i, s.plans[i], s);
      }
      ++pos;
      drop(i);
      while (pos < frame.size() && (n[frame[pos]].held ? 1 : 0) + n[frame[pos]].frames == 1) {
        drop(frame[pos++]);
      }
    }
  }

  void act(int self, Plan p, Script& s) {
    int const t = p.target;
    bool const held = n[t].held;
    switch (p.act) {
      case Act::none:
        break;
      case Act::fail:
        s.log.push_back(std::to_string(self) + "!261");
        break;
      case Act::unregister:
        if (held) registeredIs(t, false);
        break;
      case Act::reregister:
        if (held) registeredIs(t, true);
        break;
      case Act::pause:
        if (held) activeIs(t, false);
        break;
      case Act::resume:
        if (held) activeIs(t, true);
        break;
      case Act::release:
        release(t);
        break;
      case Act::nestedSet:
        if (depth == 0) {
          ++depth;
          set(s.nestedValue, s);
          --depth;
        }
        break;
    }
  }
};

unsigned seedFromEnvironment() {
  char const* text = std::getenv("FHRP_RANDOM_SEED");
  return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : 20261206u;
}

TEST(DeliveryModel, RandomChangesAndNotifieeActionsFollowTheRules) {
  unsigned const seed = seedFromEnvironment();
  SCOPED_TRACE("FHRP_RANDOM_SEED=" + std::to_string(seed));
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

  World world;
  Model model;
  Script modelScript;
  for (int step = 0; step < 100000; ++step) {
    int const slot = pick(kSlots);
    Ptr<Observer>& real = world.slots[slot];
    Model::N& m = model.n[slot];
    switch (pick(8)) {
      case 0:  // a new notifiee in an empty slot, registered and bound
        if (!real) {
          real = new Observer(slot, world);
          real->isRegisteredNotifieeIs(true);
          real->notifierIs(world.tracked);
          m.alive = m.held = true;
          model.registeredIs(slot, true);
        }
        break;
      case 1:
        real = nullptr;
        model.release(slot);
        break;
      case 2:
        if (real) {
          bool const on = pick(2) == 0;
          real->hasNotificationActiveIs(on);
          model.activeIs(slot, on);
        }
        break;
      case 3:
        if (real) {
          bool const on = pick(2) == 0;
          real->isRegisteredNotifieeIs(on);
          model.registeredIs(slot, on);
        }
        break;
      default: {  // a change, with fresh plans for every handler
        Script& s = world.script;
        s = Script();
        for (auto& p : s.plans) p = Plan{static_cast<Act>(pick(kActs)), pick(kSlots)};
        s.nestedValue = static_cast<Xel::U32>(pick(4));
        modelScript = s;
        Xel::U32 const v = static_cast<Xel::U32>(pick(4));
        world.tracked->trackPriorityDecrementIs(v);
        model.set(v, modelScript);
        break;
      }
    }
    ASSERT_EQ(world.script.log, modelScript.log) << "step " << step;
    std::vector<int> listed;
    for (auto* n = world.tracked->xelNotifiees().head(); n; n = n->next()) {
      listed.push_back(static_cast<Observer*>(n)->id);
    }
    ASSERT_EQ(listed, model.list) << "step " << step;
    ASSERT_EQ(world.tracked->changeCount(), model.changes) << "step " << step;
    ASSERT_EQ(world.tracked->trackPriorityDecrement(), model.value) << "step " << step;
    for (int i = 0; i < kSlots; ++i) {
      ASSERT_EQ(static_cast<bool>(world.slots[i]), model.n[i].held) << "step " << step;
    }
  }
}

}  // namespace
