// Ptr<T>: a counted pointer to an object derived from PtrInterface.
//
// OWNERSHIP
//   A non-empty Ptr holds one reference: it takes it when set and releases it
//   when cleared, reassigned or destroyed. The object dies when the last
//   reference goes (PtrInterface::referencesDec).
//
// WARNING
//   operator-> and operator* do not test for an empty pointer; dereferencing
//   an empty Ptr is undefined, exactly as for a raw pointer.
//
// THREAD SAFETY
//   As for the objects it points to: counts are atomic only while
//   VFPtrInterface::enableThreadSafePointers is set; one Ptr object is never
//   synchronised.
#pragma once

#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

namespace Xel {

template <class T>
class Ptr {
 public:
  using element_type = T;

  constexpr Ptr() noexcept = default;
  constexpr Ptr(std::nullptr_t) noexcept {}  // NOLINT(google-explicit-constructor)
  Ptr(T* p) noexcept : p_(p) {               // NOLINT(google-explicit-constructor)
    if (p_) p_->referencesInc();
  }
  Ptr(Ptr const& o) noexcept : Ptr(o.p_) {}
  Ptr(Ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ptr(Ptr<U> const& o) noexcept : Ptr(o.ptr()) {}  // NOLINT(google-explicit-constructor)
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ptr(Ptr<U>&& o) noexcept : p_(o.releaseOwnership()) {}  // NOLINT(google-explicit-constructor)

  ~Ptr() {
    if (p_) p_->referencesDec();
  }

  Ptr& operator=(Ptr const& o) noexcept {
    // Take the new reference before releasing the old one: `o` may be owned
    // by the object this pointer is about to release.
    Ptr(o).swap(*this);
    return *this;
  }
  Ptr& operator=(Ptr&& o) noexcept {
    Ptr(std::move(o)).swap(*this);
    return *this;
  }
  Ptr& operator=(std::nullptr_t) noexcept {
    Ptr().swap(*this);
    return *this;
  }

  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  T* ptr() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  void swap(Ptr& o) noexcept { std::swap(p_, o.p_); }

  // Gives up the reference without releasing it; the caller now owns it.
  T* releaseOwnership() noexcept { return std::exchange(p_, nullptr); }

  template <class U>
  bool operator==(Ptr<U> const& o) const noexcept {
    return p_ == o.ptr();
  }
  bool operator==(std::nullptr_t) const noexcept { return p_ == nullptr; }
  bool operator==(T const* p) const noexcept { return p_ == p; }

 private:
  T* p_ = nullptr;
};

// Checked downcast sharing the reference; empty when `p` is not a T.
template <class T, class U>
Ptr<T> ptr_dynamic_cast(Ptr<U> const& p) noexcept {
  return Ptr<T>(dynamic_cast<T*>(p.ptr()));
}

template <class T, class U>
Ptr<T> ptr_static_cast(Ptr<U> const& p) noexcept {
  return Ptr<T>(static_cast<T*>(p.ptr()));
}

}  // namespace Xel

template <class T>
struct std::hash<Xel::Ptr<T>> {
  std::size_t operator()(Xel::Ptr<T> const& p) const noexcept { return std::hash<T*>()(p.ptr()); }
};
