// The attribute log's part of each table row: the functions an adapter
// calls for one attribute, made from the class's own accessors.
//
// Meant for generated attribute tables: a row names
//   valueLog<&T::x>()                       a single-valued attribute or key
//   collectionLog<&T::xMap, &FlowOut::k>()  a collection, with the accessor
//                                           of its dirty-key set in the
//                                           type's flow-out
//
// A collection's handler looks the key up when it runs and writes what it
// finds: the member with its value (a child: its creation record, which
// installs the child's adapter), or its removal. A collection's flush
// writes its full contents between a start and an end marker while they
// are owed, resuming at a bookmark, then the members whose keys are due.
// Reading a row's records back is Reading.h's.
#pragma once

#include <FhrpConf/attrlog/Adapter.h>
#include <FhrpConf/attrlog/Codec.h>
#include <FhrpConf/attrlog/FlowOut.h>
#include <FhrpConf/attrlog/Reading.h>
#include <FhrpConf/entity/Access.h>
#include <FhrpConf/entity/AttrTable.h>
#include <Xel/Entity.h>
#include <Xel/NboAttrLog.h>

#include <type_traits>

namespace Routing::Fhrp::attrlog {

namespace internal {

template <auto Get>
void writeValue(OutPtr const& out, void const* object) {
  write(out, (entity::access::self<entity::access::ClassOf<Get>>(object).*Get)());
}

template <auto Map, auto Keys>
class CollectionLog {
  using Owner = entity::access::ClassOf<Map>;
  using M = entity::access::MapOf<Map>;
  using Key = typename M::KeyType;
  using Member = typename M::MemberType;
  using Flow = entity::access::ClassOf<Keys>;
  static constexpr bool children = std::is_base_of_v<Xel::Entity, Member>;
  // What a writer is given of a member that is there: its value, or the
  // child itself.
  using Held = std::conditional_t<children, Member, typename M::ValueType>;
  using AttrInfo = entity::AttrInfo;
  using Type = Xel::NboAttrLog::AttrTransactionType;

  static M const& map(Adapter const& sa) {
    return (static_cast<Owner const*>(sa.object())->*Map)();
  }
  static DirtyKeys<Key>& keys(FlowOut& fo) { return (static_cast<Flow&>(fo).*Keys)(); }

  static Held const* held(Member const* m) {
    if constexpr (children) {
      return m;
    } else {
      return m ? &m->value() : nullptr;
    }
  }

  // Writes the record of the member under `key` (null `v`: its removal);
  // false when the log blocked it.
  static bool write(Adapter& sa, AttrInfo const& a, Key const& key, Held const* v) {
    if constexpr (children) {
      return sa.writeChildMember(a, &key, const_cast<Member*>(v));
    } else {
      if (!sa.recordBegin(a, !v)) return false;
      OutPtr const& out = sa.nboAttrLogOutPtr();
      attrlog::write(out, key);
      if (v) attrlog::write(out, *v);
      out << Xel::NboAttrLog::TransactToken::payloadEnd;
      return true;
    }
  }

  // The member writer: the member under `key` now, or queued.
  static void writeMember(Adapter& sa, AttrInfo const& a, Key const& key, Held const* v) {
    sa.handleChange(
        a,
        [&] {
          if (!write(sa, a, key, v)) return false;
          if (FlowOut* fo = sa.logFlowOut()) keys(*fo).del(key);
          return true;
        },
        [&] {
          if (FlowOut* fo = sa.deferTo(a)) keys(*fo).is(key, true);
        },
        [&] {
          if (FlowOut* fo = sa.logFlowOut()) keys(*fo).del(key);
        });
  }

 public:
  static void onMember(Xel::StreamAdapter& base, AttrInfo const& a, void const* key) {
    auto& sa = static_cast<Adapter&>(base);
    Key const& k = *static_cast<Key const*>(key);
    writeMember(sa, a, k, held(map(sa)[k]));
  }

