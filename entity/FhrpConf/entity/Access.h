// The access functions of attribute tables, made from a class's own
// accessors: one template per kind of attribute, instantiated by the
// generated table rows.
//
// Meant only for generated code. Each template turns the named members of
// the class (a getter, a setter, a collection's map and operations) into
// the type-erased functions of entity::Access, so that whoever holds the
// table calls exactly what a caller of the named member would: a virtual
// setter stays virtual, a collection's change is counted and told.
#pragma once

#include <Xel/Entity.h>
#include <Xel/HashMap.h>
#include <Xel/Ptr.h>

#include <cstddef>
#include <type_traits>

#include "FhrpConf/entity/AttrTable.h"

namespace Routing::Fhrp::entity {
namespace access {

// What a pointer to a member function is a member of.
template <class M>
struct MemberOf;
template <class R, class C, class... A>
struct MemberOf<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
};
template <class R, class C, class... A>
struct MemberOf<R (C::*)(A...) const> {
  using Class = C;
  using Result = R;
};
template <class R, class C, class... A>
struct MemberOf<R (C::*)(A...) noexcept> : MemberOf<R (C::*)(A...)> {};
template <class R, class C, class... A>
struct MemberOf<R (C::*)(A...) const noexcept> : MemberOf<R (C::*)(A...) const> {};

template <auto M>
using ClassOf = typename MemberOf<decltype(M)>::Class;
template <auto M>
using ResultOf = std::remove_cvref_t<typename MemberOf<decltype(M)>::Result>;

template <class T>
T const& self(void const* object) noexcept {
  return *static_cast<T const*>(object);
}
template <class T>
T& self(void* object) noexcept {
  return *static_cast<T*>(object);
}

template <auto Get>
void get(void const* object, void* value) {
  *static_cast<ResultOf<Get>*>(value) = (self<ClassOf<Get>>(object).*Get)();
}

template <auto Set, class V>
void set(void* object, void const* value) {
  (self<ClassOf<Set>>(object).*Set)(*static_cast<V const*>(value));
}

template <auto const* Constant>
void constant(void const*, void* value) {
  *static_cast<std::remove_cv_t<std::remove_pointer_t<decltype(Constant)>>*>(value) = *Constant;
}

// The typed map behind a collection: Map() returns it.
template <auto Map>
using MapOf = ResultOf<Map>;

template <auto Map>
Xel::U32 members(void const* object) {
  return (self<ClassOf<Map>>(object).*Map)().members();
}

template <auto Map>
bool valueGet(void const* object, void const* key, void* value) {
  using M = MapOf<Map>;
  auto const* node =
      (self<ClassOf<Map>>(object).*Map)()[*static_cast<typename M::KeyType const*>(key)];
  if (!node) return false;
  if (value) *static_cast<typename M::ValueType*>(value) = node->value();
  return true;
}

template <auto Map, auto Set>
void valueSet(void* object, void const* key, void const* value) {
  using M = MapOf<Map>;
  (self<ClassOf<Map>>(object).*Set)(*static_cast<typename M::KeyType const*>(key),
                                    *static_cast<typename M::ValueType const*>(value));
}

template <auto Map, auto Del>
bool memberDel(void* object, void const* key) {
  using M = MapOf<Map>;
  auto& owner = self<ClassOf<Map>>(object);
  auto const& k = *static_cast<typename M::KeyType const*>(key);
  if (!(owner.*Map)()[k]) return false;
  (owner.*Del)(k);
  return true;
}

template <auto Map>
bool valueIterate(void const* object, MemberVisit visit, void* context) {
  for (auto it = (self<ClassOf<Map>>(object).*Map)().iterator(); it; it.advance()) {
    if (!visit(context, &it->xelKey(), &it->value())) return false;
  }
  return true;
}

template <auto Map>
bool childGet(void const* object, void const* key, void* value) {
  using M = MapOf<Map>;
  auto* child = (self<ClassOf<Map>>(object).*Map)()[*static_cast<typename M::KeyType const*>(key)];
  if (!child) return false;
  if (value) *static_cast<Xel::Ptr<Xel::Entity>*>(value) = child;
  return true;
}

template <auto Map, auto Set>
void childSet(void* object, void const* key, void const*) {
  using M = MapOf<Map>;
  (self<ClassOf<Map>>(object).*Set)(*static_cast<typename M::KeyType const*>(key));
}

template <auto Map>
bool childIterate(void const* object, MemberVisit visit, void* context) {
  for (auto it = (self<ClassOf<Map>>(object).*Map)().iterator(); it; it.advance()) {
    // A child's key may be computed, so it is held for the visit.
    auto const& key = it->xelKey();
    Xel::Entity const* child = it.ptr();
    if (!visit(context, &key, child)) return false;
  }
  return true;
}

template <auto Map>
Xel::HashMapGeneric const* map(void const* object) {
  return &(self<ClassOf<Map>>(object).*Map)();
}

template <auto Map>
Xel::U32 keyPlace(void const* key) {
  using K = typename MapOf<Map>::KeyType;
  return Xel::bitReverse(Xel::HashMapKey<K>::hash(*static_cast<K const*>(key)));
}

template <auto Map>
void memberKey(Xel::PtrInterface const* member, void* key) {
  using M = MapOf<Map>;
  *static_cast<typename M::KeyType*>(key) =
      static_cast<typename M::MemberType const*>(member)->xelKey();
}

template <auto Map>
void valueOf(Xel::PtrInterface const* member, void* value) {
  using M = MapOf<Map>;
  *static_cast<typename M::ValueType*>(value) =
      static_cast<typename M::MemberType const*>(member)->value();
}

template <auto Map>
void childOf(Xel::PtrInterface const* member, void* value) {
  using M = MapOf<Map>;
  *static_cast<Xel::Ptr<Xel::Entity>*>(value) =
      const_cast<typename M::MemberType*>(static_cast<typename M::MemberType const*>(member));
}

template <auto Get>
void singleChildGet(void const* object, void* value) {
  *static_cast<Xel::Ptr<Xel::Entity>*>(value) = (self<ClassOf<Get>>(object).*Get)();
}

template <auto Set>
void singleChildSet(void* object, void const* value) {
  (self<ClassOf<Set>>(object).*Set)(*static_cast<Xel::Name const*>(value));
}

template <auto Del>
bool singleChildDel(void* object, void const*) {
  return static_cast<bool>((self<ClassOf<Del>>(object).*Del)());
}

}  // namespace access

