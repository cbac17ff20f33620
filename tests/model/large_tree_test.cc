// A configuration the size of a large router: 4,096 interfaces with four
// virtual routers each, every router with two addresses and a tracked
// object, then torn down by letting go of the root. Every removal on the
// way down must be told exactly once to the watchers that outlive it.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Routing::Fhrp;
using Xel::Ptr;

constexpr Xel::U32 kInterfaces = 4096;
constexpr Xel::U32 kRoutersPerInterface = 4;

// Weak watchers, so that they do not keep the tree alive.
template <class Base>
Ptr<Base> watchWeakly(Ptr<Base> w, Xel::PtrInterface const* entity) {
  w->isRegisteredNotifieeIs(true);
  w->notifierIs(Ptr<Xel::PtrInterface const>(entity));
  w->isWeakReferenceIs(true);
  return w;
}

struct VrrpWatcher : VrrpConfig::Notifiee {
  Xel::U32 interfaces = 0;
  using VrrpConfig::Notifiee::onVrrpIntfConfig;
  void onVrrpIntfConfig(Pelno::IntfId) override { ++interfaces; }
};
struct IntfWatcher : VrrpIntfConfig::Notifiee {
  Xel::U32 routers = 0;
  using VrrpIntfConfig::Notifiee::onVirtualRouterConfig;
  void onVirtualRouterConfig(VrId) override { ++routers; }
};
struct RouterWatcher : VrrpVirtualRouterConfig::Notifiee {
  Xel::U32 tracked = 0, addresses = 0;
  using VrrpVirtualRouterConfig::Notifiee::onSecondaryAddrs;
  using VrrpVirtualRouterConfig::Notifiee::onVrrpTrackedObject;
  void onVrrpTrackedObject(Xel::String8) override { ++tracked; }
  void onSecondaryAddrs(Pelno::IpAddr) override { ++addresses; }
};
struct ConfigWatcher : Config::Notifiee {
  Xel::U32 vrrp = 0;
  void onVrrpConfig() override { ++vrrp; }
};

TEST(LargeTree, BuildsAndTearsDownTellingEachRemovalOnce) {
  auto config = configFactory("fhrp");
  auto vrrp = config->vrrpConfigIs("vrrp");
  std::vector<Ptr<IntfWatcher>> intfWatchers;
  std::vector<Ptr<RouterWatcher>> routerWatchers;
  for (Xel::U32 i = 0; i < kInterfaces; ++i) {
    auto intf = vrrp->vrrpIntfConfigIs(
        Pelno::IntfId(Xel::String8(("Ethernet" + std::to_string(i)).c_str())));
    for (Xel::U32 r = 1; r <= kRoutersPerInterface; ++r) {
      auto router = intf->virtualRouterConfigIs(VrId(r));
      router->priorityIs(100 + r);
      // The addresses need only differ within one router: 192.0.2.r, then
      // 198.51.100.r and 203.0.113.r.
      router->primaryAddrIs(Pelno::IpAddr::fromHostOrder(0xc0000200u + r));
      router->secondaryAddrsIs(Pelno::IpAddr::fromHostOrder(0xc6336400u + r), true);
      router->secondaryAddrsIs(Pelno::IpAddr::fromHostOrder(0xcb007100u + r), true);
      router->vrrpTrackedObjectIs("uplink")->trackPriorityDecrementIs(20);
      routerWatchers.push_back(watchWeakly(Ptr<RouterWatcher>(new RouterWatcher), router.ptr()));
    }
    intfWatchers.push_back(watchWeakly(Ptr<IntfWatcher>(new IntfWatcher), intf.ptr()));
  }
  EXPECT_EQ(vrrp->vrrpIntfConfigMembers(), kInterfaces);
  auto const vrrpWatcher = watchWeakly(Ptr<VrrpWatcher>(new VrrpWatcher), vrrp.ptr());
  auto const configWatcher = watchWeakly(Ptr<ConfigWatcher>(new ConfigWatcher), config.ptr());

  {  // Spot checks of the built tree, letting go of what they hold.
    auto const probe = vrrp->vrrpIntfConfig(Pelno::IntfId(Xel::String8("Ethernet4095")));
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->virtualRouterConfig(VrId(4))->priority(), 104u);
    EXPECT_EQ(probe->virtualRouterConfigMembers(), kRoutersPerInterface);
  }

  vrrp = nullptr;
  config = nullptr;  // the whole tree goes with the root

  EXPECT_EQ(configWatcher->vrrp, 1u);
  EXPECT_EQ(vrrpWatcher->interfaces, kInterfaces);
  for (auto const& w : intfWatchers) ASSERT_EQ(w->routers, kRoutersPerInterface);
  for (auto const& w : routerWatchers) {
    ASSERT_EQ(w->tracked, 1u);    // tracked objects are children: removed and told
    ASSERT_EQ(w->addresses, 0u);  // address values are released without a word
  }
}

}  // namespace
