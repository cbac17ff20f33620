// VrrpVirtualRouterConfig: defaults, member ids, setters, its virtual
// mutators reaching each other through the virtual table, and teardown.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "listener.h"

namespace {

using namespace fhrp_test;
using Routing::Fhrp::TrackedObject;
using Routing::Fhrp::VrId;
using Routing::Fhrp::VrrpVirtualRouterConfig;
using Routing::Fhrp::vrrpVirtualRouterConfigFactory;
using Xel::Ptr;

using Pelno::Ip6Addr;
using Pelno::IpAddr;

struct RouterListener : Listener<VrrpVirtualRouterConfig::Notifiee> {
  void onVersion() override { hear("onVersion"); }
  void onPriority() override { hear("onPriority"); }
  void onAdvInterval() override { hear("onAdvInterval"); }
  void onArpOrNAInterval() override { hear("onArpOrNAInterval"); }
  void onPreempt() override { hear("onPreempt"); }
  void onPreemptDelay() override { hear("onPreemptDelay"); }
  void onPreemptReloadDelay() override { hear("onPreemptReloadDelay"); }
  void onReloadDelay() override { hear("onReloadDelay"); }
  void onPrimaryAddr() override { hear("onPrimaryAddr"); }
  void onSecondaryAddrs(IpAddr key) override { hear("onSecondaryAddrs", key); }
  void onBfdPeerAddrV4() override { hear("onBfdPeerAddrV4"); }
  void onIp6Addrs(Ip6Addr const& key) override { hear("onIp6Addrs", key); }
  void onBfdPeerAddrV6() override { hear("onBfdPeerAddrV6"); }
  void onAuthType() override { hear("onAuthType"); }
  void onAuthKey() override { hear("onAuthKey"); }
  void onDescription() override { hear("onDescription"); }
  void onAdminEnabledState() override { hear("onAdminEnabledState"); }
  void onVrrpTrackedObject(Xel::String8 key) override { hear("onVrrpTrackedObject", key); }
  using VrrpVirtualRouterConfig::Notifiee::onIp6Addrs;
  using VrrpVirtualRouterConfig::Notifiee::onSecondaryAddrs;
  using VrrpVirtualRouterConfig::Notifiee::onVrrpTrackedObject;
};

class VirtualRouter : public ::testing::Test {
 protected:
  Ptr<VrrpVirtualRouterConfig> router = vrrpVirtualRouterConfigFactory(VrId(1));
  Ptr<RouterListener> listener = watch<RouterListener>(router);
};

// Every mutator, its handler and the id a failing handler is reported with.
struct Change {
  char const* heard;
  Xel::AttributeId id;
  std::function<void(VrrpVirtualRouterConfig&)> apply;
};

std::vector<Change> everyChange() {
  IpAddr const v4 = value<IpAddr>("192.0.2.1");
  Ip6Addr const v6 = value<Ip6Addr>("2001:db8::1");
  return {
      {"onVersion", 259, [](auto& r) { r.versionIs(3); }},
      {"onPriority", 261, [](auto& r) { r.priorityIs(150); }},
      {"onAdvInterval", 263, [](auto& r) { r.advIntervalIs(200); }},
      {"onArpOrNAInterval", 265, [](auto& r) { r.arpOrNAIntervalIs(4000); }},
      {"onPreempt", 267, [](auto& r) { r.preemptIs(false); }},
      {"onPreemptDelay", 269, [](auto& r) { r.preemptDelayIs(5); }},
      {"onPreemptReloadDelay", 271, [](auto& r) { r.preemptReloadDelayIs(6); }},
      {"onReloadDelay", 273, [](auto& r) { r.reloadDelayIs(7); }},
      {"onPrimaryAddr", 276, [=](auto& r) { r.primaryAddrIs(v4); }},
      {"onSecondaryAddrs(192.0.2.1)", 277, [=](auto& r) { r.secondaryAddrsIs(v4, true); }},
      {"onBfdPeerAddrV4", 279, [=](auto& r) { r.bfdPeerAddrV4Is(v4); }},
      {"onIp6Addrs(2001:db8::1)", 280, [=](auto& r) { r.ip6AddrsIs(v6, true); }},
      {"onBfdPeerAddrV6", 282, [=](auto& r) { r.bfdPeerAddrV6Is(v6); }},
      {"onAuthType", 283, [](auto& r) { r.authTypeIs(Pelno::vrrpAuthText); }},
      {"onAuthKey", 285, [](auto& r) { r.authKeyIs("secret"); }},
      {"onDescription", 287, [](auto& r) { r.descriptionIs("uplink pair"); }},
      {"onAdminEnabledState", 289, [](auto& r) { r.adminEnabledStateIs(Interface::intfShutdown); }},
      {"onVrrpTrackedObject('uplink')", 291, [](auto& r) { r.vrrpTrackedObjectIs("uplink"); }},
  };
}

TEST_F(VirtualRouter, EachChangeReachesItsHandlerAndFailuresCarryTheMembersId) {
  auto healthy = watch<RouterListener>(router);
  listener->failing = true;
  Xel::U32 count = 0;
  for (Change const& change : everyChange()) {
    SCOPED_TRACE(change.heard);
    listener->forget();
    healthy->forget();
    change.apply(*router);
    EXPECT_EQ(listener->heard, Heard{change.heard});
    EXPECT_EQ(listener->failures, Ids{change.id});
    EXPECT_EQ(healthy->heard, Heard{change.heard});
    EXPECT_EQ(router->changeCount(), ++count);
  }
}

TEST_F(VirtualRouter, RepeatingAChangeIsNoChangeExceptForAPresentChild) {
  for (Change const& change : everyChange()) change.apply(*router);
  listener->forget();
  Xel::U32 const count = router->changeCount();
  for (Change const& change : everyChange()) change.apply(*router);
  EXPECT_TRUE(listener->heard.empty());
  // Asking again for a present tracked object counts without telling.
  EXPECT_EQ(router->changeCount(), count + 1);
}

TEST_F(VirtualRouter, TextEqualInContentIsNoChangeAndNewTextIsSharedNotCopied) {
  Xel::String8 const original("core uplink");
  router->descriptionIs(original);
  router->authKeyIs(original);
  listener->forget();
  Xel::String8 const sameText(std::string("core ") + "uplink");
  ASSERT_FALSE(sameText.sharesDataWith(original));
  router->descriptionIs(sameText);
  router->authKeyIs(sameText);
  EXPECT_TRUE(listener->heard.empty());
  EXPECT_EQ(router->changeCount(), 2u);
  EXPECT_TRUE(router->description().sharesDataWith(original));
  EXPECT_TRUE(router->authKey().sharesDataWith(original));
}

// The router has no onVersion of its own: it reuses the framework's slot.
static_assert(std::is_same_v<decltype(&VrrpVirtualRouterConfig::NotifieeConst::onVersion),
                             void (Xel::Entity::NotifieeConst::*)()>);

// Overrides the virtual notify and delete-by-iterator operations, noting
// what the entity looks like when each is reached.
class AuditedRouter : public VrrpVirtualRouterConfig {
 public:
  using VrrpVirtualRouterConfig::ip6AddrsDel;
  using VrrpVirtualRouterConfig::secondaryAddrsDel;
  using VrrpVirtualRouterConfig::vrrpTrackedObjectDel;
  using VrrpVirtualRouterConfig::VrrpVirtualRouterConfig;

