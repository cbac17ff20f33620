// The request that runs through the whole model: a front end sets the
// priority of virtual router 5 on an interface to 150, and an agent that
// watches that router hears of it.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Routing::Fhrp;

// The protocol agent's view of one virtual router.
struct Agent : VrrpVirtualRouterConfig::Notifiee {
  std::vector<unsigned> priorities;
  int versions = 0;
  void onPriority() override { priorities.push_back(notifier()->priority()); }
  void onVersion() override { ++versions; }
};

TEST(EndToEnd, PriorityRequestReachesTheAgentOfThatRouter) {
  Pelno::IntfId const ethernet1(Xel::String8("Ethernet1"));

  // The front end builds the tree.
  auto config = configFactory("fhrp");
  auto vrrp = config->vrrpConfigIs("vrrp");
  auto intf = vrrp->vrrpIntfConfigIs(ethernet1);
  auto router = intf->virtualRouterConfigIs(VrId(5));
  auto other = intf->virtualRouterConfigIs(VrId(6));

  // An agent watches router 5; another watches router 6.
  Xel::Ptr<Agent> agent(new Agent), bystander(new Agent);
  agent->isRegisteredNotifieeIs(true);
  agent->notifierIs(router);
  bystander->isRegisteredNotifieeIs(true);
  bystander->notifierIs(other);

  // The request, as a front end walks to the router.
  Xel::U32 const before = router->changeCount();
  config->vrrpConfig()->vrrpIntfConfig(ethernet1)->virtualRouterConfig(VrId(5))->priorityIs(150);

  EXPECT_EQ(router->priority(), 150u);
  EXPECT_EQ(router->changeCount(), before + 1);
  EXPECT_EQ(agent->priorities, std::vector<unsigned>{150});
  EXPECT_TRUE(bystander->priorities.empty());
  EXPECT_EQ(agent->versions, 0);  // the change counter is not the version

  // The same request again changes nothing and tells nobody.
  router->priorityIs(150);
  EXPECT_EQ(agent->priorities.size(), 1u);

  // The tree knows where the router stands.
  EXPECT_EQ(router->parent(), intf.ptr());
  EXPECT_EQ(router->parentAttrId(), 259u);
  EXPECT_EQ(intf->parent(), vrrp.ptr());
  EXPECT_EQ(vrrp->parent(), config.ptr());
  EXPECT_EQ(router->attributeString(261), "priority");
}

}  // namespace
