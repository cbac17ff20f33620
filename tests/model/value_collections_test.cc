// Value collections of the model, on VrrpIpAddrs (address to bool) and
// DynVarpConfigError (MAC address to text).
#include <FhrpConf/FhrpConfig.h>
#include <Pelno/Text.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using Routing::Fhrp::DynVarpConfigError;
using Routing::Fhrp::VrrpIpAddrs;
using Xel::Ptr;

// Host `host` of 192.0.2.0/24.
Pelno::IpAddr addr(Xel::U32 host) {
  return Pelno::IpAddr::fromHostOrder(0xc0000200u + host);
}

// Logs each per-key call by the address's last byte, and can act on one.
struct AddrsWatcher : VrrpIpAddrs::Notifiee {
  std::vector<Xel::U32> keys;
  std::function<void(Pelno::IpAddr)> action;
  void onAddrs(Pelno::IpAddr key) override {
    keys.push_back(key.hostOrder() & 0xff);
    if (action) action(key);
  }
  using VrrpIpAddrs::Notifiee::onAddrs;
};

class ValueCollection : public ::testing::Test {
 protected:
  void SetUp() override {
    watcher->isRegisteredNotifieeIs(true);
    watcher->notifierIs(set);
  }
  Ptr<VrrpIpAddrs> set = Routing::Fhrp::vrrpIpAddrsFactory("backup-addresses");
  Ptr<AddrsWatcher> watcher{new AddrsWatcher};
};

TEST_F(ValueCollection, NewInsertsWithoutCountingOrTelling) {
  auto node = set->newAddrs(addr(4), true);
  EXPECT_EQ(node->xelKey(), addr(4));
  EXPECT_TRUE(set->addrs(addr(4)));
  EXPECT_EQ(set->changeCount(), 0u);
  EXPECT_TRUE(watcher->keys.empty());
}

TEST_F(ValueCollection, NotifyTellsWithoutAChange) {
  set->addrsNotify(addr(5));
  EXPECT_EQ(watcher->keys, std::vector<Xel::U32>{5});
  EXPECT_EQ(set->changeCount(), 0u);
}

TEST_F(ValueCollection, DeleteAllTellsEachKeyOnceEvenWhenAHandlerRemovesAhead) {
  for (Xel::U32 i = 1; i <= 3; ++i) set->addrsIs(addr(i), true);
  std::vector<Xel::U32> order;
  for (auto it = set->addrsIteratorConst(); it; it.advance())
    order.push_back(it->xelKey().hostOrder() & 0xff);
  watcher->keys.clear();
  // The first removal's handler removes the last member in map order.
  Xel::U32 const last = order.back();
  watcher->action = [&](Pelno::IpAddr key) {
    if ((key.hostOrder() & 0xff) == order.front()) set->addrsDel(addr(last));
  };
  set->addrsDelAll();
  EXPECT_EQ(set->addrsMembers(), 0u);
  ASSERT_EQ(watcher->keys.size(), 3u);
  EXPECT_EQ(std::count(watcher->keys.begin(), watcher->keys.end(), last), 1);
  EXPECT_EQ(set->changeCount(), 6u);  // three insertions, three removals
}

TEST(TextCollection, DeleteOfAnAbsentMacGivesTheEmptyText) {
  auto errors = Routing::Fhrp::dynVarpConfigErrorFactory("dynamic");
  Pelno::EthAddr const mac = Pelno::fromString<Pelno::EthAddr>("02:00:00:00:00:99");
  EXPECT_EQ(errors->virtualMacErrorDel(mac), "");
  errors->virtualMacErrorIs(mac, "duplicate virtual MAC");
  EXPECT_EQ(errors->virtualMacError(mac), "duplicate virtual MAC");
  EXPECT_EQ(errors->virtualMacErrorDel(mac), "duplicate virtual MAC");
  EXPECT_EQ(errors->changeCount(), 2u);
}

TEST(TextCollection, AnEqualTextIsNoChangeAndANewOneIsSharedNotCopied) {
  auto errors = Routing::Fhrp::dynVarpConfigErrorFactory("errors");
  Pelno::EthAddr const mac(0x02, 0, 0, 0, 0, 0x99);
  Xel::String8 const second("conflicts with the configured MAC");
  errors->virtualMacErrorIs(mac, "duplicate");
  errors->virtualMacErrorIs(mac, Xel::String8(std::string("dup") + "licate"));
  EXPECT_EQ(errors->changeCount(), 1u);
  errors->virtualMacErrorIs(mac, second);
  EXPECT_TRUE(errors->virtualMacError(mac).sharesDataWith(second));
  EXPECT_EQ(errors->virtualMacErrorDel(mac), second);
  EXPECT_EQ(errors->virtualMacErrorMembers(), 0u);
  EXPECT_EQ(errors->changeCount(), 3u);
}

}  // namespace
