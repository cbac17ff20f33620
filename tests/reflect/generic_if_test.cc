// The generic interface where its behaviour goes beyond one attribute's
// table row: values, list constructors, iteration under changes, and how
// its changes are heard.
#include <FhrpConf/FhrpConfig.h>
#include <Pelno/Text.h>
#include <Pelno/Types.h>
#include <Xel/Activity.h>
#include <Xel/GenericIf.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "registered_attributes.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace Routing::Fhrp;
using testing::ElementsAre;
using testing::IsNull;
using testing::ThrowsMessage;
using Xel::GenericIf;
using IfPtr = Xel::Ptr<GenericIf>;
using List = GenericIf::List_;

template <class T>
IfPtr valueIf(T const& v) {
  Xel::XelType* type;
  if constexpr (std::is_same_v<T, Xel::U32> || std::is_same_v<T, Xel::String8> ||
                std::is_same_v<T, bool>) {
    type = Xel::Builtin<T>::_fwkType();
  } else if constexpr (std::is_class_v<T> && requires { T::_fwkType(); }) {
    type = T::_fwkType();
  } else {
    type = Pelno::fwkType<T>();
  }
  return type->genericIf(&v, false);
}

IfPtr ifOver(Xel::Entity* e) {
  return e->fwkType()->genericIf_(e, false);
}

std::string text(IfPtr const& i) {
  return i ? i->strRep().stdString() : "null";
}

IfPtr op(IfPtr const& i, std::int32_t attr, std::int32_t o, IfPtr const& index = nullptr,
         IfPtr const& value = nullptr) {
  return i->attributeOp({attr, o}, index, value);
}

TEST(GenericIf, AVirtualRouterIdReadsItsBoundsAndComparesButIsNotWritten) {
  IfPtr const id = valueIf(VrId(256));
  EXPECT_EQ(text(op(id, id->attributeId("min"), GenericIf::opRead)), "0");
  EXPECT_EQ(text(op(id, id->attributeId("max"), GenericIf::opRead)), "256");
  EXPECT_EQ(text(op(id, id->attributeId("hash"), GenericIf::opRead)), "256");
  EXPECT_THAT([&] { op(id, 2, GenericIf::opWrite, nullptr, valueIf(Xel::U32(3))); },
              ThrowsMessage<Xel::OpNotSupportedException>(
                  "operation 128 is not supported on attribute value"));
  EXPECT_EQ(text(op(id, 0, GenericIf::opEquals, nullptr, valueIf(VrId(256)))), "true");
  EXPECT_EQ(text(op(id, 0, GenericIf::opEquals, nullptr, valueIf(VrId(5)))), "false");
  EXPECT_THAT([&] { op(id, 0, GenericIf::opEquals); },
              ThrowsMessage<Xel::TypeException>("missing or mistyped argument: xelOpArg"));
  EXPECT_THAT([&] { op(id, 0, GenericIf::opEquals, nullptr, valueIf(Xel::U32(256))); },
              ThrowsMessage<Xel::TypeException>("missing or mistyped argument: U32"));
  // Id 1 and ids past the last are the base's: it knows none.
  EXPECT_THAT([&] { op(id, 1, GenericIf::opRead); },
              ThrowsMessage<Xel::UnknownAttrException>("VrId has no attribute with id 1"));
}

TEST(GenericIf, AValueInterfaceWritesItsOwnCopy) {
  FhrpConfigKey const key(Pelno::IntfId("Ethernet1"), VrId(7), Pelno::AddressFamily::ipv4);
  IfPtr const i = valueIf(key);
  op(i, i->attributeId("reloadDelay"), GenericIf::opWrite, nullptr, valueIf(Xel::U32(30)));
  EXPECT_EQ(text(op(i, 5, GenericIf::opRead)), "30");
  EXPECT_EQ(key.reloadDelay(), 0u);
  EXPECT_EQ(static_cast<FhrpConfigKey*>(i->voidPtrIs(FhrpConfigKey::_fwkType()))->reloadDelay(),
            30u);
}

// What identifies a new object or value: its key, its name, or its text.
std::string identity(IfPtr const& i) {
  if (i->type()->isValue()) return text(i);
  if (!i->type()->isEntity()) return "object";
  try {
    return text(op(i, Xel::Entity::fwkKeyId, GenericIf::opRead));
  } catch (Xel::UnknownAttrException const&) {
    return text(op(i, Xel::Entity::nameId, GenericIf::opRead));
  }
}

