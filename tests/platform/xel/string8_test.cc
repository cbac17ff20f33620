#include <Xel/String8.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using Xel::String8;

TEST(String8, CopiesShareCharactersAndCountThem) {
  String8 a("eth1");
  EXPECT_EQ(a.dataReferences(), 1u);
  {
    String8 b = a;
    String8 c;
    c = b;
    EXPECT_TRUE(b.sharesDataWith(a));
    EXPECT_TRUE(c.sharesDataWith(a));
    EXPECT_EQ(b.data(), a.data());
    EXPECT_EQ(a.dataReferences(), 3u);
  }
  EXPECT_EQ(a.dataReferences(), 1u);
}

TEST(String8, MoveTransfersWithoutCounting) {
  String8 a("eth1");
  char const* chars = a.data();
  String8 b = std::move(a);
  EXPECT_EQ(b.data(), chars);
  EXPECT_EQ(b.dataReferences(), 1u);
  EXPECT_TRUE(a.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty by contract
  b = std::move(b);
  EXPECT_EQ(b, "eth1");
}

TEST(String8, SelfAssignmentKeepsTheText) {
  String8 a("vrf");
  String8& alias = a;
  a = alias;
  EXPECT_EQ(a, "vrf");
  EXPECT_EQ(a.dataReferences(), 1u);
}

TEST(String8, EmptyStringOwnsNothingAndReadsAsEmptyText) {
  String8 none;
  String8 fromNull(static_cast<char const*>(nullptr));
  String8 fromEmpty("");
  for (String8 const* s : {&none, &fromNull, &fromEmpty}) {
    EXPECT_TRUE(s->empty());
    EXPECT_EQ(s->size(), 0u);
    EXPECT_STREQ(s->data(), "");
    EXPECT_EQ(s->dataReferences(), 0u);
  }
  EXPECT_EQ(none, fromEmpty);
  EXPECT_FALSE(none.sharesDataWith(fromEmpty));
}

TEST(String8, ComparesByCharactersNotIdentity) {
  String8 a("Ethernet1"), b(std::string("Ethernet1"));
  EXPECT_FALSE(a.sharesDataWith(b));
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.hash(), b.hash());
  EXPECT_LT(String8("Ethernet1"), String8("Ethernet2"));
  EXPECT_LT(String8("eth"), String8("eth0"));
  EXPECT_LT(String8(), String8("a"));
  EXPECT_NE(String8("a"), String8("b"));
}

TEST(String8, EmbeddedZeroBytesAreCharacters) {
  String8 a("a\0b", 3), b("a\0c", 3);
  EXPECT_EQ(a.size(), 3u);
  EXPECT_NE(a, b);
  EXPECT_NE(a, String8("a"));
  EXPECT_LT(a, b);
}

TEST(String8, HashIsFnv1aOverTheCharacters) {
  EXPECT_EQ(String8().hash(), 2166136261u);
  EXPECT_EQ(String8("a").hash(), 0xe40c292cu);
  EXPECT_NE(String8("ab").hash(), String8("ba").hash());
}

TEST(String8, HashAndEqualityHoldForTextBuiltByParts) {
  // The hash is kept with the characters: a joined string must carry the
  // hash of its whole text, or it would be lost in a collection.
  String8 const joined = String8("Ethernet") + String8("12");
  String8 const whole("Ethernet12");
  EXPECT_EQ(joined.hash(), whole.hash());
  EXPECT_EQ(joined, whole);
  String8 grown("Ethernet");
  grown += String8("12");
  EXPECT_EQ(grown.hash(), whole.hash());
  EXPECT_NE(String8("Ethernet1"), whole);
}

TEST(String8, ConcatenationBuildsNewTextAndSharesWhenOneSideIsEmpty) {
  String8 a("Port-Channel"), b("10");
  String8 ab = a + b;
  EXPECT_EQ(ab, "Port-Channel10");
  EXPECT_EQ(a, "Port-Channel");  // operands are untouched
  EXPECT_TRUE((a + String8()).sharesDataWith(a));
  EXPECT_TRUE((String8() + b).sharesDataWith(b));
  String8 shared = a;
  a += b;
  EXPECT_EQ(a, "Port-Channel10");
  EXPECT_EQ(shared, "Port-Channel");
}

TEST(String8, IteratorWalksCharactersAndKnowsItsColumn) {
  String8 s("vrId: 5");
  std::string seen;
  auto pos = s.begin();
  for (; pos != s.end(); ++pos) seen += *pos;
  EXPECT_EQ(seen, "vrId: 5");
  EXPECT_EQ(pos.column(), 7);
  auto mid = s.begin();
  mid += 4;
  EXPECT_EQ(*mid, ':');
  EXPECT_EQ(mid.column(), 4);
  EXPECT_EQ(s.end() - mid, 3);
}

TEST(String8, StreamsItsCharacters) {
  std::ostringstream os;
  os << String8("Vlan") << String8() << String8("100");
  EXPECT_EQ(os.str(), "Vlan100");
}

TEST(Name, IsAStringWithItsOwnType) {
  Xel::Name n("vrrp");
  String8 s = n;
  EXPECT_TRUE(s.sharesDataWith(n));
  EXPECT_EQ(Xel::Name(s), n);
  EXPECT_EQ(n.hash(), String8("vrrp").hash());
}

}  // namespace
