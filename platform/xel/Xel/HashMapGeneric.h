// HashMapGeneric: the untyped core of the framework's keyed collections.
//
// OVERVIEW
//   A chained hash table of counted members. Members carry their own link
//   to the next member of their bucket (a counted pointer at a fixed byte
//   offset inside the member), so an entity stored in a collection needs no
//   node of its own. What a member's key is, how it hashes and compares,
//   and how its link is written come from the collection type's table,
//   HashMapVTableGeneric, shared by every map of that type. The typed
//   HashMap<Member, Key, Value> (Xel/HashMap.h) is what code uses; this
//   class is the part that does not depend on the types.
//
// OWNERSHIP
//   The map holds one counted reference to each member, through the bucket
//   array (for a chain's head) or the previous member's link.
//
// ITERATION AND INVALIDATION
//   Every insertion and removal raises modifications(). Iterators (see
//   Xel/HashMap.h) compare it with the count they last saw and, when it
//   moved, find their place again with findNextG(), which works even for a
//   member that has been removed since: a walk never derails.
//
// THREAD SAFETY
//   None: a map belongs to the thread that uses its owner.
//
// IMPLEMENTATION DETAILS
//   struct HashMapGeneric {
//     U32 modifications;                 // first word, read by iterators
//     HashMapVTableGeneric const* table; // the collection type's operations
//     U8  log2Buckets;                   // 0 until the first insertion
//     U16 linkOffset;                    // where a member keeps its link
//     U32 members;
//     PtrInterface** buckets;            // heads of the chains
//   };
//
//   Keys are placed by their hash read backwards (bit 0 becomes bit 31):
//   the bucket of a member is the top log2Buckets bits of its reversed
//   hash, and each chain is sorted by the full reversed hash, ties broken
//   by the key type's `<`. So the whole map is ordered by (reversed hash,
//   key), bucket after bucket, and:
//     - doubling the table splits every chain into a front half that stays
//       in bucket 2i and a back half that moves to 2i+1, both still sorted:
//       growth moves no member past another and rewrites one link per
//       chain;
//     - the member that follows any key in map order is found from the key
//       alone (its bucket, then the first larger entry), which is what lets
//       an iterator resume after its current member was removed.
//   The table doubles when the members outnumber the buckets, so a lookup
//   walks one chain of about one member. Empty maps own no bucket array:
//   a tree with millions of entities and empty collections pays nothing.
#pragma once

#include "Xel/Export.h"
#include "Xel/PtrInterface.h"
#include "Xel/Types.h"

namespace Xel {

// Bit 0 becomes bit 31, bit 1 bit 30, and so on.
constexpr U32 bitReverse(U32 v) noexcept {
  v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
  v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
  v = ((v >> 4) & 0x0f0f0f0fu) | ((v & 0x0f0f0f0fu) << 4);
  v = ((v >> 8) & 0x00ff00ffu) | ((v & 0x00ff00ffu) << 8);
  return (v >> 16) | (v << 16);
}

// The operations of one collection type, on members seen as PtrInterface.
class XEL_EXPORT HashMapVTableGeneric {
 public:
  // The bit-reversed hash of the member's key.
  virtual U32 hash(PtrInterface const* member) const = 0;
  // Whether `key` (of the collection's key type) equals the member's key.
  virtual bool keyEquals(void const* key, PtrInterface const* member) const = 0;
  // With `b`: whether b's key is less than a's. Without: whether `key` is
  // less than a's. True when neither is given.
  virtual bool keyLessThan(void const* key, PtrInterface const* a, PtrInterface const* b) const = 0;
  // Sets the member's link to `next` as a counted reference.
  virtual void setNext(PtrInterface* member, PtrInterface* next) const = 0;

 protected:
  ~HashMapVTableGeneric() = default;
};

class XEL_EXPORT HashMapGeneric {
 public:
  // `initialSize`: the bucket count the first insertion allocates (rounded
  // up to a power of two). `linkOffset`: the byte offset of the link inside
  // a member.
  HashMapGeneric(unsigned int initialSize, HashMapVTableGeneric const* table, U16 linkOffset);
  HashMapGeneric(HashMapGeneric const&) = delete;
  HashMapGeneric& operator=(HashMapGeneric const&) = delete;
  // Drops every member (emptyAllBuckets) and frees the bucket array.
  ~HashMapGeneric();

  U32 modifications() const noexcept { return modifications_; }
  U32 members() const noexcept { return members_; }
  U32 buckets() const noexcept { return log2Buckets_ ? 1u << log2Buckets_ : 0u; }
  HashMapVTableGeneric const* table() const noexcept { return table_; }

  // The bucket a reversed hash falls in.
  U32 bucketOf(U32 reversedHash) const noexcept {
    return log2Buckets_ ? reversedHash >> (32 - log2Buckets_) : 0;
  }
  PtrInterface* bucketHead(U32 bucket) const noexcept {
    return buckets_ ? buckets_[bucket] : nullptr;
  }
  // The member after `member` in its chain.
  PtrInterface* next(PtrInterface const* member) const noexcept {
    return *reinterpret_cast<PtrInterface* const*>(reinterpret_cast<char const*>(member) +
                                                   linkOffset_);
  }

  // Inserts `member` under `key` (the member's own key) in map order.
  // Precondition: no member with an equal key is present.
  void newMemberG(Ptr<PtrInterface> const& member, void const* key);
  // The same, for a caller that holds the member and has just computed the
  // key's reversed hash for its lookup: no second hash, no extra reference.
  void newMemberG(PtrInterface* member, void const* key, U32 reversedHash);
  // Unlinks `member` and releases the map's reference to it; clears its
  // link. Returns whether it was a member.
  bool deleteMember(Ptr<PtrInterface> const& member);
  // The same with the member's reversed hash known. The caller must hold a
  // reference to `member`: the map's may be the last other one.
  bool deleteMember(PtrInterface* member, U32 reversedHash);
  // The member that follows `member` in map order (the first member when
  // `member` is null), whether or not `member` is still in the map; its
  // bucket goes to *bucket (-1 at the end).
  PtrInterface* findNextG(PtrInterface const* member, int* bucket) const;
  // The head of the first non-empty bucket after *bucket, updating it; null
  // and -1 at the end.
  // Inline: a walk calls it at the end of almost every chain.
  PtrInterface* findNextBucket(int* bucket) const noexcept {
    U32 const n = buckets();
    for (U32 b = static_cast<U32>(*bucket + 1); b < n; ++b) {
      if (buckets_[b]) {
        *bucket = static_cast<int>(b);
        return buckets_[b];
      }
    }
    *bucket = -1;
    return nullptr;
  }
  // The first member whose reversed hash is at least `reversedHash`, its
  // bucket in *bucket; null and -1 when there is none.
  PtrInterface* startAtHash(U32 reversedHash, int* bucket) const;
  // Drops every member without telling anyone.
  void emptyAllBuckets();

 private:
  // Whether the entry (h, member) comes after (hash, key or keyMember).
  bool after(PtrInterface const* member, U32 hash, void const* key,
             PtrInterface const* keyMember) const;
  void grow();
  void setHead(U32 bucket, PtrInterface* head) noexcept;

  U32 modifications_ = 0;
  HashMapVTableGeneric const* table_;
  U8 log2Buckets_ = 0;
  U8 initialLog2_;
  U16 linkOffset_;
  U32 members_ = 0;
  PtrInterface** buckets_ = nullptr;
};

}  // namespace Xel
