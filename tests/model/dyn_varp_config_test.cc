// The dynamic virtual-ARP state: DynVarpConfig's MAC address and
// DynVarpConfigError's error text per MAC address.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listener.h"

namespace {

using namespace fhrp_test;
using Pelno::EthAddr;
using Routing::Fhrp::DynVarpConfig;
using Routing::Fhrp::DynVarpConfigError;
using Xel::Ptr;

struct MacListener : Listener<DynVarpConfig::Notifiee> {
  void onVirtualMac() override { hear("onVirtualMac"); }
};

struct ErrorListener : Listener<DynVarpConfigError::Notifiee> {
  void onVirtualMacError(EthAddr const& key) override { hear("onVirtualMacError", key); }
  using DynVarpConfigError::Notifiee::onVirtualMacError;
};

EthAddr const mac(0x02, 0x00, 0x00, 0x00, 0x00, 0x99);

TEST(DynVarp, StartsAtTheZeroMacWhichIsThenNoChange) {
  auto dyn = Routing::Fhrp::dynVarpConfigFactory("dynamic");
  auto listener = watch<MacListener>(dyn);
  EXPECT_EQ(dyn->name(), "dynamic");
  EXPECT_EQ(dyn->parent(), nullptr);
  EXPECT_EQ(dyn->virtualMac(), EthAddr(0, 0, 0, 0, 0, 0));
  dyn->virtualMacIs(EthAddr(0, 0, 0, 0, 0, 0));
  EXPECT_EQ(dyn->changeCount(), 0u);
  listener->failing = true;
  dyn->virtualMacIs(mac);
  dyn->virtualMacIs(value<EthAddr>("02:00:00:00:00:99"));
  EXPECT_EQ(dyn->virtualMac(), mac);
  EXPECT_EQ(dyn->changeCount(), 1u);
  EXPECT_EQ(listener->heard, Heard{"onVirtualMac"});
  EXPECT_EQ(listener->failures, Ids{258});
}

class DynVarpErrors : public ::testing::Test {
 protected:
  Ptr<DynVarpConfigError> errors = Routing::Fhrp::dynVarpConfigErrorFactory("errors");
  Ptr<ErrorListener> listener = watch<ErrorListener>(errors);
};

TEST_F(DynVarpErrors, SameTextIsToldOnceAndANewTextReplacesIt) {
  Xel::String8 const second("conflicts with the configured MAC");
  errors->virtualMacErrorIs(mac, "duplicate");
  errors->virtualMacErrorIs(mac, Xel::String8(std::string("dup") + "licate"));
  EXPECT_EQ(errors->changeCount(), 1u);
  errors->virtualMacErrorIs(mac, second);
  EXPECT_TRUE(errors->virtualMacError(mac).sharesDataWith(second));
  EXPECT_EQ(errors->virtualMacErrorMembers(), 1u);
  listener->failing = true;
  Xel::String8 const removed = errors->virtualMacErrorDel(mac);
  EXPECT_EQ(removed, second);
  EXPECT_EQ(errors->virtualMacErrorMembers(), 0u);
  EXPECT_EQ(errors->changeCount(), 3u);
  EXPECT_EQ(listener->heard, Heard(3, "onVirtualMacError(02:00:00:00:00:99)"));
  EXPECT_EQ(listener->failures, Ids{258});
}

TEST_F(DynVarpErrors, EmptyTextIsAnEntryLikeAnyOther) {
  EXPECT_EQ(errors->virtualMacErrorDel(mac), "");
  EXPECT_EQ(errors->changeCount(), 0u);
  EXPECT_TRUE(listener->heard.empty());
  errors->virtualMacErrorIs(mac, "");
  EXPECT_EQ(errors->virtualMacErrorMembers(), 1u);
  EXPECT_EQ(errors->changeCount(), 1u);
  EXPECT_EQ(errors->virtualMacErrorDel(mac), "");
  EXPECT_EQ(errors->virtualMacErrorMembers(), 0u);
  EXPECT_EQ(errors->changeCount(), 2u);
  EXPECT_EQ(listener->heard.size(), 2u);
}

TEST_F(DynVarpErrors, TeardownDropsTheTextsSilently) {
  errors->virtualMacErrorIs(mac, "duplicate");
  errors->virtualMacErrorIs(EthAddr(2, 0, 0, 0, 0, 1), "reserved");
  auto survivor = watch<ErrorListener>(errors, /*weak=*/true);
  listener = nullptr;
  errors = nullptr;
  EXPECT_TRUE(survivor->heard.empty());
}

}  // namespace
