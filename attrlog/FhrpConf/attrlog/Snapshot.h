// Snapshot: an entity tree copied into plain maps, to compare two trees
// (a front end's and an agent's replica of it) or to show one.
//
// A snapshot holds what the attribute log carries of each entity, read off
// the attribute tables: every written value as its text, every collection
// as a map from key text to value text, every child as a nested snapshot.
// Maps are ordered by text, so two trees with the same contents give equal
// snapshots and the same printed form, whatever the order their members
// were made in.
//
// TYPICAL USAGE
//   if (snapshot(*replica) != snapshot(*config)) std::cerr << snapshot(*replica);
#pragma once

#include <FhrpConf/Export.h>
#include <FhrpConf/entity/AttrTable.h>
#include <Xel/Entity.h>

#include <map>
#include <ostream>
#include <string>

namespace Routing::Fhrp::attrlog {

// Texts are the codecs' own, as the log's decoder prints them: 'Ethernet1',
// 192.0.2.1, ('default', 192.0.2.1), a name in quotes.
struct Snapshot {
  // The entity's type, by its full name.
  std::string type;
  // Each plain, enumeration and text attribute: name -> value text.
  std::map<std::string, std::string> values;
  // Each non-empty value collection: name -> key text -> value text.
  std::map<std::string, std::map<std::string, std::string>> members;
  // Each child collection and single child: name -> key text (a single
  // child's: its name, quoted) -> the child.
  std::map<std::string, std::map<std::string, Snapshot>> children;
  friend bool operator==(Snapshot const&, Snapshot const&) = default;
};

// `e` and everything below it.
FHRPCONF_EXPORT Snapshot snapshot(Xel::Entity const& e);
// One line per value, collection and child, children indented below.
FHRPCONF_EXPORT std::ostream& operator<<(std::ostream& os, Snapshot const& s);

}  // namespace Routing::Fhrp::attrlog
