#include "Xel/String8.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

#include "Xel/Hash.h"
#include "Xel/RefCount.h"

namespace Xel {

String8::Rep* String8::allocate(std::size_t n) {
  // One block for header and characters: a string costs one allocation.
  void* block = ::operator new(offsetof(Rep, chars) + n + 1);
  Rep* rep = static_cast<Rep*>(block);
  rep->references = 1;
  rep->size = static_cast<U32>(n);
  rep->chars[n] = '\0';
  return rep;
}

void String8::sealed(Rep* rep) noexcept {
  rep->hash = hashBytes(rep->chars, rep->size);
}

String8::String8(char const* s) : String8(s, s ? std::strlen(s) : 0) {}

String8::String8(char const* s, std::size_t n) {
  if (n == 0) return;
  rep_ = allocate(n);
  std::memcpy(rep_->chars, s, n);
  sealed(rep_);
}

String8& String8::operator=(String8 const& o) noexcept {
  // `o` may be this very string: take its block before releasing ours.
  Rep* const incoming = o.rep_;
  if (incoming) refcount::add(incoming->references, 1);
  release();
  rep_ = incoming;
  return *this;
}

String8& String8::operator=(String8&& o) noexcept {
  if (this != &o) {
    release();
    rep_ = o.rep_;
    o.rep_ = nullptr;
  }
  return *this;
}

void String8::freeRep(Rep* rep) noexcept {
  ::operator delete(rep);
}

U32 String8::dataReferences() const noexcept {
  return rep_ ? refcount::load(rep_->references) : 0;
}

String8& String8::operator+=(String8 const& o) {
  if (o.empty()) return *this;
  if (empty()) return *this = o;
  return *this = *this + o;
}

String8 operator+(String8 const& a, String8 const& b) {
  if (b.empty()) return a;
  if (a.empty()) return b;
  String8 r;
  r.rep_ = String8::allocate(a.size() + b.size());
  std::memcpy(r.rep_->chars, a.data(), a.size());
  std::memcpy(r.rep_->chars + a.size(), b.data(), b.size());
  String8::sealed(r.rep_);
  return r;
}

std::ostream& operator<<(std::ostream& os, String8 const& s) {
  return os << s.view();
}

}  // namespace Xel
