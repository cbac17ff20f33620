// What the attribute log reads off the tables: which attributes it writes,
// their bits, the order of a flush, and the bit set a flow-out starts with.
// The rules are checked over every registered type; the bits the log's
// readers depend on are pinned for two types.
#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/attrlog/LogTable.h>
#include <FhrpConf/reflect/Registration.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../reflect/registered_attributes.h"

namespace {

using namespace Routing::Fhrp;
using entity::AttrInfo;
using entity::TypeInfo;

TypeInfo const& registeredTable(char const* type) {
  auto const* d =
      Xel::XelType::typeNode(Xel::Name(("Routing::Fhrp::" + std::string(type)).c_str()));
  return static_cast<reflect::ModelType const*>(d)->info();
}

// The attributes a flush visits from `start`, by name.
std::vector<std::string> flushOrder(TypeInfo const& t, Xel::AttributeId start = 0) {
  std::vector<std::string> names;
  AttrInfo const* a = attrlog::writtenAttr(t, start);
  if (!a) a = attrlog::nextWritten(t, start);
  for (; a; a = attrlog::nextWritten(t, a->id)) names.push_back(a->name);
  return names;
}

TEST(LogTable, EntitiesNumberTheirStoredAttributesFromBitOneInIdOrder) {
  for (char const* name : reflect_test::kTypes) {
    SCOPED_TRACE(name);
    TypeInfo const& t = registeredTable(name);
    unsigned expected = 0;
    for (AttrInfo const& a : t.attrs) {
      bool const stored = t.kind == entity::TypeKind::entity && !a.flags.key && !a.flags.constant &&
                          !a.flags.computed;
      EXPECT_EQ(attrlog::isWritten(a), stored) << a.name;
      if (!stored) continue;
      EXPECT_EQ(a.logBit, ++expected) << a.name;
      EXPECT_EQ(attrlog::attrOfBit(t, a.logBit), &a);
      EXPECT_EQ(attrlog::writtenAttr(t, a.id), &a);
      EXPECT_NE(a.valueCodec ? a.valueCodec : a.keyCodec, nullptr) << a.name;
    }
    EXPECT_LE(expected, 31u) << "the bits must fit one word beside bit 0";
    EXPECT_EQ(attrlog::attrOfBit(t, expected + 1), nullptr);
    EXPECT_EQ(flushOrder(t).size(), expected);

    // Start 0 owes everything, a start past every id nothing; a start in
    // between owes what is at or after it.
    EXPECT_EQ(attrlog::owesWrites(t, attrlog::initialBits(t, 0)), expected > 0);
    EXPECT_FALSE(attrlog::owesWrites(t, attrlog::initialBits(t, 0x7fffffff)));
    for (AttrInfo const& a : t.attrs) {
      if (!attrlog::isWritten(a)) continue;
      Xel::U32 const bits = attrlog::initialBits(t, a.id + 1);
      EXPECT_EQ((bits & attrlog::bitMask(a)) != 0, attrlog::hasSyncedBit(a)) << a.name;
    }
  }
}

TEST(LogTable, TrackedObjectAndVirtualRouterBitsAreTheOnesReadersKnow) {
  TypeInfo const& tracked = TrackedObject::xelTypeInfo;
  EXPECT_EQ(flushOrder(tracked),
            (std::vector<std::string>{"trackActionIsShutdown", "trackPriorityDecrement"}));
  EXPECT_EQ(attrlog::attrOfBit(tracked, 1)->id, 259u);
  EXPECT_EQ(attrlog::attrOfBit(tracked, 2)->id, 261u);
  EXPECT_EQ(attrlog::initialBits(tracked, 0), 0b110u);
  EXPECT_EQ(attrlog::initialBits(tracked, 260), 0b100u);

  TypeInfo const& router = VrrpVirtualRouterConfig::xelTypeInfo;
  auto const bit = [&](char const* name) { return entity::findAttr(router, name)->logBit; };
  EXPECT_EQ(bit("version"), 1u);
  EXPECT_EQ(bit("secondaryAddrs"), 10u);
  EXPECT_EQ(bit("ip6Addrs"), 12u);
  EXPECT_EQ(bit("authKey"), 15u);
  EXPECT_EQ(bit("description"), 16u);
  EXPECT_EQ(bit("vrrpTrackedObject"), 18u);
  EXPECT_EQ(flushOrder(router).front(), "version");
  EXPECT_EQ(flushOrder(router).back(), "vrrpTrackedObject");
  // A flush resumed at a collection starts with it; at a constant's id,
  // with the next written attribute.
  EXPECT_EQ(flushOrder(router, 277).front(), "secondaryAddrs");
  EXPECT_EQ(flushOrder(router, 275).front(), "primaryAddr");
  // From secondaryAddrs on, everything is due: the attributes from there on
  // are dirty (11, 13 to 17) and its collections not synced (10, 12, 18);
  // before it nothing is owed, and there are only attributes.
  Xel::U32 const due = 1u << 11 | 1u << 13 | 1u << 14 | 1u << 15 | 1u << 16 | 1u << 17;
  EXPECT_EQ(attrlog::initialBits(router, 277), due);
  EXPECT_TRUE(attrlog::owesWrites(router, due | 1u << 10 | 1u << 12 | 1u << 18 | 1u << 1));
  EXPECT_FALSE(attrlog::owesWrites(router, 1u << 10 | 1u << 12 | 1u << 18));
}

}  // namespace
