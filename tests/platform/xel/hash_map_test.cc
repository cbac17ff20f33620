// One typed suite over several key types, with an instance tracker that
// proves members are neither leaked nor freed early.
#include <Xel/HashMap.h>
#include <Xel/String8.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using Xel::U32;

// A key whose hash is its value.
struct Id {
  U32 v;
  U32 hash() const noexcept { return v; }
  friend bool operator==(Id, Id) = default;
  friend auto operator<=>(Id, Id) = default;
};

// A key with only eight hashes, so chains are long and ties frequent.
struct Crowded {
  U32 v;
  U32 hash() const noexcept { return v % 8; }
  friend bool operator==(Crowded, Crowded) = default;
  friend auto operator<=>(Crowded, Crowded) = default;
};

template <class Key>
Key makeKey(U32 i);
template <>
Id makeKey<Id>(U32 i) {
  return Id{i * 2654435761u};
}
template <>
Crowded makeKey<Crowded>(U32 i) {
  return Crowded{i};
}
template <>
Xel::String8 makeKey<Xel::String8>(U32 i) {
  return Xel::String8(("Ethernet" + std::to_string(i)).c_str());
}

template <class Key>
struct Node : Xel::HashMapValueNode<Key, U32, Node<Key>> {
  static inline int alive = 0;
  Node(Key k, U32 v) : Xel::HashMapValueNode<Key, U32, Node<Key>>(std::move(k), v) { ++alive; }
  ~Node() override { --alive; }
};

template <class Key>
class HashMapTest : public ::testing::Test {
 protected:
  using Map = Xel::HashMap<Node<Key>, Key, U32>;
  void TearDown() override { EXPECT_EQ(Node<Key>::alive, 0) << "a member leaked"; }

  std::unique_ptr<Map> filled(U32 n) {
    auto map = std::make_unique<Map>();
    for (U32 i = 0; i < n; ++i) map->newMember(new Node<Key>(makeKey<Key>(i), i));
    return map;
  }
  static U32 placeOf(Node<Key> const* m) {
    return Xel::bitReverse(Xel::HashMapKey<Key>::hash(m->xelKey()));
  }
  // Whether a comes before b in map order.
  static bool before(Node<Key> const* a, Node<Key> const* b) {
    return placeOf(a) != placeOf(b) ? placeOf(a) < placeOf(b) : a->xelKey() < b->xelKey();
  }
};

using KeyTypes = ::testing::Types<Id, Crowded, Xel::String8>;
TYPED_TEST_SUITE(HashMapTest, KeyTypes);

TYPED_TEST(HashMapTest, FindsEveryMemberAndMissesOthers) {
  auto map = this->filled(1000);
  EXPECT_EQ(map->members(), 1000u);
  EXPECT_LE(map->members(), map->buckets());  // grown to keep chains short
  for (U32 i = 0; i < 1000; ++i) {
    auto* node = (*map)[makeKey<TypeParam>(i)];
    ASSERT_NE(node, nullptr) << i;
    EXPECT_EQ(node->value(), i);
  }
  EXPECT_EQ((*map)[makeKey<TypeParam>(1000)], nullptr);
  EXPECT_EQ(Node<TypeParam>::alive, 1000);
}

TYPED_TEST(HashMapTest, IterationVisitsEachMemberOnceInMapOrder) {
  auto map = this->filled(300);
  std::vector<Node<TypeParam>*> seen;
  for (auto& node : *map) seen.push_back(&node);
  ASSERT_EQ(seen.size(), 300u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(), this->before));
  EXPECT_EQ(std::set<Node<TypeParam>*>(seen.begin(), seen.end()).size(), 300u);
}

TYPED_TEST(HashMapTest, EraseDuringIterationContinuesWithSuccessor) {
  auto map = this->filled(200);
  std::vector<U32> order;
  for (auto& node : *map) order.push_back(node.value());
  std::vector<U32> visited;
  for (auto it = map->iterator(); it; it.advance()) {
    visited.push_back(it->value());
    EXPECT_TRUE(map->deleteMember(it.ptr()));  // the iterator keeps it alive
  }
  EXPECT_EQ(visited, order);
  EXPECT_EQ(map->members(), 0u);
}

TYPED_TEST(HashMapTest, MemberRemovedAheadOfTheWalkIsNotVisited) {
  auto map = this->filled(100);
  std::vector<Node<TypeParam>*> order;
  for (auto& node : *map) order.push_back(&node);
  Xel::Ptr<Node<TypeParam>> victim(order[50]);
  std::vector<Node<TypeParam>*> visited;
  for (auto it = map->iterator(); it; it.advance()) {
    visited.push_back(it.ptr());
    if (visited.size() == 10) map->deleteMember(victim.ptr());
  }
  order.erase(order.begin() + 50);
  EXPECT_EQ(visited, order);
}

TYPED_TEST(HashMapTest, FindNextOfARemovedMemberIsItsFormerSuccessor) {
  auto map = this->filled(64);
  std::vector<Node<TypeParam>*> order;
  for (auto& node : *map) order.push_back(&node);
  for (std::size_t i = 0; i + 1 < order.size(); i += 7) {
    Xel::Ptr<Node<TypeParam>> gone(order[i]);
    map->deleteMember(gone.ptr());
    int bucket = 0;
    EXPECT_EQ(map->findNextG(gone.ptr(), &bucket), order[i + 1]);
    map->newMember(gone);
  }
}