struct ListCase {
  Xel::XelType* (*type)();
  std::vector<IfPtr> args;
  std::string made;  // its identity, or the refusal
};

TEST(GenericIf, ListConstructorsTakeExactlyTheirArguments) {
  IfPtr const name = valueIf(Xel::String8("uplink"));
  IfPtr const intf = valueIf(Pelno::IntfId("Ethernet1"));
  IfPtr const af = valueIf(Pelno::AddressFamily::ipv6);
  ListCase const cases[] = {
      {&TrackedObject::_fwkType, {name}, "'uplink'"},
      {&TrackedObject::_fwkType, {name, name}, "too many arguments for TrackedObject"},
      {&TrackedObject::_fwkType, {}, "missing or mistyped argument: trackedObjectName"},
      {&TrackedObject::_fwkType, {intf}, "missing or mistyped argument: IntfId"},
      {&Config::_fwkType, {name}, "'uplink'"},
      {&Config::_fwkType, {}, "missing or mistyped argument: name"},
      {&Config::_fwkType, {name, name}, "too many arguments for Config"},
      {&VrId::_fwkType, {valueIf(Xel::U32(256))}, "256"},
      {&VrId::_fwkType,
       {valueIf(Xel::U32(257))},
       "VrId::value < VrId::min or > VrId::max not allowed"},
      {&VrId::_fwkType, {}, "missing or mistyped argument: value"},
      {&FhrpConfigKey::_fwkType,
       {intf, valueIf(VrId(9)), af},
       "Value('Routing::Fhrp::FhrpConfigKey', ** {'intfId': 'Ethernet1', 'vrId': 9, 'af': ipv6, "
       "'reloadDelay': 0})"},
      {&FhrpConfigKey::_fwkType, {intf, valueIf(VrId(9))}, "missing or mistyped argument: af"},
      {&FhrpConfigKey::_fwkType,
       {intf, valueIf(VrId(9)), af, valueIf(Xel::U32(1))},
       "too many arguments for FhrpConfigKey"},
      {&VrrpVirtualRouterConfig::_fwkType, {valueIf(VrId(5))}, "5"},
      {&BfdPeerVrIdList::_fwkType, {valueIf(Bfd::Peer())}, "object"},
      {&VarpIntfIdCol::_fwkType,
       {},
       "type VarpIntfIdCol has no generic interface built from an argument list"},
  };
  for (ListCase const& c : cases) {
    Xel::Ptr<List> args = List::listOf({});
    for (IfPtr const& a : c.args) args->itemIs(a);
    std::string made;
    try {
      IfPtr const i = c.type()->genericIf(args.ptr(), false);
      EXPECT_FALSE(i->isConst());
      made = identity(i);
    } catch (Xel::Exception const& e) {
      made = e.what();
    }
    EXPECT_EQ(made, c.made) << c.type()->name();
  }
  for (IfPtr const& notAList : {IfPtr(), name}) {
    EXPECT_THAT(
        [&] { TrackedObject::_fwkType()->genericIf(notAList.ptr(), false); },
        ThrowsMessage<Xel::TypeException>("missing or mistyped argument: Xel::GenericIf::List_"));
  }
}

// A delete hands back the removed value, not the default the table test's
// members hold.
TEST(GenericIf, ASetAnswersMembershipAndCount) {
  auto const addrs = vrrpIpAddrsFactory("v4");
  auto const a = Pelno::fromString<Pelno::IpAddr>("192.0.2.1");
  auto const b = Pelno::fromString<Pelno::IpAddr>("192.0.2.2");
  addrs->addrsIs(a, true);
  IfPtr const i = ifOver(addrs.ptr());
  EXPECT_EQ(text(op(i, 258, GenericIf::opRead, valueIf(b))), "false");
  EXPECT_EQ(text(op(i, 258, GenericIf::opContains, valueIf(a))), "true");
  EXPECT_EQ(text(op(i, 258, GenericIf::opCount)), "1");
  EXPECT_EQ(text(op(i, 258, GenericIf::opDelete, valueIf(b))), "false");
  EXPECT_EQ(text(op(i, 258, GenericIf::opDelete, valueIf(a))), "true");
  EXPECT_EQ(addrs->addrsMap().members(), 0u);
}

