// ListRaw<T>: an intrusive, singly linked list of raw pointers.
//
// OVERVIEW
//   The chain runs through each member's own link (T::next() / T::nextIs()),
//   so joining or leaving allocates nothing. The list owns nothing: it holds
//   no references and never frees a member.
//
// INVALIDATION
//   Every change raises modifications() by 1. Code that walks the chain
//   while calling out (notification delivery) must not keep raw positions
//   across a change; it takes a snapshot instead.
//
// THREAD SAFETY
//   None: a list belongs to the thread that uses its owner.
#pragma once

#include "Xel/Types.h"

namespace Xel {

template <class T>
class ListRaw {
 public:
  ListRaw() noexcept = default;
  ListRaw(ListRaw const&) = delete;
  ListRaw& operator=(ListRaw const&) = delete;

  T* head() const noexcept { return head_; }
  T* tail() const noexcept { return tail_; }
  U32 members() const noexcept { return members_; }
  U32 modifications() const noexcept { return modifications_; }
  bool empty() const noexcept { return members_ == 0; }

  // Precondition: `m` is in no list.
  void pushFront(T* m) noexcept {
    m->nextIs(head_);
    head_ = m;
    if (!tail_) tail_ = m;
    joined();
  }

  // Precondition: `m` is in no list.
  void pushBack(T* m) noexcept {
    m->nextIs(nullptr);
    if (tail_) {
      tail_->nextIs(m);
    } else {
      head_ = m;
    }
    tail_ = m;
    joined();
  }

  // Unlinks `m` if it is a member (a walk from the head); returns whether it was.
  bool remove(T* m) noexcept {
    T* prev = nullptr;
    for (T* cur = head_; cur; prev = cur, cur = cur->next()) {
      if (cur != m) continue;
      if (prev) {
        prev->nextIs(cur->next());
      } else {
        head_ = cur->next();
      }
      if (tail_ == cur) tail_ = prev;
      cur->nextIs(nullptr);
      ++modifications_;
      --members_;
      return true;
    }
    return false;
  }

  // Unlinks every member, clearing each one's link.
  void unlinkAll() noexcept {
    for (T* cur = head_; cur;) {
      T* next = cur->next();
      cur->nextIs(nullptr);
      cur = next;
    }
    head_ = tail_ = nullptr;
    members_ = 0;
    ++modifications_;
  }

 private:
  void joined() noexcept {
    ++modifications_;
    ++members_;
  }

  U32 modifications_ = 0;
  U32 members_ = 0;
  T* head_ = nullptr;
  T* tail_ = nullptr;
};

}  // namespace Xel