TYPED_TEST(HashMapTest, UntypedEntryPointsPlaceAndRemoveAsTheTypedOnes) {
  // The untyped calls hash through the collection type's table, the typed
  // ones inline: both must agree on every member's place.
  using Map = typename TestFixture::Map;
  Map map;
  Xel::HashMapGeneric& generic = map;
  for (U32 i = 0; i < 500; ++i) {
    TypeParam const key = makeKey<TypeParam>(i);
    Xel::Ptr<Xel::PtrInterface> const node(new Node<TypeParam>(key, i));
    if (i % 2) {
      generic.newMemberG(node, &key);
    } else {
      map.newMember(static_cast<Node<TypeParam>*>(node.ptr()));
    }
  }
  for (U32 i = 0; i < 500; i += 3) {
    Xel::Ptr<Xel::PtrInterface> const node(map[makeKey<TypeParam>(i)]);
    ASSERT_TRUE(node) << i;
    EXPECT_TRUE(i % 2 ? generic.deleteMember(node)
                      : map.deleteMember(static_cast<Node<TypeParam>*>(node.ptr())));
    EXPECT_FALSE(generic.deleteMember(node)) << "removed twice";
  }
  U32 count = 0;
  Node<TypeParam>* prev = nullptr;
  for (auto& node : map) {
    EXPECT_NE(node.value() % 3, 0u);
    EXPECT_EQ(map[node.xelKey()], &node);
    if (prev) {
      EXPECT_TRUE(this->before(prev, &node));
    }
    prev = &node;
    ++count;
  }
  EXPECT_EQ(count, 500u - 167u);
}

TYPED_TEST(HashMapTest, MemberInsertedAheadOfTheWalkIsVisited) {
  auto map = this->filled(50);
  Xel::Ptr<Node<TypeParam>> late(new Node<TypeParam>(makeKey<TypeParam>(50), 50));
  map->newMember(late);
  std::vector<Node<TypeParam>*> order;
  for (auto& node : *map) order.push_back(&node);
  map->deleteMember(late.ptr());
  auto const lateAt = std::find(order.begin(), order.end(), late.ptr()) - order.begin();
  if (lateAt == 0) return;  // nothing comes before it to start from
  std::vector<Node<TypeParam>*> visited;
  for (auto it = map->iterator(); it; it.advance()) {
    visited.push_back(it.ptr());
    if (visited.size() == 1) map->newMember(late);
  }
  EXPECT_EQ(visited, order);
}

TYPED_TEST(HashMapTest, GrowthDuringAWalkNeitherRepeatsNorSkipsMembers) {
  auto map = this->filled(40);
  std::vector<Node<TypeParam>*> before;
  for (auto& node : *map) before.push_back(&node);
  U32 const buckets = map->buckets();
  std::vector<Node<TypeParam>*> visited;
  for (auto it = map->iterator(); it; it.advance()) {
    visited.push_back(it.ptr());
    if (visited.size() == 5) {
      for (U32 i = 40; i < 2000; ++i) map->newMember(new Node<TypeParam>(makeKey<TypeParam>(i), i));
    }
  }
  EXPECT_GT(map->buckets(), buckets);
  EXPECT_TRUE(std::is_sorted(visited.begin(), visited.end(), this->before));
  EXPECT_EQ(std::set<Node<TypeParam>*>(visited.begin(), visited.end()).size(), visited.size());
  for (auto* m : before) EXPECT_EQ(std::count(visited.begin(), visited.end(), m), 1);
}

TYPED_TEST(HashMapTest, EmptyingReleasesEveryMemberAndTheMapStaysUsable) {
  auto map = this->filled(500);
  Xel::Ptr<Node<TypeParam>> held((*map)[makeKey<TypeParam>(7)]);
  U32 const mods = map->modifications();
  map->emptyAllBuckets();
  EXPECT_EQ(map->members(), 0u);
  EXPECT_NE(map->modifications(), mods);
  EXPECT_EQ(Node<TypeParam>::alive, 1);  // only the one held outside
  EXPECT_EQ(held->xelNext(), nullptr);
  EXPECT_EQ(map->iterator().ptr(), nullptr);
  map->newMember(held);
  EXPECT_EQ((*map)[makeKey<TypeParam>(7)], held.ptr());
}

TYPED_TEST(HashMapTest, IteratorFromAKeyStartsAtItsPlace) {
  auto map = this->filled(100);
  std::vector<Node<TypeParam>*> order;
  for (auto& node : *map) order.push_back(&node);
  for (std::size_t i : {std::size_t{0}, std::size_t{37}, std::size_t{99}}) {
    typename TestFixture::Map::IteratorConst it(*map, order[i]->xelKey());
    // Equal reversed hashes share a place: start at the first of them.
    std::size_t first = i;
    while (first > 0 && this->placeOf(order[first - 1]) == this->placeOf(order[i])) --first;
    EXPECT_EQ(it.ptr(), order[first]);
  }
}

TEST(HashMap, BitReverseMirrorsTheWord) {
  EXPECT_EQ(Xel::bitReverse(1u), 0x80000000u);
  EXPECT_EQ(Xel::bitReverse(0x80000000u), 1u);
  EXPECT_EQ(Xel::bitReverse(0x12345678u), 0x1e6a2c48u);
  EXPECT_EQ(Xel::bitReverse(Xel::bitReverse(0xdeadbeefu)), 0xdeadbeefu);
}

TEST(HashMap, EmptyMapOwnsNoBucketsAndCollectionTypesShareOneTable) {
  using Map = Xel::HashMap<Node<Id>, Id, U32>;
  Map a, b;
  EXPECT_EQ(a.buckets(), 0u);
  EXPECT_EQ(a.table(), b.table());
  EXPECT_EQ(a[Id{1}], nullptr);
  a.newMember(new Node<Id>(Id{1}, 1));
  EXPECT_EQ(a.buckets(), 4u);
}

}  // namespace
