// Test support: random changes anywhere in an entity tree, read off the
// attribute tables. Any written attribute of any entity below a root is
// set, added to, removed from, created or deleted, with values from small
// pools so that keys come back and values repeat. A text attribute is now
// and then long enough to travel in several pieces.
#pragma once

#include <FhrpConf/entity/AttrTable.h>
#include <Xel/Entity.h>
#include <Xel/Ptr.h>

#include <any>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace attrlog_test {

class RandomChanges {
 public:
  explicit RandomChanges(std::uint32_t seed);

  std::mt19937& rng() noexcept { return rng_; }
  // One random change somewhere in the tree of `root` (`root` included);
  // returns what it did, for failure messages.
  std::string change(Xel::Entity& root);
  // One random change in the tree of a random entity of `root`'s tree:
  // changes gather deep down, and the top of the tree, whose replacement
  // takes everything below with it, changes seldom. Trees grow large.
  std::string changeDeep(Xel::Entity& root);
  // Every entity of the tree, root first.
  static std::vector<Xel::Entity*> entities(Xel::Entity& root);

  // A value of the type the registry names `type`, as `role` uses it: a
  // key, a member's value, or an attribute's value (only these may be long
  // texts).
  enum class Role { key, member, attribute };
  std::any value(char const* type, Role role);
  // The address of the value an std::any from value() holds.
  void const* address(char const* type, std::any const& v) const;

 private:
  struct Pool {
    std::function<std::any(std::mt19937&, Role)> make;
    void const* (*address)(std::any const&);
  };
  Pool const& pool(char const* type) const;

  std::mt19937 rng_;
  std::map<std::string, Pool> pools_;
};

}  // namespace attrlog_test
