// Test support for the attribute log: a tree of plain maps that stands for
// an entity tree, made either from the entities themselves (the library's
// snapshot) or from the records a log carries, so that the two can be
// compared.
//
// Both sides are read off the attribute tables only: a value is its codec's
// text, a string its characters, a collection a map from key text to value
// text, a child a nested tree. Nothing here knows a model type by name.
#pragma once

#include <FhrpConf/attrlog/Decoder.h>
#include <FhrpConf/attrlog/Snapshot.h>
#include <FhrpConf/entity/AttrTable.h>
#include <FhrpConf/reflect/Registration.h>
#include <Xel/Entity.h>
#include <Xel/NboAttrLog.h>

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace attrlog_test {

using Routing::Fhrp::attrlog::Decoder;
using Routing::Fhrp::entity::AttrInfo;
using Routing::Fhrp::entity::TypeInfo;

// The library's snapshot of a tree is what a replay builds too.
using Tree = Routing::Fhrp::attrlog::Snapshot;
using Routing::Fhrp::attrlog::operator<<;

// The type table of an entity of the model.
inline TypeInfo const& typeOf(Xel::Entity const& e) {
  return Routing::Fhrp::reflect::typeInfoOf(e);
}
// `e` as the log would carry it: every written attribute, member and child.
inline Tree render(Xel::Entity const& e) {
  return Routing::Fhrp::attrlog::snapshot(e);
}

// Replays a log's records onto plain maps, strictly: a record of an entity
// not created on the log, a text piece out of order, or a transaction end
// without its start fails the replay (std::logic_error with the record).
class Replay {
 public:
  // Decodes and applies every complete record of `bytes`.
  void apply(std::span<Xel::U8 const> bytes);
  void apply(Decoder::Item const& item);
  // The tree of the entity created as `id` (a root's id).
  Tree tree(Xel::EntityId id) const;
  // Forgets entity `id` and everything below it (a root taken off the log).
  void forget(Xel::EntityId id) { drop(id); }
  // The id of the last entity-creation record's entity.
  Xel::EntityId lastRoot() const { return lastRoot_; }
  std::size_t records() const { return records_; }
  std::size_t entities() const { return nodes_.size(); }

 private:
  struct IdHash {
    std::size_t operator()(Xel::EntityId const& id) const noexcept { return id.hash(); }
  };
  struct Node {
    std::string type;
    std::map<std::string, std::string> values;
    std::map<std::string, std::map<std::string, std::string>> members;
    std::map<std::string, std::map<std::string, Xel::EntityId>> children;
    // Keys marked by a start marker, by collection, and the collections
    // whose full contents are being received.
    std::map<std::string, std::map<std::string, bool>> marked;
    std::set<std::string> open;
    // The text being received, and of which attribute.
    std::string textAttr, text;
  };

  Node& node(Decoder::Item const& item);
  void drop(Xel::EntityId id);

  Decoder decoder_;
  std::unordered_map<Xel::EntityId, Node, IdHash> nodes_;
  Xel::EntityId lastRoot_;
  std::size_t records_ = 0;
};

}  // namespace attrlog_test
