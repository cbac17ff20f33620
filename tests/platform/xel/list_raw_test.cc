#include <Xel/ListRaw.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Node {
  int id;
  Node* link = nullptr;
  Node* next() const { return link; }
  void nextIs(Node* n) { link = n; }
};

std::vector<int> ids(Xel::ListRaw<Node> const& list) {
  std::vector<int> out;
  for (Node* n = list.head(); n; n = n->next()) out.push_back(n->id);
  return out;
}

class ListRawTest : public ::testing::Test {
 protected:
  Node a{1}, b{2}, c{3}, d{4};
  Xel::ListRaw<Node> list;
};

TEST_F(ListRawTest, FrontJoinsAtTheHeadAndBackAtTheTail) {
  list.pushFront(&c);  // on an empty list, also the tail
  EXPECT_EQ(list.tail(), &c);
  list.pushBack(&a);
  list.pushFront(&b);
  EXPECT_EQ(ids(list), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(list.tail(), &a);
  EXPECT_EQ(list.members(), 3u);
  EXPECT_EQ(list.modifications(), 3u);
}

TEST_F(ListRawTest, RemovalFixesHeadAndTail) {
  for (Node* n : {&a, &b, &c, &d}) list.pushBack(n);
  EXPECT_TRUE(list.remove(&a));  // head
  EXPECT_EQ(list.head(), &b);
  EXPECT_TRUE(list.remove(&d));  // tail
  EXPECT_EQ(list.tail(), &c);
  EXPECT_EQ(c.next(), nullptr);
  list.pushBack(&a);  // the tail is usable after the fix
  EXPECT_EQ(ids(list), (std::vector<int>{2, 3, 1}));
  EXPECT_TRUE(list.remove(&c));  // middle
  EXPECT_EQ(ids(list), (std::vector<int>{2, 1}));
  EXPECT_FALSE(list.remove(&d));  // not a member: nothing changes
  EXPECT_EQ(list.members(), 2u);
  EXPECT_EQ(list.modifications(), 8u);
  EXPECT_TRUE(list.remove(&b));
  EXPECT_TRUE(list.remove(&a));  // the only member: the list is empty
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.head(), nullptr);
  EXPECT_EQ(list.tail(), nullptr);
}

TEST_F(ListRawTest, UnlinkAllClearsEveryMembersLink) {
  for (Node* n : {&a, &b, &c}) list.pushBack(n);
  list.unlinkAll();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.modifications(), 4u);
  for (Node* n : {&a, &b, &c}) EXPECT_EQ(n->next(), nullptr);
}

}  // namespace
