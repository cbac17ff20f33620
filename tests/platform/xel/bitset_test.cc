#include <Xel/BitSet.h>
#include <Xel/Expect.h>
#include <gtest/gtest.h>

namespace {

using Bits = Xel::BitSet<29, unsigned int>;

TEST(BitSet, SetsAndResetsEachOfItsPositions) {
  Bits b;
  for (int pos = 0; pos < Bits::bits; ++pos) {
    b.set(pos);
    EXPECT_TRUE(b.test(pos));
    EXPECT_EQ(b.value(), 1u << pos);
    b.reset(pos);
    EXPECT_EQ(b.value(), 0u);
  }
  b.set(3, true);
  b.set(3, false);
  EXPECT_FALSE(b.test(3));
}

TEST(BitSetDeathTest, PositionsOutsideTheSetAreProgrammingErrors) {
  Bits b;
  EXPECT_DEATH(b.set(29), "pos>=0 && pos<bits");
  EXPECT_DEATH(b.reset(-1), "pos>=0 && pos<bits");
  EXPECT_DEATH(static_cast<void>(b.test(31)), "pos>=0 && pos<bits");
}

TEST(Xel_BitSet, NotificationFlagsReplaceOnlyTheMaskedBits) {
  EXPECT_EQ(Xel_BitSet::notificationBitMask(), 0xfa8fffffu);
  Xel_BitSet word(0x04000000u | 0x00700000u);  // framework bits 26 and 20-22
  word.notificationFlagsIs(Xel_BitSet(0xffffffffu));
  EXPECT_EQ(word.value(), 0xfeffffffu);  // bit 24, outside the mask, stays clear
  word.notificationFlagsIs(Xel_BitSet(0));
  EXPECT_EQ(word.value(), 0x04700000u);
  word.notificationFlagsIs(Xel_BitSet(0x01080001u));
  EXPECT_EQ(word.value(), 0x04780001u);
}

TEST(Expect, GuardsNestPerThread) {
  EXPECT_EQ(Xel::Expect::innermost(), nullptr);
  {
    Xel::Expect outer(0);
    EXPECT_EQ(Xel::Expect::innermost(), &outer);
    {
      Xel::Expect inner(7);
      EXPECT_EQ(Xel::Expect::innermost()->exceptionId(), 7u);
      EXPECT_EQ(inner.outer(), &outer);
    }
    EXPECT_EQ(Xel::Expect::innermost(), &outer);
  }
  EXPECT_EQ(Xel::Expect::innermost(), nullptr);
}

}  // namespace
