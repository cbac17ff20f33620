// The VRRP model's sets of addresses or ids, each element with a flag:
// VrrpIpAddrs, VrrpIp6Addrs, FhrpLinkLocal6IntfCol and BfdPeerVrIdList.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "listener.h"

namespace {

using namespace fhrp_test;
using Pelno::Ip6Addr;
using Routing::Fhrp::BfdPeerVrIdList;
using Routing::Fhrp::FhrpIntfIdPair;
using Routing::Fhrp::FhrpLinkLocal6IntfCol;
using Routing::Fhrp::VrId;
using Routing::Fhrp::VrrpIp6Addrs;
using Routing::Fhrp::VrrpIpAddrs;
using Xel::Ptr;

struct Ip6Listener : Listener<VrrpIp6Addrs::Notifiee> {
  void onAddrs(Ip6Addr const& key) override { hear("onAddrs", key); }
  void onIp6LinkLocal() override { hear("onIp6LinkLocal"); }
  using VrrpIp6Addrs::Notifiee::onAddrs;
};

struct PairListener : Listener<FhrpLinkLocal6IntfCol::Notifiee> {
  void onVrIdIntf(FhrpIntfIdPair const& key) override { hear("onVrIdIntf", key); }
  using FhrpLinkLocal6IntfCol::Notifiee::onVrIdIntf;
};

class Ip6Set : public ::testing::Test {
 protected:
  Ptr<VrrpIp6Addrs> set = Routing::Fhrp::vrrpIp6AddrsFactory("backup-v6");
  Ptr<Ip6Listener> listener = watch<Ip6Listener>(set);
  Ip6Addr const a = value<Ip6Addr>("2001:db8::a");
};

TEST_F(Ip6Set, FalseFlagKeepsTheAddressUntilItIsDeleted) {
  set->addrsIs(a, true);
  set->addrsIs(a, false);
  EXPECT_EQ(set->addrsMembers(), 1u);
  EXPECT_FALSE(set->addrs(a));
  EXPECT_EQ(set->changeCount(), 2u);
  EXPECT_FALSE(set->addrsDel(a));
  EXPECT_EQ(set->addrsMembers(), 0u);
  EXPECT_EQ(set->changeCount(), 3u);
  EXPECT_EQ(listener->heard, Heard(3, "onAddrs(2001:db8::a)"));
}

TEST_F(Ip6Set, DeletingAnAbsentAddressDoesNothing) {
  EXPECT_FALSE(set->addrsDel(a));
  EXPECT_EQ(set->changeCount(), 0u);
  EXPECT_TRUE(listener->heard.empty());
}

TEST_F(Ip6Set, LinkLocalStartsAllZeroAndOnlyAnotherAddressIsAChange) {
  EXPECT_EQ(set->ip6LinkLocal(), Ip6Addr(0, 0, 0, 0));
  set->ip6LinkLocalIs(value<Ip6Addr>("::"));
  EXPECT_EQ(set->changeCount(), 0u);
  set->ip6LinkLocalIs(value<Ip6Addr>("fe80::1"));
  EXPECT_EQ(set->ip6LinkLocal(), value<Ip6Addr>("fe80::1"));
  EXPECT_EQ(listener->heard, Heard{"onIp6LinkLocal"});
}

TEST_F(Ip6Set, FailuresCarryTheMembersId) {
  listener->failing = true;
  set->addrsIs(a, true);
  set->ip6LinkLocalIs(value<Ip6Addr>("fe80::1"));
  EXPECT_EQ(listener->failures, (Ids{258, 259}));
}

TEST(LinkLocalUsers, PairsDifferingInInterfaceOrIdAloneAreDistinct) {
  auto const key = vrfIp("red", "fe80::1");
  auto users = Routing::Fhrp::fhrpLinkLocal6IntfColFactory(key);
  EXPECT_EQ(users->vrfIp(), key);
  EXPECT_EQ(users->name(), "");
  auto listener = watch<PairListener>(users);
  Pelno::IntfId const eth1("Ethernet1"), eth2("Ethernet2");
  users->vrIdIntfIs(FhrpIntfIdPair(eth1, VrId(1)), true);
  users->vrIdIntfIs(FhrpIntfIdPair(eth1, VrId(2)), true);
  users->vrIdIntfIs(FhrpIntfIdPair(eth2, VrId(1)), false);
  EXPECT_EQ(users->vrIdIntfMembers(), 3u);
  EXPECT_TRUE(users->vrIdIntf(FhrpIntfIdPair(eth1, VrId(2))));
  EXPECT_FALSE(users->vrIdIntf(FhrpIntfIdPair(eth2, VrId(1))));
  EXPECT_EQ(listener->heard.size(), 3u);
  listener->failing = true;
  EXPECT_TRUE(users->vrIdIntfDel(FhrpIntfIdPair(eth1, VrId(2))));
  EXPECT_EQ(listener->failures, Ids{259});
  EXPECT_EQ(users->changeCount(), 4u);
}

TEST(AddressSetTeardown, SetsAreReleasedWithoutTelling) {
  auto v6 = Routing::Fhrp::vrrpIp6AddrsFactory("v6");
  v6->addrsIs(value<Ip6Addr>("2001:db8::1"), true);
  v6->addrsIs(value<Ip6Addr>("2001:db8::2"), false);
  auto v6Survivor = watch<Ip6Listener>(v6, /*weak=*/true);
  auto users = Routing::Fhrp::fhrpLinkLocal6IntfColFactory(vrfIp("red", "fe80::1"));
  users->vrIdIntfIs(FhrpIntfIdPair(Pelno::IntfId("Ethernet1"), VrId(1)), true);
  auto usersSurvivor = watch<PairListener>(users, /*weak=*/true);
  v6 = nullptr;
  users = nullptr;
  EXPECT_TRUE(v6Survivor->heard.empty());
  EXPECT_TRUE(usersSurvivor->heard.empty());
}

// A counted object, not an entity: it keeps no counter and has no notifiees.
static_assert(std::is_base_of_v<Xel::PtrInterface, BfdPeerVrIdList>);
static_assert(!std::is_base_of_v<Xel::Entity, BfdPeerVrIdList>);

class BfdPeerIds : public ::testing::Test {
 protected:
  Bfd::Peer const peer{value<Pelno::IpGenAddr>("192.0.2.9"), L3::VrfName("red"),
                       Pelno::IntfId("Ethernet1")};
  Ptr<BfdPeerVrIdList> list = Routing::Fhrp::bfdPeerVrIdListFactory(peer);
};

TEST_F(BfdPeerIds, PeerIsACopy) {
  EXPECT_EQ(list->bfdPeer(), peer);
  EXPECT_EQ(list->references(), 1u);
}

TEST_F(BfdPeerIds, SetStoresAnyFlagAndDeleteGivesItBack) {
  list->vrIdsIs(VrId(1), true);
  list->vrIdsIs(VrId(1), true);
  EXPECT_EQ(list->vrIdsMembers(), 1u);
  EXPECT_TRUE(list->vrIds(VrId(1)));
  list->vrIdsIs(VrId(1), false);
  EXPECT_FALSE(list->vrIds(VrId(1)));
  EXPECT_EQ(list->vrIdsMembers(), 1u);
  list->vrIdsIs(VrId(256), true);
  EXPECT_FALSE(list->vrIdsDel(VrId(7)));
  EXPECT_FALSE(list->vrIdsDel(VrId(1)));
  EXPECT_TRUE(list->vrIdsDel(VrId(256)));
  EXPECT_EQ(list->vrIdsMembers(), 0u);
}

TEST_F(BfdPeerIds, NotifyHasNoEffectAndDeleteAllEmptiesTheList) {
  for (Xel::U32 id : {0u, 1u, 2u, 256u}) list->vrIdsIs(VrId(id), id % 2 == 0);
  list->vrIdsNotify(VrId(2));
  list->vrIdsNotify(VrId(3));
  EXPECT_EQ(list->vrIdsMembers(), 4u);
  EXPECT_TRUE(list->vrIds(VrId(2)));
  EXPECT_FALSE(list->vrIds(VrId(3)));
  list->vrIdsDelAll();
  EXPECT_EQ(list->vrIdsMembers(), 0u);
  EXPECT_FALSE(list->vrIds(VrId(0)));
}

}  // namespace
