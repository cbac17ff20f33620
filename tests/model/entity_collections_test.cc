// Collections of child entities, on the tracked objects of a virtual router
// and the virtual routers of an interface.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Routing::Fhrp::TrackedObject;
using Routing::Fhrp::VrrpVirtualRouterConfig;
using Xel::Ptr;

struct Watcher : VrrpVirtualRouterConfig::Notifiee {
  std::vector<std::string> told;
  std::function<void(Xel::String8 const&)> action;
  using VrrpVirtualRouterConfig::Notifiee::onVrrpTrackedObject;
  void onVrrpTrackedObject(Xel::String8 key) override {
    told.push_back(key.stdString());
    if (action) action(key);
  }
};

class ChildCollection : public ::testing::Test {
 protected:
  void SetUp() override {
    watcher->isRegisteredNotifieeIs(true);
    watcher->notifierIs(router);
  }
  Ptr<VrrpVirtualRouterConfig> router =
      Routing::Fhrp::vrrpVirtualRouterConfigFactory(Routing::Fhrp::VrId(5));
  Ptr<Watcher> watcher{new Watcher};
  using Told = std::vector<std::string>;
};

TEST_F(ChildCollection, SetCreatesOnceAndReturnsThePresentChildAfter) {
  auto first = router->vrrpTrackedObjectIs("uplink");
  EXPECT_EQ(first->parent(), router.ptr());
  EXPECT_EQ(first->parentAttrId(), 291u);
  EXPECT_EQ(first->trackedObjectName(), "uplink");
  EXPECT_EQ(router->changeCount(), 1u);
  auto again = router->vrrpTrackedObjectIs("uplink");
  EXPECT_EQ(again, first);
  EXPECT_EQ(router->changeCount(), 2u);
  EXPECT_EQ(watcher->told, Told{"uplink"});
  EXPECT_EQ(router->vrrpTrackedObject("uplink"), first);
  EXPECT_FALSE(router->vrrpTrackedObject("downlink"));
  EXPECT_EQ(router->readCount(), 2u);
}

TEST_F(ChildCollection, DeleteHandsBackAParentlessUsableChild) {
  router->vrrpTrackedObjectIs("uplink")->trackPriorityDecrementIs(10);
  auto removed = router->vrrpTrackedObjectDel("uplink");
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->parent(), nullptr);
  EXPECT_EQ(removed->trackPriorityDecrement(), 10u);
  removed->trackPriorityDecrementIs(20);
  EXPECT_EQ(router->vrrpTrackedObjectMembers(), 0u);
  EXPECT_EQ(watcher->told, (Told{"uplink", "uplink"}));
  EXPECT_FALSE(router->vrrpTrackedObjectDel("uplink"));
  EXPECT_EQ(router->changeCount(), 2u);
}

TEST_F(ChildCollection, NewInsertsWithoutCountingOrTelling) {
  auto child = router->newVrrpTrackedObject("uplink");
  EXPECT_EQ(child->parent(), router.ptr());
  EXPECT_EQ(router->vrrpTrackedObject("uplink"), child);
  EXPECT_EQ(router->changeCount(), 0u);
  EXPECT_TRUE(watcher->told.empty());
}

TEST_F(ChildCollection, DeleteAllTellsEachOnceWhileAHandlerRemovesAhead) {
  for (char const* n : {"a", "b", "c"}) router->vrrpTrackedObjectIs(n);
  Told order;
  for (auto it = router->vrrpTrackedObjectIteratorConst(); it; it.advance()) {
    order.push_back(it->trackedObjectName().stdString());
  }
  watcher->told.clear();
  watcher->action = [&](Xel::String8 const& key) {
    if (key.stdString() == order.front()) router->vrrpTrackedObjectDel(order.back().c_str());
  };
  router->vrrpTrackedObjectDelAll();
  EXPECT_EQ(router->vrrpTrackedObjectMembers(), 0u);
  ASSERT_EQ(watcher->told.size(), 3u);
  EXPECT_EQ(std::count(watcher->told.begin(), watcher->told.end(), order.back()), 1);
}

TEST_F(ChildCollection, SiblingLinkChangesCountOnTheChild) {
  // Children share a bucket link by link: relinking one is a change of it.
  std::vector<Ptr<TrackedObject>> children;
  for (int i = 0; i < 64; ++i)
    children.push_back(router->vrrpTrackedObjectIs(std::to_string(i).c_str()));
  Xel::U32 relinked = 0;
  for (auto const& c : children) relinked += c->changeCount();
  EXPECT_GT(relinked, 0u);
  for (auto const& c : children) EXPECT_EQ(c->trackPriorityDecrement(), 0u);
}

TEST(ChildCollectionTeardown, DestructorRemovesChildrenOneByOneAndTellsThem) {
  auto intf = Routing::Fhrp::vrrpIntfConfigFactory(Pelno::IntfId(Xel::String8("Ethernet1")));
  std::vector<Ptr<VrrpVirtualRouterConfig>> routers;
  for (Xel::U32 id : {1u, 2u, 256u})
    routers.push_back(intf->virtualRouterConfigIs(Routing::Fhrp::VrId(id)));
  struct IntfWatcher : Routing::Fhrp::VrrpIntfConfig::Notifiee {
    std::vector<Xel::U32> told;
    using Routing::Fhrp::VrrpIntfConfig::Notifiee::onVirtualRouterConfig;
    void onVirtualRouterConfig(Routing::Fhrp::VrId key) override { told.push_back(key.value()); }
  };
  Ptr<IntfWatcher> w(new IntfWatcher);
  w->isRegisteredNotifieeIs(true);
  w->notifierIs(intf);
  w->isWeakReferenceIs(true);
  intf = nullptr;
  std::sort(w->told.begin(), w->told.end());
  EXPECT_EQ(w->told, (std::vector<Xel::U32>{1, 2, 256}));
  for (auto const& r : routers) EXPECT_EQ(r->parent(), nullptr);
}

TEST(ChildCollectionRemoval, ARemovedInterfaceKeepsItsVirtualRouters) {
  auto vrrp = Routing::Fhrp::vrrpConfigFactory("vrrp");
  Pelno::IntfId const eth1(Xel::String8("Ethernet1"));
  auto router = vrrp->vrrpIntfConfigIs(eth1)->virtualRouterConfigIs(Routing::Fhrp::VrId(5));
  auto intf = vrrp->vrrpIntfConfigDel(eth1);
  EXPECT_EQ(intf->parent(), nullptr);
  EXPECT_EQ(intf->virtualRouterConfig(Routing::Fhrp::VrId(5)), router);
  EXPECT_EQ(router->parent(), intf.ptr());
}

}  // namespace
