#include <Xel/Entity.h>
#include <Xel/Exception.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "counted.h"

namespace {

using Xel::Ptr;
using Xel::U32;
using xel_test::CountedEntity;

U32 wordAt(void const* object, std::size_t offset) {
  U32 w;
  std::memcpy(&w, static_cast<char const*>(object) + offset, sizeof w);
  return w;
}

TEST(Entity, StartsWithZeroCountersAndNoParent) {
  Ptr<CountedEntity> e(new CountedEntity("vrrp"));
  EXPECT_EQ(e->name(), "vrrp");
  EXPECT_EQ(e->changeCount(), 0u);
  EXPECT_EQ(e->readCount(), 0u);
  EXPECT_EQ(e->parent(), nullptr);
  EXPECT_EQ(e->parentAttrId(), 0u);
}

TEST(Entity, FieldsFollowTheReferenceWordInTheFrameworksOrder) {
  // vtable, reference word, name, change counter, read counter, the
  // framework word 136, parent: tools that read entities rely on this.
  Ptr<CountedEntity> e(new CountedEntity("x"));
  e->changeCountInc(3);
  for (int i = 0; i < 5; ++i) e->readCountInc();
  std::size_t const p = sizeof(void*);
  EXPECT_EQ(wordAt(e.ptr(), p), 1u);  // reference word: one Ptr
  void const* nameBlock;
  std::memcpy(&nameBlock, reinterpret_cast<char const*>(e.ptr()) + 2 * p, p);
  EXPECT_NE(nameBlock, nullptr);
  EXPECT_EQ(wordAt(e.ptr(), 3 * p), 3u);
  EXPECT_EQ(wordAt(e.ptr(), 3 * p + 4), 5u);
  EXPECT_EQ(wordAt(e.ptr(), 3 * p + 8), 136u);
  EXPECT_EQ(sizeof(Xel::Entity), p == 8 ? 56u : 32u);
}

TEST(Entity, ParentLinkDoesNotOwnTheParent) {
  struct Watching : CountedEntity {
    int parentChanges = 0;
    void handleParent(Ptr<Xel::Entity> const&) override { ++parentChanges; }
  };
  Ptr<CountedEntity> root(new CountedEntity("root"));
  Ptr<Watching> child(new Watching);
  child->parentAttrIdIs(258);
  child->parentIs(root);
  EXPECT_EQ(child->parent(), root.ptr());
  EXPECT_EQ(root->references(), 1u);
  EXPECT_EQ(child->parentAttrId(), 258u);
  child->parentIs(nullptr);
  EXPECT_EQ(child->parent(), nullptr);
  EXPECT_EQ(child->parentChanges, 2);
}

TEST(Entity, FullNameRunsFromTheRoot) {
  Ptr<CountedEntity> root(new CountedEntity("config"));
  Ptr<CountedEntity> mid(new CountedEntity("vrrp"));
  Ptr<CountedEntity> leaf(new CountedEntity("Ethernet1"));
  mid->parentIs(root);
  leaf->parentIs(mid);
  EXPECT_EQ(leaf->fullName(), "config/vrrp/Ethernet1");
  EXPECT_EQ(leaf->uriPath(), "/config/vrrp/Ethernet1");
  EXPECT_EQ(root->fullName(), "config");
}

TEST(Entity, BaseNamesOnlyTheFrameworksAttributes) {
  Ptr<CountedEntity> e(new CountedEntity);
  EXPECT_EQ(e->attributeString(0), "fwkKey");
  EXPECT_EQ(e->attributeString(5), "zeroReferences");
  EXPECT_EQ(e->attributeString(154), "xelHasAttrLogInterface");
  EXPECT_EQ(e->attributeString(258), "");
}

TEST(Exception, FrameworkThrowersRaiseTheirTypeWithTheMessage) {
  using testing::ThrowsMessage;
  EXPECT_THAT([] { Xel::throwRangeException("out of range"); },
              ThrowsMessage<Xel::RangeException>("out of range"));
  EXPECT_THAT([] { Xel::throwInternalException("broken"); },
              ThrowsMessage<Xel::InternalException>("broken"));
  EXPECT_THAT([] { Xel::throwParseException("cannot read 'x'"); },
              ThrowsMessage<Xel::ParseException>("cannot read 'x'"));
}

}  // namespace
