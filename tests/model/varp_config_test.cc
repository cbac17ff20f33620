// The virtual-ARP configuration: VarpConfig, VarpIntfConfig and
// VarpIntfIdCol, their settings, collections and teardown.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "listener.h"

namespace {

using namespace fhrp_test;
using Pelno::Ip6Addr;
using Pelno::IpAddrWithMask;
using Routing::Fhrp::TrackedObject;
using Routing::Fhrp::VarpConfig;
using Routing::Fhrp::VarpIntfConfig;
using Routing::Fhrp::VarpIntfIdCol;
using VirtualIp::VrfIpPair;
using Xel::Ptr;

struct VarpListener : Listener<VarpConfig::Notifiee> {
  void onVarpIntfConfig(Pelno::IntfId key) override { hear("onVarpIntfConfig", key); }
  void onVirtualMac() override { hear("onVirtualMac"); }
  void onAdvtInterval() override { hear("onAdvtInterval"); }
  void onVirtualIpAddr(VrfIpPair const& key) override { hear("onVirtualIpAddr", key); }
  using VarpConfig::Notifiee::onVarpIntfConfig;
  using VarpConfig::Notifiee::onVirtualIpAddr;
};

struct IntfListener : Listener<VarpIntfConfig::Notifiee> {
  void onVirtualIpAddr(IpAddrWithMask const& key) override { hear("onVirtualIpAddr", key); }
  void onVirtualIp6Addr(Ip6Addr const& key) override { hear("onVirtualIp6Addr", key); }
  void onVarpTrackedObject(Xel::String8 key) override { hear("onVarpTrackedObject", key); }
  using VarpIntfConfig::Notifiee::onVarpTrackedObject;
  using VarpIntfConfig::Notifiee::onVirtualIp6Addr;
  using VarpIntfConfig::Notifiee::onVirtualIpAddr;
};

struct MaskListener : Listener<VarpIntfIdCol::Notifiee> {
  void onIntfIdToMask(Pelno::IntfId key) override { hear("onIntfIdToMask", key); }
  using VarpIntfIdCol::Notifiee::onIntfIdToMask;
};

Pelno::IntfId const eth1("Ethernet1");
Pelno::IntfId const eth2("Ethernet2");

class Varp : public ::testing::Test {
 protected:
  Ptr<VarpConfig> varp = Routing::Fhrp::varpConfigFactory("varp");
  Ptr<VarpListener> listener = watch<VarpListener>(varp);
  VrfIpPair const red1 = vrfIp("red", "192.0.2.1");
};

TEST_F(Varp, IntervalAndMacTakeAnyValue) {
  for (Xel::U32 n : {0u, 4294967295u}) {
    varp->advtIntervalIs(n);
    EXPECT_EQ(varp->advtInterval(), n);
  }
  auto const mac = value<Pelno::EthAddr>("02:00:00:00:00:99");
  varp->virtualMacIs(mac);
  varp->virtualMacIs(Pelno::EthAddr(0x02, 0x00, 0x00, 0x00, 0x00, 0x99));
  EXPECT_EQ(varp->virtualMac(), mac);
  EXPECT_EQ(listener->heard, (Heard{"onAdvtInterval", "onAdvtInterval", "onVirtualMac"}));
  EXPECT_EQ(varp->changeCount(), 3u);
}

TEST_F(Varp, FailingHandlersAreReportedWithEachMembersId) {
  listener->failing = true;
  varp->varpIntfConfigIs(eth1);
  varp->virtualMacIs(value<Pelno::EthAddr>("02:00:00:00:00:99"));
  varp->advtIntervalIs(0);
  varp->virtualIpAddrIs(red1);
  EXPECT_EQ(listener->failures, (Ids{258, 259, 261, 263}));
}

TEST_F(Varp, AddressIndexGivesThePresentChildWithoutTellingButCounts) {
  auto col = varp->virtualIpAddrIs(red1);
  EXPECT_EQ(col->vrfIp(), red1);
  EXPECT_EQ(col->name(), "");
  EXPECT_EQ(col->parent(), varp.ptr());
  EXPECT_EQ(col->parentAttrId(), 263u);
  EXPECT_EQ(listener->heard, Heard{"onVirtualIpAddr(('red', 192.0.2.1))"});
  EXPECT_EQ(varp->changeCount(), 1u);
  EXPECT_EQ(varp->virtualIpAddrIs(vrfIp("red", "192.0.2.1")), col);
  EXPECT_EQ(listener->heard.size(), 1u);
  EXPECT_EQ(varp->changeCount(), 2u);
}

TEST_F(Varp, InterfaceChildrenAreMadeUnderId258) {
  auto intf = varp->varpIntfConfigIs(eth1);
  EXPECT_EQ(intf->intfId(), eth1);
  EXPECT_EQ(intf->parent(), varp.ptr());
  EXPECT_EQ(intf->parentAttrId(), 258u);
  EXPECT_EQ(varp->varpIntfConfig(eth1), intf);
  EXPECT_EQ(varp->varpIntfConfigDel(eth1), intf);
  EXPECT_EQ(intf->parent(), nullptr);
  EXPECT_EQ(listener->heard, Heard(2, "onVarpIntfConfig('Ethernet1')"));
}

class VarpInterface : public ::testing::Test {
 protected:
  Ptr<VarpIntfConfig> intf = Routing::Fhrp::varpIntfConfigFactory(eth1);
  Ptr<IntfListener> listener = watch<IntfListener>(intf);
};

TEST_F(VarpInterface, SameAddressWithAnotherMaskLengthIsAnotherElement) {
  auto const addr = value<Pelno::IpAddr>("192.0.2.1");
  intf->virtualIpAddrIs(IpAddrWithMask(addr, 24), true);
  intf->virtualIpAddrIs(IpAddrWithMask(addr, 32), false);
  EXPECT_EQ(intf->virtualIpAddrMembers(), 2u);
  EXPECT_TRUE(intf->virtualIpAddr(IpAddrWithMask(addr, 24)));
  EXPECT_FALSE(intf->virtualIpAddr(IpAddrWithMask(addr, 32)));
  EXPECT_FALSE(intf->virtualIpAddrDel(IpAddrWithMask(addr, 16)));
  EXPECT_TRUE(intf->virtualIpAddrDel(IpAddrWithMask(addr, 24)));
  EXPECT_EQ(intf->virtualIpAddrMembers(), 1u);
  EXPECT_EQ(listener->heard,
            (Heard{"onVirtualIpAddr(192.0.2.1/24)", "onVirtualIpAddr(192.0.2.1/32)",
                   "onVirtualIpAddr(192.0.2.1/24)"}));
}

TEST_F(VarpInterface, FalseFlagKeepsAV6Address) {
  auto const a = value<Ip6Addr>("2001:db8::1");
  intf->virtualIp6AddrIs(a, true);
  intf->virtualIp6AddrIs(a, false);
  intf->virtualIp6AddrIs(a, false);
  EXPECT_EQ(intf->virtualIp6AddrMembers(), 1u);
  EXPECT_EQ(intf->changeCount(), 2u);
  EXPECT_EQ(listener->heard, Heard(2, "onVirtualIp6Addr(2001:db8::1)"));
}

TEST_F(VarpInterface, TrackedObjectsAreNamedByTheirKeyUnderId261) {
  auto tracked = intf->varpTrackedObjectIs("uplink");
  EXPECT_EQ(tracked->trackedObjectName(), "uplink");
  EXPECT_EQ(tracked->parent(), intf.ptr());
  EXPECT_EQ(tracked->parentAttrId(), 261u);
  EXPECT_EQ(intf->varpTrackedObjectIs("uplink"), tracked);
  EXPECT_EQ(intf->changeCount(), 2u);
  EXPECT_EQ(listener->heard, Heard{"onVarpTrackedObject('uplink')"});
}

TEST_F(VarpInterface, FailingHandlersAreReportedWithEachCollectionsId) {
  listener->failing = true;
  intf->virtualIpAddrIs(IpAddrWithMask(value<Pelno::IpAddr>("192.0.2.1"), 24), true);
  intf->virtualIp6AddrIs(value<Ip6Addr>("2001:db8::1"), true);
  intf->varpTrackedObjectIs("uplink");
  EXPECT_EQ(listener->failures, (Ids{259, 260, 261}));
}

class MaskLengths : public ::testing::Test {
 protected:
  Ptr<VarpConfig> varp = Routing::Fhrp::varpConfigFactory("varp");
  Ptr<VarpIntfIdCol> col = varp->virtualIpAddrIs(vrfIp("red", "192.0.2.1"));
  Ptr<MaskListener> listener = watch<MaskListener>(col);
};

TEST_F(MaskLengths, EqualLengthIsNoChangeAndAnotherOverwrites) {
  col->intfIdToMaskIs(eth1, 24);
  col->intfIdToMaskIs(eth1, 24);
  col->intfIdToMaskIs(eth1, 25);
  EXPECT_EQ(col->intfIdToMask(eth1), 25u);
  EXPECT_EQ(col->intfIdToMaskMembers(), 1u);
  EXPECT_EQ(col->changeCount(), 2u);
  listener->failing = true;
  col->intfIdToMaskIs(eth2, 4294967295u);
  EXPECT_EQ(col->intfIdToMask(eth2), 4294967295u);
  EXPECT_EQ(listener->heard, (Heard{"onIntfIdToMask('Ethernet1')", "onIntfIdToMask('Ethernet1')",
                                    "onIntfIdToMask('Ethernet2')"}));
  EXPECT_EQ(listener->failures, Ids{259});
}

TEST_F(MaskLengths, DeleteGivesTheStoredLengthOrZeroWhenAbsent) {
  EXPECT_EQ(col->intfIdToMaskDel(eth1), 0u);
  EXPECT_EQ(col->intfIdToMask(eth1), 0u);
  EXPECT_EQ(col->changeCount(), 0u);
  EXPECT_TRUE(listener->heard.empty());
  col->intfIdToMaskIs(eth1, 24);
  EXPECT_EQ(col->intfIdToMaskDel(eth1), 24u);
  EXPECT_EQ(col->intfIdToMaskMembers(), 0u);
  EXPECT_EQ(col->changeCount(), 2u);
  EXPECT_EQ(listener->heard.size(), 2u);
}

TEST_F(MaskLengths, LengthZeroIsStoredForANewInterface) {
  col->intfIdToMaskIs(eth1, 0);
  EXPECT_EQ(col->intfIdToMaskMembers(), 1u);
  EXPECT_EQ(col->changeCount(), 1u);
  EXPECT_EQ(col->intfIdToMaskDel(eth1), 0u);
  EXPECT_EQ(col->changeCount(), 2u);
  EXPECT_EQ(listener->heard.size(), 2u);
}

TEST(VarpTeardown, InterfacesThenAddressesAreRemovedOneByOne) {
  auto varp = Routing::Fhrp::varpConfigFactory("varp");
  std::vector<Ptr<Xel::Entity>> children{varp->varpIntfConfigIs(eth1), varp->varpIntfConfigIs(eth2),
                                         varp->virtualIpAddrIs(vrfIp("red", "192.0.2.1"))};
  varp->virtualMacIs(value<Pelno::EthAddr>("02:00:00:00:00:99"));
  auto survivor = watch<VarpListener>(varp, /*weak=*/true);
  varp = nullptr;
  ASSERT_EQ(survivor->heard.size(), 3u);
  std::sort(survivor->heard.begin(), survivor->heard.begin() + 2);
  EXPECT_EQ(survivor->heard,
            (Heard{"onVarpIntfConfig('Ethernet1')", "onVarpIntfConfig('Ethernet2')",
                   "onVirtualIpAddr(('red', 192.0.2.1))"}));
  for (auto const& child : children) EXPECT_EQ(child->parent(), nullptr);
}

TEST(VarpTeardown, InterfaceRemovesTrackedObjectsAndDropsAddressesSilently) {
  auto intf = Routing::Fhrp::varpIntfConfigFactory(eth1);
  auto tracked = intf->varpTrackedObjectIs("uplink");
  intf->virtualIpAddrIs(IpAddrWithMask(value<Pelno::IpAddr>("192.0.2.1"), 24), true);
  intf->virtualIp6AddrIs(value<Ip6Addr>("2001:db8::1"), true);
  auto survivor = watch<IntfListener>(intf, /*weak=*/true);
  intf = nullptr;
  EXPECT_EQ(survivor->heard, Heard{"onVarpTrackedObject('uplink')"});
  EXPECT_EQ(tracked->parent(), nullptr);
}

TEST(VarpTeardown, MaskLengthsAreDroppedSilently) {
  auto varp = Routing::Fhrp::varpConfigFactory("varp");
  Ptr<VarpIntfIdCol> col = varp->virtualIpAddrIs(vrfIp("red", "192.0.2.1"));
  col->intfIdToMaskIs(eth1, 24);
  auto survivor = watch<MaskListener>(col, /*weak=*/true);
  varp = nullptr;  // takes the index entry out of the tree
  col = nullptr;
  EXPECT_TRUE(survivor->heard.empty());
}

}  // namespace
