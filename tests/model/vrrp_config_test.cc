// VrrpConfig and VrrpIntfConfig: the global VRRP configuration, its address
// index of FhrpIntfIdPair values, its child collections and their teardown.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listener.h"

namespace {

using namespace fhrp_test;
using Routing::Fhrp::FhrpIntfIdPair;
using Routing::Fhrp::FhrpLinkLocal6IntfCol;
using Routing::Fhrp::VrId;
using Routing::Fhrp::VrrpConfig;
using Routing::Fhrp::VrrpIntfConfig;
using Routing::Fhrp::VrrpVirtualRouterConfig;
using VirtualIp::VrfIpPair;
using Xel::Ptr;

struct VrrpListener : Listener<VrrpConfig::Notifiee> {
  void onVrrpIntfConfig(Pelno::IntfId key) override { hear("onVrrpIntfConfig", key); }
  void onVirtualIpAddr(VrfIpPair const& key) override { hear("onVirtualIpAddr", key); }
  void onVirtualIp6LinkLocalAddr(VrfIpPair const& key) override {
    hear("onVirtualIp6LinkLocalAddr", key);
  }
  void onIpv6ForceIpv4MacPrefix() override { hear("onIpv6ForceIpv4MacPrefix"); }
  using VrrpConfig::Notifiee::onVirtualIp6LinkLocalAddr;
  using VrrpConfig::Notifiee::onVirtualIpAddr;
  using VrrpConfig::Notifiee::onVrrpIntfConfig;
};

struct IntfListener : Listener<VrrpIntfConfig::Notifiee> {
  void onVirtualRouterConfig(VrId key) override { hear("onVirtualRouterConfig", key); }
  using VrrpIntfConfig::Notifiee::onVirtualRouterConfig;
};

Pelno::IntfId const eth1("Ethernet1");
Pelno::IntfId const eth2("Ethernet2");

class Vrrp : public ::testing::Test {
 protected:
  Ptr<VrrpConfig> vrrp = Routing::Fhrp::vrrpConfigFactory("vrrp");
  Ptr<VrrpListener> listener = watch<VrrpListener>(vrrp);
  VrfIpPair const red1 = vrfIp("red", "192.0.2.1");
};

TEST_F(Vrrp, FlagIsToldOnlyWhenItChanges) {
  vrrp->ipv6ForceIpv4MacPrefixIs(false);
  EXPECT_EQ(vrrp->changeCount(), 0u);
  vrrp->ipv6ForceIpv4MacPrefixIs(true);
  EXPECT_TRUE(vrrp->ipv6ForceIpv4MacPrefix());
  EXPECT_EQ(listener->heard, Heard{"onIpv6ForceIpv4MacPrefix"});
  EXPECT_EQ(vrrp->changeCount(), 1u);
}

TEST_F(Vrrp, FailingHandlersAreReportedWithEachMembersId) {
  listener->failing = true;
  vrrp->vrrpIntfConfigIs(eth1);
  vrrp->virtualIpAddrIs(red1, FhrpIntfIdPair(eth1, VrId(1)));
  vrrp->virtualIp6LinkLocalAddrIs(vrfIp("red", "fe80::1"));
  vrrp->ipv6ForceIpv4MacPrefixIs(true);
  EXPECT_EQ(listener->failures, (Ids{258, 259, 260, 261}));
  EXPECT_EQ(vrrp->changeCount(), 4u);
}

TEST_F(Vrrp, AddressIndexStoresAPairOnceAndOverwritesADifferentOne) {
  FhrpIntfIdPair const first(eth1, VrId(1));
  vrrp->virtualIpAddrIs(red1, first);
  vrrp->virtualIpAddrIs(red1, FhrpIntfIdPair(Pelno::IntfId("Ethernet1"), VrId(1)));
  EXPECT_EQ(vrrp->changeCount(), 1u);
  EXPECT_EQ(listener->heard.size(), 1u);
  vrrp->virtualIpAddrIs(red1, FhrpIntfIdPair(eth2, VrId(1)));
  vrrp->virtualIpAddrIs(red1, FhrpIntfIdPair(eth2, VrId(2)));
  EXPECT_EQ(vrrp->virtualIpAddrMembers(), 1u);
  EXPECT_EQ(vrrp->virtualIpAddr(red1), FhrpIntfIdPair(eth2, VrId(2)));
  EXPECT_EQ(vrrp->changeCount(), 3u);
  EXPECT_EQ(vrrp->virtualIpAddrDel(red1), FhrpIntfIdPair(eth2, VrId(2)));
  EXPECT_EQ(vrrp->changeCount(), 4u);
  EXPECT_EQ(listener->heard, Heard(4, "onVirtualIpAddr(('red', 192.0.2.1))"));
}

TEST_F(Vrrp, AbsentAddressGivesTheEmptyInterfaceAndIdZero) {
  FhrpIntfIdPair const none(Pelno::IntfId(""), VrId(0));
  EXPECT_EQ(vrrp->virtualIpAddrDel(red1), none);
  EXPECT_EQ(vrrp->virtualIpAddr(red1), none);
  EXPECT_EQ(vrrp->changeCount(), 0u);
  EXPECT_TRUE(listener->heard.empty());
}

TEST_F(Vrrp, AddressKeysDifferingInVrfOrAddressAloneAreDistinct) {
  vrrp->virtualIpAddrIs(red1, FhrpIntfIdPair(eth1, VrId(1)));
  vrrp->virtualIpAddrIs(vrfIp("blue", "192.0.2.1"), FhrpIntfIdPair(eth1, VrId(2)));
  vrrp->virtualIpAddrIs(vrfIp("red", "192.0.2.2"), FhrpIntfIdPair(eth1, VrId(3)));
  EXPECT_EQ(vrrp->virtualIpAddrMembers(), 3u);
  EXPECT_EQ(vrrp->virtualIpAddr(red1).vrId(), VrId(1));
  EXPECT_EQ(vrrp->virtualIpAddr(vrfIp("blue", "192.0.2.1")).vrId(), VrId(2));
  EXPECT_EQ(vrrp->virtualIpAddr(vrfIp("red", "192.0.2.2")).vrId(), VrId(3));
  EXPECT_EQ(listener->heard.size(), 3u);
}

TEST_F(Vrrp, ChildrenAreMadeOnceUnderTheirCollectionsId) {
  auto intf = vrrp->vrrpIntfConfigIs(eth1);
  EXPECT_EQ(intf->intfId(), eth1);
  EXPECT_EQ(intf->parent(), vrrp.ptr());
  EXPECT_EQ(intf->parentAttrId(), 258u);
  EXPECT_EQ(vrrp->vrrpIntfConfigIs(eth1), intf);

  VrfIpPair const linkLocal = vrfIp("red", "fe80::1");
  auto users = vrrp->virtualIp6LinkLocalAddrIs(linkLocal);
  EXPECT_EQ(users->vrfIp(), linkLocal);
  EXPECT_EQ(users->parent(), vrrp.ptr());
  EXPECT_EQ(users->parentAttrId(), 260u);
  EXPECT_EQ(vrrp->virtualIp6LinkLocalAddrIs(linkLocal), users);

  EXPECT_EQ(vrrp->changeCount(), 4u);
  EXPECT_EQ(listener->heard, (Heard{"onVrrpIntfConfig('Ethernet1')",
                                    "onVirtualIp6LinkLocalAddr(('red', fe80::1))"}));
}

TEST_F(Vrrp, InterfaceMakesVirtualRoutersOnceUnderId259) {
  auto intf = vrrp->vrrpIntfConfigIs(eth1);
  auto intfListener = watch<IntfListener>(intf);
  auto router = intf->virtualRouterConfigIs(VrId(256));
  EXPECT_EQ(router->vrId(), VrId(256));
  EXPECT_EQ(router->parent(), intf.ptr());
  EXPECT_EQ(router->parentAttrId(), 259u);
  EXPECT_EQ(intf->virtualRouterConfigIs(VrId(256)), router);
  EXPECT_EQ(intf->changeCount(), 2u);
  intfListener->failing = true;
  EXPECT_EQ(intf->virtualRouterConfigDel(VrId(256)), router);
  EXPECT_FALSE(intf->virtualRouterConfigDel(VrId(256)));
  EXPECT_EQ(router->parent(), nullptr);
  EXPECT_EQ(intfListener->heard, Heard(2, "onVirtualRouterConfig(256)"));
  EXPECT_EQ(intfListener->failures, Ids{259});
}

TEST_F(Vrrp, NotifyOfAnAbsentInterfaceStillDelivers) {
  vrrp->vrrpIntfConfigNotify(eth2);
  EXPECT_EQ(listener->heard, Heard{"onVrrpIntfConfig('Ethernet2')"});
  EXPECT_EQ(vrrp->changeCount(), 0u);
}

TEST_F(Vrrp, RemovedInterfaceKeepsItsVirtualRouters) {
  auto router = vrrp->vrrpIntfConfigIs(eth1)->virtualRouterConfigIs(VrId(5));
  auto intf = vrrp->vrrpIntfConfigDel(eth1);
  EXPECT_EQ(intf->parent(), nullptr);
  EXPECT_EQ(intf->virtualRouterConfig(VrId(5)), router);
  EXPECT_EQ(router->parent(), intf.ptr());
}

TEST(VrrpTeardown, InterfacesThenLinkLocalsAreRemovedOneByOneAndTheIndexSilently) {
  auto vrrp = Routing::Fhrp::vrrpConfigFactory("vrrp");
  std::vector<Ptr<Xel::Entity>> children{vrrp->vrrpIntfConfigIs(eth1), vrrp->vrrpIntfConfigIs(eth2),
                                         vrrp->virtualIp6LinkLocalAddrIs(vrfIp("red", "fe80::1"))};
  vrrp->virtualIpAddrIs(vrfIp("red", "192.0.2.1"), FhrpIntfIdPair(eth1, VrId(1)));
  vrrp->virtualIpAddrIs(vrfIp("red", "192.0.2.2"), FhrpIntfIdPair(eth2, VrId(1)));
  auto survivor = watch<VrrpListener>(vrrp, /*weak=*/true);
  vrrp = nullptr;
  ASSERT_EQ(survivor->heard.size(), 3u);
  Heard const interfaces(survivor->heard.begin(), survivor->heard.begin() + 2);
  EXPECT_TRUE(
      interfaces == (Heard{"onVrrpIntfConfig('Ethernet1')", "onVrrpIntfConfig('Ethernet2')"}) ||
      interfaces == (Heard{"onVrrpIntfConfig('Ethernet2')", "onVrrpIntfConfig('Ethernet1')"}));
  EXPECT_EQ(survivor->heard[2], "onVirtualIp6LinkLocalAddr(('red', fe80::1))");
  for (auto const& child : children) EXPECT_EQ(child->parent(), nullptr);
}

}  // namespace
