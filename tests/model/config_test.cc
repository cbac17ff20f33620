// Config, the root: its two single children with their create-or-replace
// and remove operations, its global settings and its teardown.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "listener.h"

namespace {

using namespace fhrp_test;
using Routing::Fhrp::Config;
using Routing::Fhrp::VarpConfig;
using Routing::Fhrp::VrrpConfig;
using Xel::Ptr;

struct RootListener : Listener<Config::Notifiee> {
  // Each handler notes the child it can see at that moment.
  void onVrrpConfig() override {
    auto child = notifier()->vrrpConfig();
    hear(std::string("onVrrpConfig ") + (child ? child->name().stdString() : "none"));
  }
  void onVarpConfig() override {
    auto child = notifier()->varpConfig();
    hear(std::string("onVarpConfig ") + (child ? child->name().stdString() : "none"));
  }
  void onAcceptMode() override { hear("onAcceptMode"); }
  void onAllowDuplicate() override { hear("onAllowDuplicate"); }
  Config const* notifier() const {
    return static_cast<Config const*>(Xel::Entity::NotifieeConst::notifier());
  }
};

class Root : public ::testing::Test {
 protected:
  Ptr<Config> config = Routing::Fhrp::configFactory("fhrp");
  Ptr<RootListener> listener = watch<RootListener>(config);
};

TEST_F(Root, FirstCreationCountsOnceAndTellsOnce) {
  auto a = config->vrrpConfigIs("A");
  EXPECT_EQ(a->name(), "A");
  EXPECT_EQ(a->parent(), config.ptr());
  EXPECT_EQ(a->parentAttrId(), 258u);
  EXPECT_EQ(config->vrrpConfig(), a);
  EXPECT_EQ(config->changeCount(), 1u);
  EXPECT_EQ(listener->heard, Heard{"onVrrpConfig A"});
}

TEST_F(Root, AskingForThePresentNameCountsWithoutTelling) {
  auto a = config->vrrpConfigIs("A");
  EXPECT_EQ(config->vrrpConfigIs(Xel::Name(Xel::String8(std::string("A")))), a);
  EXPECT_EQ(config->changeCount(), 2u);
  EXPECT_EQ(listener->heard.size(), 1u);
}

TEST_F(Root, AnotherNameReplacesTheChildCountingTwiceAndTellingOnce) {
  auto a = config->vrrpConfigIs("A");
  a->vrrpIntfConfigIs(Pelno::IntfId("Ethernet1"));
  listener->forget();
  auto b = config->vrrpConfigIs("B");
  EXPECT_NE(b, a);
  EXPECT_EQ(b->name(), "B");
  EXPECT_EQ(b->parent(), config.ptr());
  EXPECT_EQ(config->vrrpConfig(), b);
  EXPECT_EQ(config->changeCount(), 3u);
  EXPECT_EQ(listener->heard, Heard{"onVrrpConfig B"});
  // The replaced child leaves the tree but keeps its own subtree.
  EXPECT_EQ(a->parent(), nullptr);
  EXPECT_EQ(a->references(), 1u);
  EXPECT_EQ(a->vrrpIntfConfig(Pelno::IntfId("Ethernet1"))->parent(), a.ptr());
}

TEST_F(Root, VarpChildFollowsTheSameArithmeticUnderId259) {
  auto a = config->varpConfigIs("A");
  EXPECT_EQ(a->parentAttrId(), 259u);
  EXPECT_EQ(config->changeCount(), 1u);
  config->varpConfigIs("A");
  EXPECT_EQ(config->changeCount(), 2u);
  auto b = config->varpConfigIs("B");
  EXPECT_EQ(config->changeCount(), 4u);
  EXPECT_EQ(a->parent(), nullptr);
  EXPECT_EQ(b->parent(), config.ptr());
  EXPECT_EQ(listener->heard, (Heard{"onVarpConfig A", "onVarpConfig B"}));
  EXPECT_FALSE(config->vrrpConfig());
}

TEST_F(Root, RemovingAbsentChildDoesNothingAndAPresentOneIsToldGone) {
  EXPECT_FALSE(config->vrrpConfigDel());
  EXPECT_FALSE(config->varpConfigDel());
  EXPECT_EQ(config->changeCount(), 0u);
  EXPECT_TRUE(listener->heard.empty());
  auto a = config->vrrpConfigIs("A");
  EXPECT_EQ(config->vrrpConfigDel(), a);
  EXPECT_EQ(a->parent(), nullptr);
  EXPECT_FALSE(config->vrrpConfig());
  EXPECT_EQ(config->changeCount(), 2u);
  EXPECT_EQ(listener->heard, (Heard{"onVrrpConfig A", "onVrrpConfig none"}));
}

TEST_F(Root, NewChildAloneNamesTheRootButIsNotStored) {
  auto orphan = config->newVrrpConfig("A");
  EXPECT_EQ(orphan->parent(), config.ptr());
  EXPECT_EQ(orphan->parentAttrId(), 258u);
  EXPECT_FALSE(config->vrrpConfig());
  auto varp = config->newVarpConfig("V");
  EXPECT_EQ(varp->parent(), config.ptr());
  EXPECT_EQ(varp->parentAttrId(), 259u);
  EXPECT_FALSE(config->varpConfig());
  EXPECT_EQ(config->changeCount(), 0u);
  EXPECT_TRUE(listener->heard.empty());
}

TEST_F(Root, SettingsAreToldOnlyWhenTheyChange) {
  config->acceptModeIs(static_cast<VirtualIp::AcceptMode>(0));
  config->allowDuplicateIs(false);
  EXPECT_EQ(config->changeCount(), 0u);
  config->acceptModeIs(VirtualIp::acceptModeEnabled);
  config->allowDuplicateIs(true);
  EXPECT_EQ(config->acceptMode(), VirtualIp::acceptModeEnabled);
  EXPECT_TRUE(config->allowDuplicate());
  EXPECT_EQ(listener->heard, (Heard{"onAcceptMode", "onAllowDuplicate"}));
  EXPECT_EQ(config->changeCount(), 2u);
}

TEST_F(Root, FailingHandlersAreReportedWithEachMembersId) {
  auto healthy = watch<RootListener>(config);
  listener->failing = true;
  config->vrrpConfigIs("A");
  config->varpConfigIs("V");
  config->acceptModeIs(VirtualIp::acceptModeDisabled);
  config->allowDuplicateIs(true);
  EXPECT_EQ(listener->failures, (Ids{258, 259, 260, 262}));
  EXPECT_EQ(healthy->heard.size(), 4u);
  EXPECT_TRUE(config->allowDuplicate());
}

TEST(RootTeardown, RemovesVrrpThenVarpTellingEach) {
  auto config = Routing::Fhrp::configFactory("fhrp");
  auto vrrp = config->vrrpConfigIs("vrrp");
  auto varp = config->varpConfigIs("varp");
  auto survivor = watch<RootListener>(config, /*weak=*/true);
  config = nullptr;
  EXPECT_EQ(survivor->heard, (Heard{"onVrrpConfig none", "onVarpConfig none"}));
  EXPECT_EQ(vrrp->parent(), nullptr);
  EXPECT_EQ(varp->parent(), nullptr);
  EXPECT_EQ(vrrp->references(), 1u);
}

}  // namespace