TEST(GenericIf, AChildIsCreatedFromItsKeyAndKnowsItsParent) {
  auto const intf = vrrpIntfConfigFactory(Pelno::IntfId("Ethernet1"));
  IfPtr const i = ifOver(intf.ptr());
  IfPtr const vr = op(i, 259, GenericIf::opWrite, nullptr, List::listOf({valueIf(VrId(5))}));
  ASSERT_TRUE(intf->virtualRouterConfig(VrId(5)));
  EXPECT_EQ(vr->voidPtrIs(VrrpVirtualRouterConfig::_fwkType()),
            intf->virtualRouterConfig(VrId(5)).ptr());
  EXPECT_EQ(vr->attributeId("priority"), 261u);
  EXPECT_EQ(text(op(vr, Xel::Entity::fwkKeyId, GenericIf::opRead)), "5");
  EXPECT_EQ(op(vr, Xel::Entity::parentId, GenericIf::opRead)->voidPtrIs(Xel::Entity::_fwkType()),
            intf.ptr());
  EXPECT_THAT(op(i, Xel::Entity::parentId, GenericIf::opRead), IsNull());
  // Asking again returns the same child.
  EXPECT_EQ(op(i, 259, GenericIf::opWrite, nullptr, List::listOf({valueIf(VrId(5))}))
                ->voidPtrIs(Xel::Entity::_fwkType()),
            vr->voidPtrIs(Xel::Entity::_fwkType()));
  EXPECT_EQ(intf->virtualRouterConfigMap().members(), 1u);
}

// Walks a collection by a generic iterator while a reference model of the
// keys changes under it, the walk's current member included. Every key
// present from start to end is visited exactly once, none twice, and none
// that was absent when reached.
TEST(GenericIf, AnIteratorRefindsItsPlaceAfterOtherChanges) {
  std::mt19937 random(20261208);
  auto const vr = vrrpVirtualRouterConfigFactory(VrId(1));
  IfPtr const i = ifOver(vr.ptr());
  auto addr = [](int n) {
    return Pelno::fromString<Pelno::IpAddr>(
        Xel::String8(("198.51.100." + std::to_string(n)).c_str()));
  };
  for (int round = 0; round < 200; ++round) {
    std::set<int> present;
    for (int n = 0; n < 40; ++n) {
      if (random() % 2) {
        vr->secondaryAddrsIs(addr(n), true);
        present.insert(n);
      }
    }
    std::set<int> always = present, visited;
    std::map<std::string, int> byText;
    for (int n = 0; n < 40; ++n) byText[text(valueIf(addr(n)))] = n;
    for (GenericIf::AttributeIterator it = i->attributeIteratorConst(277); it; it.inc()) {
      int const n = byText.at(text(it.key()));
      EXPECT_TRUE(present.count(n)) << n;
      EXPECT_TRUE(visited.insert(n).second) << n;
      EXPECT_EQ(text(it.obj()), "true");
      // Change a few members, this one sometimes.
      for (int k = 0, changes = random() % 3; k < changes; ++k) {
        int const m = random() % 4 == 0 ? n : static_cast<int>(random() % 40);
        if (present.count(m)) {
          vr->secondaryAddrsDel(addr(m));
          present.erase(m);
        } else {
          vr->secondaryAddrsIs(addr(m), true);
          present.insert(m);
        }
        always.erase(m);
      }
    }
    for (int n : always) EXPECT_TRUE(visited.count(n)) << "round " << round << ": " << n;
    vr->secondaryAddrsDelAll();
  }
}

