// The flow-out of a model adapter: what one entity still owes its log.
//
// OVERVIEW
//   On top of the framework's flow-out (resume point, bookmark, saved text,
//   data bits, pending aborts) the model keeps one 32-bit word,
//   XelDirtyBitSet0, with one bit per written attribute from bit 1 in id
//   order (AttrInfo::logBit):
//
//     a single-valued attribute   dirty: a change waits to be written
//     a collection                has-synced: its full contents have been
//                                 written (clear while they are still owed)
//
//   and, per collection, a DirtyKeys set of the keys whose members must be
//   written again (the type's generated flow-out holds them). A key says
//   only "look again": whether the member is there, and with what value, is
//   read when it is written, so any number of changes to one key become one
//   record.
//
//   A flow-out made for start attribute S owes everything from S on: the
//   dirty bits of attributes at or after S are set, the has-synced bits of
//   collections before S are set (see initialBits in LogTable.h).
//
// THREAD SAFETY
//   Used by the thread that drives the adapter's log.
#pragma once

#include <FhrpConf/Export.h>
#include <FhrpConf/entity/AttrTable.h>
#include <Xel/FlowOut.h>
#include <Xel/HashMap.h>
#include <Xel/Ptr.h>
#include <Xel/Types.h>

#include <memory>

namespace Routing::Fhrp::attrlog {

class FHRPCONF_EXPORT FlowOut : public Xel::NboAttrLog::FlowOut {
 public:
  FlowOut(entity::TypeInfo const& type, Xel::AttributeId start) noexcept;
  ~FlowOut() override;

  entity::TypeInfo const& type() const noexcept { return type_; }

  Xel::U32 xelDirtyBitSet0() const noexcept { return bits_; }
  bool bit(unsigned b) const noexcept { return (bits_ >> b) & 1u; }
  void bitIs(unsigned b, bool on) noexcept {
    bits_ = on ? bits_ | Xel::U32{1} << b : bits_ & ~(Xel::U32{1} << b);
  }

  // A dirty bit set, a collection not yet synced or with keys due, or the
  // framework's own debts.
  bool hasDirtyAttributes() const override;

 private:
  entity::TypeInfo const& type_;
  Xel::U32 bits_;
};

// The keys of one collection whose members must be written again. The map
// is made when the first key comes: a flow-out that writes a full state,
// the most common kind, never holds one.
template <class Key>
class DirtyKeys {
 public:
  class Node : public Xel::HashMapValueNode<Key, bool, Node> {
   public:
    using Xel::HashMapValueNode<Key, bool, Node>::HashMapValueNode;
  };
  using Map = Xel::HashMap<Node, Key, bool>;

  bool empty() const noexcept { return members() == 0; }
  Xel::U32 members() const noexcept { return keys_ ? keys_->members() : 0; }
  bool has(Key const& key) const { return keys_ && (*keys_)[key] != nullptr; }
  // Precondition: `key` is not in the set.
  void newMember(Key const& key, bool dirty) {
    if (!keys_) keys_ = std::make_unique<Map>();
    keys_->newMember(Xel::Ptr<Node>(new Node(key, dirty)));
  }
  // Puts `key` in the set (true) or takes it out (false).
  void is(Key const& key, bool dirty) {
    if (!dirty) {
      del(key);
    } else if (!has(key)) {
      newMember(key, true);
    }
  }
  // Takes `key` out; false when it was not in.
  bool del(Key const& key) {
    Node* const node = keys_ ? (*keys_)[key] : nullptr;
    if (!node) return false;
    keys_->deleteMember(Xel::Ptr<Node>(node));
    return true;
  }
  // A walk that survives removals of the key it stands on.
  typename Map::IteratorConst iterator() const {
    return keys_ ? typename Map::IteratorConst(*keys_) : typename Map::IteratorConst();
  }

 private:
  std::unique_ptr<Map> keys_;
};

// The bookmark of a flush stopped inside a collection: a copy of the key of
// the member it resumes at. At most one is held.
template <class Key>
void xelFlowOutBookmarkEnq(Xel::NboAttrLog::FlowOut& flowOut, Xel::AttributeId collection,
                           Key const& key) {
  flowOut.bookmarkIs(std::make_unique<Xel::NboAttrLog::BookmarkOf<Key>>(key), collection);
}

// Takes the bookmark's key out, freeing the copy.
// Precondition: a bookmark of this key type is held.
template <class Key>
Key xelFlowOutBookmarkDeq(Xel::NboAttrLog::FlowOut& flowOut) {
  Key key = static_cast<Xel::NboAttrLog::BookmarkOf<Key>*>(flowOut.bookmark())->key;
  flowOut.bookmarkIs(nullptr);
  return key;
}

}  // namespace Routing::Fhrp::attrlog
