// Reading records back: the typed half of each table row's reader.
//
// Meant for the attribute table's log functions (Collections.h sets them)
// and the type descriptors' newEntity.
//
// OVERVIEW
//   A record is read whole before anything is applied: its key, its value,
//   the child's entity id, and the check that nothing is left. Only then
//   does the adapter apply it (Adapter::apply...), so that a record that
//   does not read leaves the entity as it was.
//
//   An enumeration the peer knows and this side does not (a number that
//   names no enumerator) is not an error: the record is counted and
//   dropped. A key that its type refuses (a virtual router id above 256)
//   is an error.
//
//   A collection's start marker marks every member: a value member's node
//   (its deletion mark), a child's adapter on the log (suspended), or a
//   child with no adapter there (one the peer never announced on this log,
//   as after a restart) the child itself. Each member the peer sends again
//   is unmarked as it is applied; the end marker removes the members still
//   marked, one by one, each removal notified as any other.
#pragma once

#include <FhrpConf/attrlog/Adapter.h>
#include <FhrpConf/attrlog/Codec.h>
#include <FhrpConf/entity/Access.h>
#include <FhrpConf/entity/AttrTable.h>
#include <Xel/Entity.h>
#include <Xel/Exception.h>
#include <Xel/NboAttrLog.h>
#include <Xel/Ptr.h>

#include <type_traits>
#include <utility>
#include <vector>

namespace Routing::Fhrp::attrlog {

// Refuses a key or value its type's own range check refuses.
template <class T>
void checked(T const& v) {
  if constexpr (requires { v.xelCheck(); }) v.xelCheck();
}

// An entity of type T made from the key (of type K, or the name) an
// entity-creation record carries; its descriptor's newEntity.
template <class T, class K>
Xel::Ptr<Xel::Entity> entityFromLog(In& in) {
  K key{};
  read(in, &key);
  checked(key);
  return Xel::Ptr<Xel::Entity>(new T(std::move(key)));
}

namespace internal {

// A single-valued attribute whose getter is `Get`.
template <auto Get>
void readValue(Xel::StreamAdapter& base, entity::AttrInfo const& a, In& in, bool, bool apply) {
  auto& sa = static_cast<Adapter&>(base);
  using V = std::decay_t<decltype((std::declval<entity::access::ClassOf<Get> const&>().*Get)())>;
  V v{};
  bool known = true;
  if constexpr (std::is_enum_v<V>) {
    Xel::U32 const n = in.nextU32();
    sa.payloadEnd(in, a);
    try {
      v = enumInstance(&v, n);
    } catch (Xel::RangeException const&) {
      known = false;
    }
  } else {
    read(in, &v);
    sa.payloadEnd(in, a);
  }
  if (!apply) {
    sa.onAttr(a);
  } else if (!known) {
    sa.unknownEnum();
  } else {
    sa.applyValue(a, &v);
  }
}

// A collection whose map accessor is `Map`.
template <auto Map>
class CollectionRead {
  using Owner = entity::access::ClassOf<Map>;
  using M = entity::access::MapOf<Map>;
  using Key = typename M::KeyType;
  using Member = typename M::MemberType;
  static constexpr bool children = std::is_base_of_v<Xel::Entity, Member>;
  using AttrInfo = entity::AttrInfo;

  static M const& map(Adapter const& sa) {
    return (static_cast<Owner const*>(sa.object())->*Map)();
  }
  // A member's mark: its node's; a child's adapter's on the log, or, for
  // a child with none, the child's own.
  static bool marked(Adapter const& sa, Member const* m) {
    if constexpr (children) {
      Xel::StreamAdapter const* csa = sa.childLog(m);
      return csa ? csa->stateHas(Xel::StreamAdapter::childSuspendedBit) : m->xelMarkedForDeletion();
    } else {
      return m->xelMarkedForDeletion();
    }
  }

 public:
  static void read(Xel::StreamAdapter& base, AttrInfo const& a, In& in, bool removal, bool apply) {
    auto& sa = static_cast<Adapter&>(base);
    Key key{};
    attrlog::read(in, &key);
    checked(key);
    if (removal) {
      sa.payloadEnd(in, a);
      if (apply) sa.applyRemoval(a, &key);
    } else if constexpr (children) {
      Xel::EntityId const child = in.nextEntityId();
      sa.payloadEnd(in, a);
      if (apply) sa.applyChild(a, &key, child);
    } else {
      typename M::ValueType value{};
      attrlog::read(in, &value);
      sa.payloadEnd(in, a);
      if (apply) {
        sa.applyMember(a, &key, &value);
        if (Member const* m = map(sa)[key]) m->xelMarkedForDeletionIs(false);
      }
    }
    if (!apply) a.log.onMember(sa, a, &key);
  }

  static void mark(Xel::StreamAdapter& base, AttrInfo const&) {
    auto& sa = static_cast<Adapter&>(base);
    for (typename M::IteratorConst it(map(sa)); it; it.advance()) {
      if constexpr (children) {
        if (Xel::StreamAdapter* csa = sa.childLog(it.ptr())) {
          csa->stateBitsIs(Xel::StreamAdapter::childSuspendedBit, true);
        } else {
          it.ptr()->xelMarkedForDeletionIs(true);
        }
      } else {
        it.ptr()->xelMarkedForDeletionIs(true);
      }
    }
  }

  static void sweep(Xel::StreamAdapter& base, AttrInfo const& a) {
    auto& sa = static_cast<Adapter&>(base);
    // The marked members first, held, then each removed if it is still
    // the member of its key and still marked: a removal's notifiees may
    // change the collection.
    std::vector<std::pair<Key, Xel::Ptr<Member>>> doomed;
    for (typename M::IteratorConst it(map(sa)); it; it.advance()) {
      if (marked(sa, it.ptr())) doomed.emplace_back(it->xelKey(), const_cast<Member*>(it.ptr()));
    }
    for (auto const& [key, m] : doomed) {
      if (map(sa)[key] == m.ptr() && marked(sa, m.ptr())) sa.applyRemoval(a, &key);
    }
  }
};

}  // namespace internal

}  // namespace Routing::Fhrp::attrlog
