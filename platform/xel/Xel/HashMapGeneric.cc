#include "Xel/HashMapGeneric.h"

#include <bit>

namespace Xel {

HashMapGeneric::HashMapGeneric(unsigned int initialSize, HashMapVTableGeneric const* table,
                               U16 linkOffset)
    : table_(table),
      initialLog2_(static_cast<U8>(std::bit_width(initialSize > 1 ? initialSize - 1 : 1u))),
      linkOffset_(linkOffset) {}

HashMapGeneric::~HashMapGeneric() {
  emptyAllBuckets();
  delete[] buckets_;
}

void HashMapGeneric::setHead(U32 bucket, PtrInterface* head) noexcept {
  PtrInterface* const old = buckets_[bucket];
  if (old == head) return;
  if (head) head->referencesInc();
  buckets_[bucket] = head;
  if (old) old->referencesDec();
}

bool HashMapGeneric::after(PtrInterface const* member, U32 hash, void const* key,
                           PtrInterface const* keyMember) const {
  U32 const h = table_->hash(member);
  if (h != hash) return h > hash;
  // Equal hashes: order by key, `key < member's key`.
  return table_->keyLessThan(key, member, keyMember);
}

void HashMapGeneric::newMemberG(Ptr<PtrInterface> const& member, void const* key) {
  newMemberG(member.ptr(), key, table_->hash(member.ptr()));
}

void HashMapGeneric::newMemberG(PtrInterface* member, void const* key, U32 h) {
  if (!buckets_) {
    log2Buckets_ = initialLog2_;
    buckets_ = new PtrInterface*[buckets()]();
  } else if (members_ >= buckets()) {
    grow();
  }
  U32 const bucket = bucketOf(h);
  PtrInterface* prev = nullptr;
  PtrInterface* cur = buckets_[bucket];
  while (cur && !after(cur, h, key, nullptr)) {
    prev = cur;
    cur = next(cur);
  }
  table_->setNext(member, cur);
  if (prev) {
    table_->setNext(prev, member);
  } else {
    setHead(bucket, member);
  }
  ++members_;
  ++modifications_;
}

bool HashMapGeneric::deleteMember(Ptr<PtrInterface> const& member) {
  return buckets_ && deleteMember(member.ptr(), table_->hash(member.ptr()));
}

bool HashMapGeneric::deleteMember(PtrInterface* member, U32 h) {
  if (!buckets_) return false;
  U32 const bucket = bucketOf(h);
  PtrInterface* prev = nullptr;
  for (PtrInterface* cur = buckets_[bucket]; cur; prev = cur, cur = next(cur)) {
    if (cur != member) continue;
    // The caller's reference keeps the member alive while its links are
    // rewritten.
    PtrInterface* const following = next(cur);
    if (prev) {
      table_->setNext(prev, following);
    } else {
      setHead(bucket, following);
    }
    table_->setNext(cur, nullptr);
    --members_;
    ++modifications_;
    return true;
  }
  return false;
}

PtrInterface* HashMapGeneric::findNextG(PtrInterface const* member, int* bucket) const {
  if (!member) {
    *bucket = -1;
    return findNextBucket(bucket);
  }
  if (!buckets_) {
    *bucket = -1;
    return nullptr;
  }
  U32 const h = table_->hash(member);
  U32 const b = bucketOf(h);
  for (PtrInterface* cur = buckets_[b]; cur; cur = next(cur)) {
    if (cur != member && after(cur, h, nullptr, member)) {
      *bucket = static_cast<int>(b);
      return cur;
    }
  }
  *bucket = static_cast<int>(b);
  return findNextBucket(bucket);
}

PtrInterface* HashMapGeneric::startAtHash(U32 reversedHash, int* bucket) const {
  if (!buckets_) {
    *bucket = -1;
    return nullptr;
  }
  U32 const b = bucketOf(reversedHash);
  for (PtrInterface* cur = buckets_[b]; cur; cur = next(cur)) {
    if (table_->hash(cur) >= reversedHash) {
      *bucket = static_cast<int>(b);
      return cur;
    }
  }
  *bucket = static_cast<int>(b);
  return findNextBucket(bucket);
}

void HashMapGeneric::emptyAllBuckets() {
  if (!buckets_ || members_ == 0) return;
  U32 const n = buckets();
  for (U32 b = 0; b < n; ++b) {
    // Detach the chain from the table first, then cut it link by link, so
    // that no member's release runs down a long chain recursively.
    PtrInterface* cur = buckets_[b];
    buckets_[b] = nullptr;
    while (cur) {
      PtrInterface* const following = next(cur);
      if (following) following->referencesInc();
      table_->setNext(cur, nullptr);
      cur->referencesDec();
      cur = following;
    }
  }
  members_ = 0;
  ++modifications_;
}

void HashMapGeneric::grow() {
  U32 const oldCount = buckets();
  PtrInterface** const old = buckets_;
  ++log2Buckets_;
  buckets_ = new PtrInterface*[buckets()]();
  for (U32 b = 0; b < oldCount; ++b) {
    PtrInterface* const head = old[b];
    if (!head) continue;
    // The chain is sorted by reversed hash: its members bound for bucket
    // 2b come first, those for 2b + 1 after them. Only the cut changes.
    buckets_[2 * b] = nullptr;
    PtrInterface* last = nullptr;
    PtrInterface* cur = head;
    while (cur && bucketOf(table_->hash(cur)) == 2 * b) {
      last = cur;
      cur = next(cur);
    }
    if (last) buckets_[2 * b] = head;  // the old array's reference moves over
    if (cur) {
      cur->referencesInc();
      buckets_[2 * b + 1] = cur;
      if (last) {
        table_->setNext(last, nullptr);
      } else {
        head->referencesDec();  // the whole chain moved to 2b + 1
      }
    }
  }
  delete[] old;
}

}  // namespace Xel