// A single-valued attribute: its getter and, when settable, its setter.
template <auto Get, auto Set = nullptr>
constexpr Access plainAccess() {
  Access a;
  a.get = &access::get<Get>;
  // By type: comparing a pointer to a virtual member is not always constant.
  if constexpr (!std::is_same_v<decltype(Set), std::nullptr_t>) {
    a.set = &access::set<Set, access::ResultOf<Get>>;
  }
  return a;
}

// A constant of the type: the address of the static member that holds it.
template <auto const* Constant>
constexpr Access constantAccess() {
  Access a;
  a.get = &access::constant<Constant>;
  return a;
}

// A collection of values: the map's accessor, xIs(key, value) and xDel(key).
template <auto Map, auto Set, auto Del>
constexpr Access valueCollectionAccess() {
  Access a;
  a.memberGet = &access::valueGet<Map>;
  a.memberSet = &access::valueSet<Map, Set>;
  a.memberDel = &access::memberDel<Map, Del>;
  a.members = &access::members<Map>;
  a.iterate = &access::valueIterate<Map>;
  a.map = &access::map<Map>;
  a.keyPlace = &access::keyPlace<Map>;
  a.memberKey = &access::memberKey<Map>;
  a.memberValue = &access::valueOf<Map>;
  return a;
}

// A collection of children: the map's accessor, xIs(key) and xDel(key).
template <auto Map, auto Set, auto Del>
constexpr Access childCollectionAccess() {
  Access a;
  a.memberGet = &access::childGet<Map>;
  a.memberSet = &access::childSet<Map, Set>;
  a.memberDel = &access::memberDel<Map, Del>;
  a.members = &access::members<Map>;
  a.iterate = &access::childIterate<Map>;
  a.map = &access::map<Map>;
  a.keyPlace = &access::keyPlace<Map>;
  a.memberKey = &access::memberKey<Map>;
  a.memberValue = &access::childOf<Map>;
  return a;
}

// A single child: x(), xIs(name) and xDel().
template <auto Get, auto Set, auto Del>
constexpr Access singleChildAccess() {
  Access a;
  a.get = &access::singleChildGet<Get>;
  a.set = &access::singleChildSet<Set>;
  a.memberDel = &access::singleChildDel<Del>;
  return a;
}

}  // namespace Routing::Fhrp::entity
