// Test support: what an entity tree's notifiees hear, and what they must
// hear, as paths read off the attribute tables.
//
// An event names what changed by its path from the root:
//   /vrrpConfig                                        a single child
//   /vrrpConfig["vrrp"]/vrrpIntfConfig['Ethernet1']     a child member
//   /vrrpConfig["vrrp"]/.../virtualRouterConfig[5]/priority
//   .../secondaryAddrs[192.0.2.1]                       a value member
// A child's path is the event of its creation or deletion; whatever
// happens inside a child lies below that path.
#pragma once

#include <Xel/Demuxer.h>
#include <Xel/Entity.h>

#include <map>
#include <string>
#include <unordered_map>

#include "plain_replica.h"

namespace attrlog_test {

// Each event heard, with how many times.
using Events = std::map<std::string, unsigned>;

// Hears every change of a tree. The tree is published on a log of its own,
// whose records say what its adapters, the first of its notifiees, were
// told.
class Heard {
 public:
  explicit Heard(Xel::Entity& root);

  // What was heard since the last call, but nothing inside a child created
  // since: its creation stands for it.
  Events take();

 private:
  struct IdHash {
    std::size_t operator()(Xel::EntityId const& id) const noexcept { return id.hash(); }
  };
  Xel::Ptr<Xel::NboAttrLog::Demuxer> log_;
  Decoder decoder_;
  std::unordered_map<Xel::EntityId, std::string, IdHash> paths_;
};

// Whether `e` lies below a child whose creation or deletion is in
// `events` (not counting `e` itself).
bool below(std::string const& e, Events const& events);

// The events that take a tree from `before` to `after`. A child whose
// creation `heard` holds is one difference: a new child, whatever it was
// before.
Events differences(Tree const& before, Tree const& after, Events const& heard);

}  // namespace attrlog_test
