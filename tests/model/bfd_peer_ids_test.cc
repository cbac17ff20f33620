// BfdPeerVrIdList: a counted object, not an entity, whose collection keeps
// no books and tells no one. (The entities' address sets are covered by
// the collection model and attribute table tests.)
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "listener.h"

namespace {

using namespace fhrp_test;
using Routing::Fhrp::BfdPeerVrIdList;
using Routing::Fhrp::VrId;
using Xel::Ptr;

// A counted object, not an entity: it keeps no counter and has no notifiees.
static_assert(std::is_base_of_v<Xel::PtrInterface, BfdPeerVrIdList>);
static_assert(!std::is_base_of_v<Xel::Entity, BfdPeerVrIdList>);

class BfdPeerIds : public ::testing::Test {
 protected:
  Bfd::Peer const peer{value<Pelno::IpGenAddr>("192.0.2.9"), L3::VrfName("red"),
                       Pelno::IntfId("Ethernet1")};
  Ptr<BfdPeerVrIdList> list = Routing::Fhrp::bfdPeerVrIdListFactory(peer);
};

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
