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

// Both single children, vrrpConfig (258) and varpConfig (259), follow one
// arithmetic: removing an absent child does nothing; a new child alone
// names the root but is not stored; a first creation counts once and
// tells once; asking for the present name counts without telling; another
// name replaces the child, counting twice and telling once; removing tells
// the child gone.
TEST(RootChildren, EachIsCreatedReplacedAndRemovedAlike) {
  using Child = Ptr<Xel::Entity>;
  struct Single {
    std::string heard;
    Xel::AttributeId id;
    std::function<Child(Config&, Xel::Name const&)> is, make;
    std::function<Child(Config&)> get, del;
  };
  Single const singles[] = {
      {"onVrrpConfig", 258, [](Config& c, Xel::Name const& n) { return Child(c.vrrpConfigIs(n)); },
       [](Config& c, Xel::Name const& n) { return Child(c.newVrrpConfig(n)); },
       [](Config& c) { return Child(c.vrrpConfig()); },
       [](Config& c) { return Child(c.vrrpConfigDel()); }},
      {"onVarpConfig", 259, [](Config& c, Xel::Name const& n) { return Child(c.varpConfigIs(n)); },
       [](Config& c, Xel::Name const& n) { return Child(c.newVarpConfig(n)); },
       [](Config& c) { return Child(c.varpConfig()); },
       [](Config& c) { return Child(c.varpConfigDel()); }},
  };
  for (Single const& s : singles) {
    SCOPED_TRACE(s.heard);
    Ptr<Config> const config = Routing::Fhrp::configFactory("fhrp");
    Ptr<RootListener> const listener = watch<RootListener>(config);
    EXPECT_FALSE(s.del(*config));
    Child const orphan = s.make(*config, "N");
    EXPECT_EQ(orphan->parent(), config.ptr());
    EXPECT_EQ(orphan->parentAttrId(), s.id);
    EXPECT_FALSE(s.get(*config));
    EXPECT_EQ(config->changeCount(), 0u);
    EXPECT_TRUE(listener->heard.empty());

    Child const a = s.is(*config, "A");
    EXPECT_EQ(a->name(), "A");
    EXPECT_EQ(a->parent(), config.ptr());
    EXPECT_EQ(a->parentAttrId(), s.id);
    EXPECT_EQ(s.get(*config), a);
    EXPECT_EQ(config->changeCount(), 1u);
    EXPECT_EQ(s.is(*config, Xel::Name(Xel::String8(std::string("A")))), a);
    EXPECT_EQ(config->changeCount(), 2u);
    Child const b = s.is(*config, "B");
    EXPECT_NE(b, a);
    EXPECT_EQ(s.get(*config), b);
    EXPECT_EQ(a->parent(), nullptr);
    EXPECT_EQ(a->references(), 1u);
    EXPECT_EQ(config->changeCount(), 4u);
    EXPECT_EQ(s.del(*config), b);
    EXPECT_EQ(b->parent(), nullptr);
    EXPECT_FALSE(s.get(*config));
    EXPECT_EQ(config->changeCount(), 5u);
    EXPECT_EQ(listener->heard, (Heard{s.heard + " A", s.heard + " B", s.heard + " none"}));
  }
}

TEST_F(Root, AReplacedChildKeepsItsOwnSubtree) {
  auto a = config->vrrpConfigIs("A");
  a->vrrpIntfConfigIs(Pelno::IntfId("Ethernet1"));
  config->vrrpConfigIs("B");
  EXPECT_EQ(a->vrrpIntfConfig(Pelno::IntfId("Ethernet1"))->parent(), a.ptr());
}

TEST_F(Root, FailingHandlersAreReportedWithEachMembersId) {
  auto healthy = watch<RootListener>(config);
  listener->failing = true;
  config->vrrpConfigIs("A");
  config->varpConfigIs("V");
  config->acceptModeIs(VirtualIp::acceptModeDisabled);
  config->allowDuplicateIs(true);
  config->allowDuplicateIs(true);  // no change: told no one
  EXPECT_EQ(listener->failures, (Ids{258, 259, 260, 262}));
  EXPECT_EQ(healthy->heard,
            (Heard{"onVrrpConfig A", "onVarpConfig V", "onAcceptMode", "onAllowDuplicate"}));
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