  void secondaryAddrsNotify(IpAddr key) override {
    note("notify", key, secondaryAddrsMembers());
    if (!silent) VrrpVirtualRouterConfig::secondaryAddrsNotify(key);
  }
  bool secondaryAddrsDel(SecondaryAddrsIterator& it) override {
    note("delAt", it->xelKey(), secondaryAddrsMembers());
    return VrrpVirtualRouterConfig::secondaryAddrsDel(it);
  }
  void ip6AddrsNotify(Ip6Addr const& key) override {
    note("notify", key, ip6AddrsMembers());
    VrrpVirtualRouterConfig::ip6AddrsNotify(key);
  }
  bool ip6AddrsDel(Ip6AddrsIterator& it) override {
    note("delAt", it->xelKey(), ip6AddrsMembers());
    return VrrpVirtualRouterConfig::ip6AddrsDel(it);
  }
  void vrrpTrackedObjectNotify(Xel::String8 key) override {
    note("notify", key, vrrpTrackedObjectMembers());
    VrrpVirtualRouterConfig::vrrpTrackedObjectNotify(key);
  }
  Ptr<TrackedObject> vrrpTrackedObjectDel(VrrpTrackedObjectIterator& it) override {
    note("delAt", it->trackedObjectName(), vrrpTrackedObjectMembers());
    return VrrpVirtualRouterConfig::vrrpTrackedObjectDel(it);
  }