  static void writeMemberOf(Xel::StreamAdapter& base, AttrInfo const& a, void const* key,
                            void const* value, bool removed) {
    writeMember(static_cast<Adapter&>(base), a, *static_cast<Key const*>(key),
                removed ? nullptr : static_cast<Held const*>(value));
  }

  static bool flush(Xel::StreamAdapter& base, AttrInfo const& a) {
    auto& sa = static_cast<Adapter&>(base);
    Adapter::Gate const g = sa.gate(a);
    if (g == Adapter::Gate::refused) return false;
    Adapter::ActiveClear const clear(sa);
    if (g == Adapter::Gate::idle) return true;
    Xel::Ptr<FlowOut> const fo(sa.logFlowOut());
    if (!fo) return true;
    if (!fo->bit(a.logBit)) {
      // Another collection's contents are half written: this one's wait for
      // a later pass (a flow-out holds one bookmark).
      if (fo->bookmark() && fo->bookmarkAttr() != a.id) return true;
      // The full contents are owed: from the start, from the bookmark, or
      // only the end marker.
      typename M::IteratorConst it;
      if (!fo->bookmark()) {
        if (!sa.sendTransactionMarker(a.id, Type::start, 0)) return false;
        it = typename M::IteratorConst(map(sa));
      } else if (!fo->bookmark()->pastEnd()) {
        it = typename M::IteratorConst(map(sa), xelFlowOutBookmarkDeq<Key>(*fo));
      } else {
        fo->bookmarkIs(nullptr);
      }
      while (it) {
        Key const key = it->xelKey();
        if (!write(sa, a, key, held(it.ptr()))) {
          xelFlowOutBookmarkEnq(*fo, a.id, key);
          return false;
        }
        keys(*fo).del(key);
        it.advance();
        if (it && !sa.continueFlowOut()) {
          xelFlowOutBookmarkEnq(*fo, a.id, Key(it->xelKey()));
          return false;
        }
      }
      if (!sa.sendTransactionMarker(a.id, Type::end, 0)) {
        fo->bookmarkIs(std::make_unique<Xel::NboAttrLog::Bookmark>(), a.id);
        return false;
      }
      fo->bitIs(a.logBit, true);
    }
    if (fo->attrId() != a.id) return true;
    // The members changed since, each written as it stands now; like the
    // contents, a key at a time, the budget asked after each.
    DirtyKeys<Key>& due = keys(*fo);
    for (auto it = due.iterator(); it;) {
      Key const key = it->xelKey();
      if (!write(sa, a, key, held(map(sa)[key]))) return false;
      it.advance();
      due.del(key);
      if (it && !sa.continueFlowOut()) return false;
    }
    return true;
  }

  static bool keysDue(Xel::NboAttrLog::FlowOut const& fo) {
    return !keys(const_cast<Flow&>(static_cast<Flow const&>(fo))).empty();
  }
};

}  // namespace internal

// A single-valued attribute or a key: `Get` is its getter.
template <auto Get>
constexpr entity::LogAccess valueLog() {
  entity::LogAccess l;
  l.writeValue = &internal::writeValue<Get>;
  l.read = &internal::readValue<Get>;
  return l;
}

// A collection: `Map` the accessor of its map, `Keys` that of its
// dirty-key set in the type's flow-out.
template <auto Map, auto Keys>
constexpr entity::LogAccess collectionLog() {
  using C = internal::CollectionLog<Map, Keys>;
  entity::LogAccess l;
  l.onMember = &C::onMember;
  l.writeMember = &C::writeMemberOf;
  l.flush = &C::flush;
  l.keysDue = &C::keysDue;
  using R = internal::CollectionRead<Map>;
  l.read = &R::read;
  l.mark = &R::mark;
  l.sweep = &R::sweep;
  return l;
}

}  // namespace Routing::Fhrp::attrlog