TEST(GenericIf, AnIteratorStartsAtAKeyAndWalksChildren) {
  auto const intf = vrrpIntfConfigFactory(Pelno::IntfId("Ethernet1"));
  for (Xel::U32 n : {3u, 5u, 8u, 200u}) intf->virtualRouterConfigIs(VrId(n));
  IfPtr const i = ifOver(intf.ptr());
  std::vector<std::string> all, fromFive;
  for (auto it = i->attributeIteratorConst(259); it; it.inc()) all.push_back(text(it.key()));
  for (auto it = i->attributeIteratorKeyConst(259, valueIf(VrId(5))); it; it.inc()) {
    fromFive.push_back(text(it.key()));
    EXPECT_EQ(it.obj()->type(), VrrpVirtualRouterConfig::_fwkType());
  }
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(fromFive, std::vector<std::string>(std::find(all.begin(), all.end(), "5"), all.end()));
  // From a key that is absent: where it would stand, which is where it
  // stands once added.
  std::vector<std::string> fromAbsent, fromAdded;
  for (auto it = i->attributeIteratorKeyConst(259, valueIf(VrId(6))); it; it.inc()) {
    fromAbsent.push_back(text(it.key()));
  }
  intf->virtualRouterConfigIs(VrId(6));
  for (auto it = i->attributeIteratorKeyConst(259, valueIf(VrId(6))); it; it.inc()) {
    fromAdded.push_back(text(it.key()));
  }
  fromAbsent.insert(fromAbsent.begin(), "6");
  EXPECT_EQ(fromAdded, fromAbsent);
  // A clone walks on its own.
  auto it = i->attributeIteratorConst(259);
  auto const copy = it.clone();
  it.inc();
  EXPECT_EQ(text(copy.key()), all.front());
  EXPECT_NE(text(it.key()), all.front());
  EXPECT_THAT([&] { i->attributeIteratorConst(258); },
              ThrowsMessage<Xel::OpNotSupportedException>("attribute intfId cannot be iterated"));
  EXPECT_THAT(
      [&] { i->attributeIteratorKeyConst(9999, nullptr); },
      ThrowsMessage<Xel::UnknownAttrException>("VrrpIntfConfig has no attribute with id 9999"));
  EXPECT_THAT([&] { i->attributeIteratorKeyConst(259, nullptr); },
              ThrowsMessage<Xel::TypeException>("missing or mistyped argument: xel_index"));
}

// A notifiee that writes down what it hears into a shared log, and one
// that stands for a stream adapter, which hears every change first.
struct Typed : VrrpVirtualRouterConfig::Notifiee {
  Typed(std::string label, std::vector<std::string>& log) : label(std::move(label)), log(log) {}
  void onPriority() override { log.push_back(label + ":priority"); }
  using VrrpVirtualRouterConfig::Notifiee::onSecondaryAddrs;
  void onSecondaryAddrs(Pelno::IpAddr) override { log.push_back(label + ":secondaryAddrs"); }
  std::string label;
  std::vector<std::string>& log;
};
struct Stream : Typed {
  struct Adapter : Xel::StreamAdapter {
    Adapter() : StreamAdapter(nullptr) {}
  };
  using Typed::Typed;
  Xel::Ptr<Adapter> adapter{new Adapter};
  Xel::PtrInterface const* xelReactor() const override { return adapter.ptr(); }
};

template <class N>
Xel::Ptr<N> watch(Xel::Ptr<VrrpVirtualRouterConfig> const& vr, std::string label,
                  std::vector<std::string>& log) {
  Xel::Ptr<N> n(new N(std::move(label), log));
  n->isRegisteredNotifieeIs(true);
  n->notifierIs(vr);
  return n;
}

TEST(GenericIf, ASetThroughTheInterfaceIsHeardAsTheNamedSetterIs) {
  std::vector<std::string> log;
  auto const vr = vrrpVirtualRouterConfigFactory(VrId(1));
  auto const a = watch<Typed>(vr, "A", log);
  IfPtr const g = ifOver(vr.ptr());
  g->attributeHandlerIs([&](Xel::AttributeId id) { log.push_back("G:" + std::to_string(id)); });
  auto const b = watch<Typed>(vr, "B", log);
  auto const s = watch<Stream>(vr, "S", log);
  auto const addr = Pelno::fromString<Pelno::IpAddr>("203.0.113.9");

  vr->priorityIs(120);
  vr->secondaryAddrsIs(addr, true);
  std::vector<std::string> const named = std::exchange(log, {});
  EXPECT_THAT(named,
              ElementsAre("S:priority", "A:priority", "G:261", "B:priority", "S:secondaryAddrs",
                          "A:secondaryAddrs", "G:277", "B:secondaryAddrs"));
  vr->priorityIs(100);
  vr->secondaryAddrsDel(addr);
  log.clear();
  op(g, 261, GenericIf::opWrite, nullptr, valueIf(Xel::U32(120)));
  op(g, 277, GenericIf::opWrite, valueIf(addr), valueIf(true));
  EXPECT_EQ(log, named);
  // An unchanged value is no change, whichever way it is set.
  log.clear();
  op(g, 261, GenericIf::opWrite, nullptr, valueIf(Xel::U32(120)));
  EXPECT_TRUE(log.empty());
  // Paused, the interface hears nothing; the others still do.
  g->hasNotificationActiveIs(false);
  vr->priorityIs(7);
  EXPECT_THAT(log, ElementsAre("S:priority", "A:priority", "B:priority"));
  // So is a zombie, until brought back; like a resumed notifiee, it then
  // joins the list anew, at its end.
  g->hasNotificationActiveIs(true);
  g->xelDoZombieReactors(true);
  EXPECT_TRUE(g->xelMarkedForDeletion());
  log.clear();
  vr->priorityIs(8);
  g->xelDoZombieReactors(false);
  vr->priorityIs(9);
  EXPECT_THAT(log, ElementsAre("S:priority", "A:priority", "B:priority", "S:priority", "A:priority",
                               "B:priority", "G:261"));
}

