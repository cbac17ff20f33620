// The operations of keyed collections, shared by every generated entity:
// one template per operation, called by a one-line generated member.
//
// Meant only for the entity layer and the generated entity classes.
//
// A value collection maps keys to values held in small counted nodes; an
// entity collection holds child entities, each linked to its owner (parent
// link and parent attribute id) while it is a member. Every change raises
// the owner's change counter by 1 and is told to the owner's notifiees
// through the collection's notify operation (`notify`, a member of the
// owner, called through its virtual table where the owner has one); a
// keyed read raises the owner's read counter. Nothing here allocates but
// the creation of a node or a child.
#pragma once

#include <Xel/Entity.h>
#include <Xel/HashMap.h>
#include <Xel/Ptr.h>
#include <Xel/String8.h>

#include <type_traits>
#include <utility>

#include "FhrpConf/entity/EntityAccess.h"

namespace Routing::Fhrp::entity {

// An entity counts its changes and keyed reads; a plain counted object that
// owns a collection keeps no such books.
inline void countChange(Xel::Entity& owner) noexcept {
  Xel::EntityAccess::changeCountInc(owner);
}
inline void countChange(Xel::PtrInterface&) noexcept {}
inline void countRead(Xel::Entity const& owner) noexcept {
  Xel::EntityAccess::readCountInc(owner);
}
inline void countRead(Xel::PtrInterface const&) noexcept {}

// The stored value under `key`, or the value type's default when absent.
template <class Owner, class Map, class Key>
auto valueAt(Owner const& owner, Map const& map, Key const& key) {
  countRead(owner);
  auto const* node = map[key];
  using Value = std::decay_t<decltype(node->value())>;
  return node ? node->value() : Value();
}

// The child under `key`, or an empty pointer.
template <class Map, class Key>
auto childAt(Xel::Entity const& owner, Map const& map, Key const& key) {
  countRead(owner);
  using Child = std::remove_pointer_t<decltype(map[key])>;
  return Xel::Ptr<Child>(map[key]);
}

// Makes a node and inserts it, without lookup, counting or notification.
template <class Node, class Map, class Key, class Value>
Xel::Ptr<Node> newValue(Map& map, Key const& key, Value const& value) {
  Xel::Ptr<Node> node(new Node(key, value));
  map.newMember(node);
  return node;
}

// Adds `key` with `value`, or changes the value of a present key; an equal
// value changes nothing.
template <class Node, class Owner, class Map, class Key, class Value, class Notify>
void valueIs(Owner& owner, Map& map, Key const& key, Value const& value, Notify notify) {
  if (Node* node = map[key]) {
    if (node->value() == value) return;
    node->valueIs(value);
  } else {
    newValue<Node>(map, key, value);
  }
  countChange(owner);
  (owner.*notify)(key);
}

// Removes the member at `node` (held by the caller) and tells about it.
template <class Owner, class Map, class Node, class Notify>
auto removeValue(Owner& owner, Map& map, Xel::Ptr<Node> const& node, Notify notify) {
  map.deleteMember(node);
  countChange(owner);
  (owner.*notify)(node->xelKey());
  return node->value();
}

// Removes `key`; returns its value, or the value type's default if absent.
template <class Owner, class Map, class Key, class Notify>
auto valueDel(Owner& owner, Map& map, Key const& key, Notify notify) {
  using Node = std::remove_pointer_t<decltype(map[key])>;
  Xel::Ptr<Node> node(map[key]);
  using Value = std::decay_t<decltype(node->value())>;
  if (!node) return Value();
  return removeValue(owner, map, node, notify);
}

// Removes the member the iterator stands on; the iterator keeps it.
template <class Owner, class Map, class Iterator, class Notify>
auto valueDelAt(Owner& owner, Map& map, Iterator& it, Notify notify) {
  using Value = std::decay_t<decltype(it->value())>;
  if (!it) return Value();
  using Node = std::remove_pointer_t<decltype(it.ptr())>;
  return removeValue(owner, map, Xel::Ptr<Node>(it.ptr()), notify);
}

// Builds a child with `key`, makes it a child of `owner` under the
// collection `id` and inserts it, without lookup, counting or notification.
template <class Child, class Owner, class Map, class Key>
Xel::Ptr<Child> newChild(Owner& owner, Map& map, Key const& key, Xel::AttributeId id) {
  Xel::Ptr<Child> child(new Child(key));
  child->parentAttrIdIs(id);
  map.newMember(child);
  child->parentIs(Xel::Ptr<Xel::Entity>(&owner));
  return child;
}

// The child under `key`, made if absent. Either way the owner's counter
// rises; only a new child is told about.
template <class Child, class Owner, class Map, class Key, class Notify>
Xel::Ptr<Child> childIs(Owner& owner, Map& map, Key const& key, Xel::AttributeId id,
                        Notify notify) {
  if (Child* present = map[key]) {
    Xel::EntityAccess::changeCountInc(owner);
    return Xel::Ptr<Child>(present);
  }
  Xel::Ptr<Child> child = newChild<Child>(owner, map, key, id);
  Xel::EntityAccess::changeCountInc(owner);
  (owner.*notify)(key);
  return child;
}

// Takes `child` (held by the caller) out of the collection and the tree.
template <class Owner, class Map, class Child, class Notify>
Xel::Ptr<Child> removeChild(Owner& owner, Map& map, Xel::Ptr<Child> const& child, Notify notify) {
  map.deleteMember(child);
  Xel::EntityAccess::changeCountInc(owner);
  child->parentIs(nullptr);
  (owner.*notify)(child->xelKey());
  return child;
}

template <class Owner, class Map, class Key, class Notify>
auto childDel(Owner& owner, Map& map, Key const& key, Notify notify) {
  using Child = std::remove_pointer_t<decltype(map[key])>;
  Xel::Ptr<Child> child(map[key]);
  if (!child) return child;
  return removeChild(owner, map, child, notify);
}

template <class Owner, class Map, class Iterator, class Notify>
auto childDelAt(Owner& owner, Map& map, Iterator& it, Notify notify) {
  using Child = std::remove_pointer_t<decltype(it.ptr())>;
  if (!it) return Xel::Ptr<Child>();
  return removeChild(owner, map, Xel::Ptr<Child>(it.ptr()), notify);
}

// Removes every member one by one through `del` (the owner's delete by
// iterator), each removal counted and told on its own. Handlers may change
// the collection meanwhile: the iterator finds its way after any change.
template <class Owner, class Map, class Del>
void delAll(Owner& owner, Map const& map, Del del) {
  typename Map::Iterator it(map);
  while (it) {
    (owner.*del)(it);
    it.advance();
  }
}

// Single children (a child entity held in an attribute rather than in a
// collection), keyed by their name.

// Builds a child named `name` and makes it a child of `owner` under `id`,
// without storing it and without notification.
template <class Child, class Owner>
Xel::Ptr<Child> newSingleChild(Owner& owner, Xel::Name name, Xel::AttributeId id) {
  Xel::Ptr<Child> child(new Child(std::move(name)));
  child->parentAttrIdIs(id);
  child->parentIs(Xel::Ptr<Xel::Entity>(&owner));
  return child;
}

// Create or replace: the present child when its name is `name` (counted,
// not told); otherwise a new child replaces the old one, which leaves the
// tree. A replacement counts twice and is told once.
template <class Child, class Owner, class Make, class Tell>
Xel::Ptr<Child> singleChildIs(Owner& owner, Xel::Ptr<Child>& slot, Xel::Name const& name, Make make,
                              Tell tell) {
  if (slot && slot->name() == name) {
    Xel::EntityAccess::changeCountInc(owner);
    return slot;
  }
  if (slot) {
    Xel::EntityAccess::changeCountInc(owner);
    slot->parentIs(nullptr);
  }
  slot = (owner.*make)(name);
  Xel::EntityAccess::changeCountInc(owner);
  tell();
  return slot;
}

// Removes the child, if any: counted, out of the tree, told.
template <class Child, class Owner, class Tell>
Xel::Ptr<Child> singleChildDel(Owner& owner, Xel::Ptr<Child>& slot, Tell tell) {
  Xel::Ptr<Child> removed = std::move(slot);
  if (!removed) return removed;
  Xel::EntityAccess::changeCountInc(owner);
  removed->parentIs(nullptr);
  tell();
  return removed;
}

}  // namespace Routing::Fhrp::entity