  Heard calls;
  bool silent = false;

 private:
  template <class Key>
  void note(char const* what, Key const& key, Xel::U32 members) {
    using Xel::valueToStrep;
    calls.push_back(std::string(what) + " " + valueToStrep(key).stdString() + " members " +
                    std::to_string(members) + " count " + std::to_string(changeCount()));
  }
};

class DerivedRouter : public ::testing::Test {
 protected:
  Ptr<AuditedRouter> router{new AuditedRouter(VrId(7))};
  Ptr<RouterListener> listener = watch<RouterListener>(router);
};

TEST_F(DerivedRouter, SecondaryAddressChangesNotifyThroughTheOverrideAfterTheChange) {
  IpAddr const a = value<IpAddr>("192.0.2.1");
  router->secondaryAddrsIs(a, true);
  router->secondaryAddrsIs(a, true);
  router->secondaryAddrsIs(a, false);
  EXPECT_FALSE(router->secondaryAddrsDel(value<IpAddr>("192.0.2.99")));
  EXPECT_FALSE(router->secondaryAddrsDel(a));
  EXPECT_EQ(router->calls,
            (Heard{"notify 192.0.2.1 members 1 count 1", "notify 192.0.2.1 members 1 count 2",
                   "notify 192.0.2.1 members 0 count 3"}));
  EXPECT_EQ(listener->heard.size(), 3u);
}

TEST_F(DerivedRouter, AnOverrideThatDoesNotPassOnSilencesTheNotifieesButTheChangeStands) {
  router->silent = true;
  router->secondaryAddrsIs(value<IpAddr>("192.0.2.1"), true);
  EXPECT_TRUE(router->secondaryAddrs(value<IpAddr>("192.0.2.1")));
  EXPECT_EQ(router->changeCount(), 1u);
  EXPECT_EQ(router->calls.size(), 1u);
  EXPECT_TRUE(listener->heard.empty());
}

TEST_F(DerivedRouter, DeleteAllGoesThroughTheOverriddenDeleteByIterator) {
  for (char const* a : {"192.0.2.1", "192.0.2.2"}) router->secondaryAddrsIs(value<IpAddr>(a), true);
  router->calls.clear();
  router->secondaryAddrsDelAll();
  ASSERT_EQ(router->calls.size(), 4u);
  // Each member: first the delete by iterator, then its notify.
  for (std::size_t i = 0; i < 4; i += 2) {
    EXPECT_EQ(router->calls[i].substr(0, 6), "delAt ");
    EXPECT_EQ(router->calls[i + 1].substr(0, 7), "notify ");
    EXPECT_EQ(router->calls[i].substr(6, 9), router->calls[i + 1].substr(7, 9));
  }
  EXPECT_EQ(router->secondaryAddrsMembers(), 0u);

  router->ip6AddrsIs(value<Ip6Addr>("2001:db8::7"), true);
  router->calls.clear();
  router->ip6AddrsDelAll();
  EXPECT_EQ(router->calls,
            (Heard{"delAt 2001:db8::7 members 1 count 5", "notify 2001:db8::7 members 0 count 6"}));
}

TEST_F(DerivedRouter, TrackedObjectsNotifyThroughTheOverrideOnCreationAndRemovalOnly) {
  auto child = router->vrrpTrackedObjectIs("uplink");
  EXPECT_EQ(child->parentAttrId(), 291u);
  router->vrrpTrackedObjectIs("uplink");
  router->newVrrpTrackedObject("downlink");
  EXPECT_EQ(router->calls, Heard{"notify 'uplink' members 1 count 1"});
  router->calls.clear();
  EXPECT_EQ(router->vrrpTrackedObjectDel("uplink"), child);
  EXPECT_EQ(router->calls, Heard{"notify 'uplink' members 1 count 3"});
  router->calls.clear();
  router->vrrpTrackedObjectDelAll();
  EXPECT_EQ(router->calls,
            (Heard{"delAt 'downlink' members 1 count 3", "notify 'downlink' members 0 count 4"}));
  EXPECT_EQ(listener->heard,
            (Heard{"onVrrpTrackedObject('uplink')", "onVrrpTrackedObject('uplink')",
                   "onVrrpTrackedObject('downlink')"}));
}

}  // namespace