TEST(GenericIf, AnActivityCollectsChangesUntilItRuns) {
  auto const vr = vrrpVirtualRouterConfigFactory(VrId(1));
  IfPtr const g = ifOver(vr.ptr());
  std::vector<Xel::AttributeId> heard;
  g->attributeHandlerIs([&](Xel::AttributeId id) { heard.push_back(id); });
  Xel::ActivityConfig activity;
  g->activityIs(&activity);

  vr->priorityIs(120);
  vr->priorityIs(121);
  EXPECT_TRUE(heard.empty());
  activity.runPending();
  EXPECT_THAT(heard, ElementsAre(261u));

  // Two attributes: every attribute that notifies, in id order.
  heard.clear();
  vr->priorityIs(122);
  vr->preemptIs(false);
  activity.runPending();
  // The registered attributes that change: settable ones and collections.
  std::vector<Xel::AttributeId> notifying;
  for (auto const& a : reflect_test::kAttributes) {
    std::string const flags = a.flags;
    if (a.type == std::string("VrrpVirtualRouterConfig") &&
        (flags == "SV" || flags == "VV" || flags == "EV")) {
      notifying.push_back(a.id);
    }
  }
  EXPECT_EQ(heard, notifying);
  EXPECT_EQ(heard.size(), 18u);

  // Another object: everything is new.
  heard.clear();
  auto const other = vrrpVirtualRouterConfigFactory(VrId(2));
  static_cast<VrrpVirtualRouterConfig::GenericIf_*>(g.ptr())->objIs(other);
  vr->priorityIs(1);  // no longer watched
  activity.runPending();
  EXPECT_EQ(heard, notifying);

  // Paused after a change was recorded: nothing is heard when it runs.
  heard.clear();
  other->priorityIs(2);
  g->hasNotificationActiveIs(false);
  activity.runPending();
  EXPECT_TRUE(heard.empty());
}

TEST(GenericIf, AMemberHandlerHearsWhichMemberChanged) {
  auto const vr = vrrpVirtualRouterConfigFactory(VrId(1));
  IfPtr const g = ifOver(vr.ptr());
  std::vector<std::string> heard;
  g->attributeHandlerIs([&](Xel::AttributeId id) { heard.push_back(std::to_string(id)); });
  g->memberHandlerIs([&](Xel::AttributeId id, IfPtr const& key) {
    heard.push_back(std::to_string(id) + "[" + key->strRep().stdString() + "]");
    EXPECT_TRUE(key->isConst());
  });
  vr->secondaryAddrsIs(Pelno::fromString<Pelno::IpAddr>("203.0.113.9"), true);
  vr->vrrpTrackedObjectIs("uplink");
  vr->priorityIs(120);
  vr->vrrpTrackedObjectDel("uplink");
  EXPECT_THAT(heard, ElementsAre("277[203.0.113.9]", "291['uplink']", "261", "291['uplink']"));

  // Deferred, a member's change has lost its key.
  heard.clear();
  Xel::ActivityConfig activity;
  g->activityIs(&activity);
  vr->vrrpTrackedObjectIs("downlink");
  activity.runPending();
  g->activityIs(nullptr);
  EXPECT_THAT(heard, ElementsAre("291"));
}

TEST(GenericIf, AnInterfaceOverNothingHearsTheEntityItIsBoundToLater) {
  auto const vr = vrrpVirtualRouterConfigFactory(VrId(1));
  IfPtr const g = VrrpVirtualRouterConfig::_fwkType()->genericIf_(nullptr, false);
  std::vector<Xel::AttributeId> heard;
  g->attributeHandlerIs([&](Xel::AttributeId id) { heard.push_back(id); });
  static_cast<VrrpVirtualRouterConfig::GenericIf_*>(g.ptr())->objIs(vr);
  vr->priorityIs(5);
  EXPECT_THAT(heard, ElementsAre(261u));
}

}  // namespace
