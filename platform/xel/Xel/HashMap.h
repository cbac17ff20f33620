// HashMap<Member, Key, Value>: a keyed collection of counted members.
//
// OVERVIEW
//   The typed face of HashMapGeneric (see there for the layout, the order of
//   members and the growth policy). A member is either a value node, a
//   small counted object holding a key and a value (HashMapValueNode), or
//   an entity that carries its own key and link. A Member type offers:
//     Key const& xelKey() const;          its key
//     void xelNextIs(Member* next);       set its link (a counted pointer)
//     static U16 xelLinkOffset();         where that link sits in it
//   The key type offers == and <, and a hash through HashMapKey<Key>
//   (by default its hash() member).
//
// TYPICAL USAGE
//   struct Addr : Xel::HashMapValueNode<Pelno::IpAddr, bool, Addr> {
//     using HashMapValueNode::HashMapValueNode;
//   };
//   Xel::HashMap<Addr, Pelno::IpAddr, bool> addrs;
//   addrs.newMember(new Addr(a, true));
//   if (Addr* node = addrs[a]) use(node->value());
//   for (auto it = addrs.iterator(); it; it.advance()) visit(it->xelKey());
//
// OWNERSHIP
//   The map holds one reference per member; an iterator holds one to its
//   current member, which therefore outlives its removal.
//
// ITERATION AND INVALIDATION
//   Iterators stay valid across any change to the map: a step after a
//   change finds the member that follows the current one in map order,
//   even when the current one has been removed. Members inserted during a
//   walk are visited if they fall after the current member in map order.
//
// THREAD SAFETY
//   None: a map belongs to the thread that uses its owner.
#pragma once

#include <cstddef>
#include <iterator>
#include <type_traits>
#include <utility>

#include "Xel/HashMapGeneric.h"
#include "Xel/Ptr.h"

namespace Xel {

// How a key type hashes; specialise for keys whose hash is not a member.
template <class Key>
struct HashMapKey {
  static U32 hash(Key const& key) noexcept { return key.hash(); }
};

template <class Member, class Key>
class HashMapVTable final : public HashMapVTableGeneric {
 public:
  static Member const* member(PtrInterface const* m) noexcept {
    return static_cast<Member const*>(m);
  }
  U32 hash(PtrInterface const* m) const override {
    return bitReverse(HashMapKey<Key>::hash(member(m)->xelKey()));
  }
  bool keyEquals(void const* key, PtrInterface const* m) const override {
    return *static_cast<Key const*>(key) == member(m)->xelKey();
  }
  bool keyLessThan(void const* key, PtrInterface const* a, PtrInterface const* b) const override {
    if (b) return member(b)->xelKey() < member(a)->xelKey();
    if (key) return *static_cast<Key const*>(key) < member(a)->xelKey();
    return true;
  }
  void setNext(PtrInterface* m, PtrInterface* next) const override {
    static_cast<Member*>(m)->xelNextIs(static_cast<Member*>(next));
  }
};

// The member of a value collection: a key, a value and the link, in that
// order after the reference word.
template <class Key, class Value, class Self>
class HashMapValueNode : public PtrInterface {
 public:
  HashMapValueNode(Key key, Value value) : key_(std::move(key)), value_(std::move(value)) {}

  Key const& xelKey() const noexcept { return key_; }
  Value const& value() const noexcept { return value_; }
  void valueIs(Value value) { value_ = std::move(value); }

  Self* xelNext() const noexcept { return next_.ptr(); }
  void xelNextIs(Self* next) noexcept {
    if (next_.ptr() != next) next_ = next;
  }
  static U16 xelLinkOffset() noexcept {
    static_assert(std::is_base_of_v<HashMapValueNode, Self>);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
    return static_cast<U16>(offsetof(HashMapValueNode, next_));
#pragma GCC diagnostic pop
  }

 private:
  Key key_;
  Value value_;
  Ptr<Self> next_;
};

template <class Member, class Key, class Value>
class HashMap : public HashMapGeneric {
 public:
  using MemberType = Member;
  using KeyType = Key;
  using ValueType = Value;

  // A position in the map, tolerant of changes between steps.
  class IteratorConst {
   public:
    IteratorConst() noexcept = default;
    // At the first member.
    explicit IteratorConst(HashMap const& map) : modifications_(map.modifications()), map_(&map) {
      current_ = static_cast<Member*>(map.findNextBucket(&bucket_));
    }
    // At the first member whose place in map order is at or after `key`'s.
    IteratorConst(HashMap const& map, Key const& key)
        : modifications_(map.modifications()), map_(&map) {
      current_ =
          static_cast<Member*>(map.startAtHash(bitReverse(HashMapKey<Key>::hash(key)), &bucket_));
    }

    Member* ptr() const noexcept { return current_.ptr(); }
    Member* operator->() const noexcept { return current_.ptr(); }
    Member& operator*() const noexcept { return *current_; }
    explicit operator bool() const noexcept { return static_cast<bool>(current_); }
    int bucket() const noexcept { return bucket_; }

    void advance() {
      if (!current_) return;
      PtrInterface* following;
      if (modifications_ == map_->modifications()) {
        following = map_->next(current_.ptr());
        if (!following) following = map_->findNextBucket(&bucket_);
      } else {
        following = map_->findNextG(current_.ptr(), &bucket_);
        modifications_ = map_->modifications();
      }
      current_ = static_cast<Member*>(following);
    }
    IteratorConst& operator++() {
      advance();
      return *this;
    }
    // Range-for support: the walk ends when there is no current member.
    bool operator==(std::default_sentinel_t) const noexcept { return !current_; }

   private:
    U32 modifications_ = 0;
    int bucket_ = -1;
    HashMap const* map_ = nullptr;
    Ptr<Member> current_;
  };

  // The iterator the deleting operations take.
  class Iterator : public IteratorConst {
   public:
    using IteratorConst::IteratorConst;
  };

  explicit HashMap(unsigned int initialSize = 4)
      : HashMapGeneric(initialSize, xelVTable(), Member::xelLinkOffset()) {}

  // The collection type's table: made on first use, shared, never freed.
  static HashMapVTable<Member, Key> const* xelVTable() {
    static HashMapVTable<Member, Key> const* const xelVTable_ = new HashMapVTable<Member, Key>();
    return xelVTable_;
  }

  // The member with key `key`, or null: one hash, one chain.
  Member* operator[](Key const& key) const {
    if (members() == 0) return nullptr;
    U32 const bucket = bucketOf(bitReverse(HashMapKey<Key>::hash(key)));
    for (PtrInterface* cur = bucketHead(bucket); cur; cur = next(cur)) {
      Member* const m = static_cast<Member*>(cur);
      if (m->xelKey() == key) return m;
    }
    return nullptr;
  }

  // Precondition: no member with the same key is present.
  void newMember(Ptr<Member> const& member) {
    Key const& key = member->xelKey();
    newMemberG(member.ptr(), &key, bitReverse(HashMapKey<Key>::hash(key)));
  }
  // Takes the member as a counted pointer: it must outlive its removal.
  bool deleteMember(Ptr<Member> const& member) {
    return HashMapGeneric::deleteMember(member.ptr(),
                                        bitReverse(HashMapKey<Key>::hash(member->xelKey())));
  }

  IteratorConst iterator() const { return IteratorConst(*this); }
  IteratorConst begin() const { return IteratorConst(*this); }
  std::default_sentinel_t end() const noexcept { return {}; }
};

}  // namespace Xel
