// Registration of the model's types with the framework's type registry,
// driven by their attribute tables.
//
// OVERVIEW
//   Each type of the model has a descriptor, an instance of its nested
//   _Type (a ModelType), made on first use by fwkType<X>() and never freed.
//   A library that holds model types describes them in two steps, both
//   loops over the types' tables in registration order:
//
//     introspect(types, s)  the introspection walk: reports the namespaces,
//                           types and attributes to the framework's
//                           introspection reactor, which defines every
//                           attribute; runs only while an enabled handler
//                           listens
//     registerTypes(types)  at load: registers each descriptor under its
//                           full name and keeps the attribute descriptors
//                           the attribute-log adapters work from
//
//   What each attribute registers (its flag words included) follows from
//   its row: registeredFlags gives the words.
//
// THREAD SAFETY
//   Registration runs in the thread that loads the library; the first use
//   of a descriptor from two threads at once is not supported.
#pragma once

#include <FhrpConf/entity/AttrTable.h>
#include <Xel/Entity.h>
#include <Xel/IntrospectionReactor.h>
#include <Xel/Ptr.h>
#include <Xel/XelType.h>

#include <cstring>
#include <span>
#include <vector>

#include "FhrpConf/Export.h"

namespace Routing::Fhrp::reflect {

using Types = std::span<entity::TypeInfo const* const>;

// The descriptor of one type of the model.
class FHRPCONF_EXPORT ModelType : public Xel::XelType {
 public:
  explicit ModelType(entity::TypeInfo const& info);
  ~ModelType() override;

  entity::TypeInfo const& info() const noexcept { return info_; }

  // For a child attribute of the type (by name): the child's parent's
  // adapter for `out` installs the child's, with its own notification
  // flags. Any other attribute goes to the base descriptor.
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> childAttrLogIs(
      Xel::Ptr<Xel::XelAttr const> const& attr, Xel::Ptr<Xel::PtrInterface> const& child,
      Xel::Ptr<Xel::NboAttrLog::Out> const& out) const override;

  // The attribute descriptors the attribute-log adapters work from, looked
  // up by name when the library is loaded.
  std::vector<Xel::Ptr<Xel::XelAttr const>> const& cachedAttrs() const noexcept { return cached_; }
  void cachedAttrsIs(std::vector<Xel::Ptr<Xel::XelAttr const>> attrs) {
    cached_ = std::move(attrs);
  }

 private:
  entity::TypeInfo const& info_;
  std::vector<Xel::Ptr<Xel::XelAttr const>> cached_;
};

// The attribute table of `e`'s type; RangeException for an entity whose
// type is not one of the model's.
FHRPCONF_EXPORT entity::TypeInfo const& typeInfoOf(Xel::Entity const& e);

// The descriptor of the framework base a type of this kind derives from,
// or null for a value type.
FHRPCONF_EXPORT Xel::XelType* baseDescriptor(entity::TypeKind kind);

// Made once, on first use: `slot` holds it, `walk` is the library's
// introspection walk, which, when it can run, makes every descriptor
// itself. A type with a base is known to it as a derived type.
template <class X>
Xel::XelType* fwkType(Xel::XelType*& slot, void (*walk)()) {
  if (slot) return slot;
  walk();
  if (slot) return slot;
  auto* type = new typename X::_Type();
  slot = type;
  type->referencesLeak();
  if (Xel::XelType* base = type->base()) {
    Xel::Ptr<Xel::XelType> const hold(type);
    base->derivedTypeQEnq(hold);
  }
  return type;
}

// The registered flags of one attribute.
struct RegisteredFlags {
  Xel::XelAttr::AttrFlags words;
  Xel::XelAttr::XelAttrIntrospectionFlags introspection;
  char const* key;  // the framework's name for the combination: "S", "VV", "E1", ...
};

FHRPCONF_EXPORT RegisteredFlags registeredFlags(entity::TypeInfo const& type,
                                                entity::AttrInfo const& attr);
// xelHasAttrLogInterface (154), which every entity registers first, and
// fwkKey (0), which a keyed entity registers last.
FHRPCONF_EXPORT RegisteredFlags attrLogInterfaceFlags();
FHRPCONF_EXPORT RegisteredFlags fwkKeyFlags();

// Where a library's walk stands. Making the descriptors the walk reports
// asks for the walk again, which must then return at once.
struct WalkState {
  bool running = false;
  bool done = false;
};

// The walk, once per library. Does nothing while it runs, once it has run,
// and while the reactor has no enabled handler (a later call tries again).
FHRPCONF_EXPORT void introspect(Types types, WalkState& state);

// What the library's initialiser does for each type, in order.
FHRPCONF_EXPORT void registerTypes(Types types);

// Keeps both access operators of Xel::Ptr<T> reachable for tools.
template <class T>
void forcePointerAccess() {
  auto star = &Xel::Ptr<T>::operator*;
  auto arrow = &Xel::Ptr<T>::operator->;
  void const* address;
  std::memcpy(&address, &star, sizeof address);
  Xel::forcePointerAccessH(address);
  std::memcpy(&address, &arrow, sizeof address);
  Xel::forcePointerAccessH(address);
}

}  // namespace Routing::Fhrp::reflect
