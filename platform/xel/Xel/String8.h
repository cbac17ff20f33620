// String8: immutable text with shared, reference-counted character data.
//
// OVERVIEW
//   Copying a String8 shares its characters: it takes one reference on a
//   heap block and copies no bytes. Strings compare, order and hash by their
//   characters, never by identity. The empty string owns no block and
//   allocates nothing.
//
// OWNERSHIP
//   The character block lives as long as the last String8 that shares it.
//   data() is valid, and NUL-terminated, for as long as the string it came
//   from is alive and unassigned.
//
// THREAD SAFETY
//   A String8 value is not synchronised; distinct String8 objects sharing one
//   block may be copied and destroyed on different threads once
//   VFPtrInterface::enableThreadSafePointers is set.
//
// TYPICAL USAGE
//   Xel::String8 a("eth1");
//   Xel::String8 b = a;            // shares a's characters
//   assert(a == b && a.hash() == b.hash());
//   for (auto pos = a.begin(); pos != a.end(); ++pos) consume(*pos);
#pragma once

#include <compare>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

#include "Xel/Export.h"
#include "Xel/Hash.h"
#include "Xel/RefCount.h"
#include "Xel/Types.h"

namespace Xel {

class XEL_EXPORT String8 {
 public:
  // A read position in a string's characters. It remembers where the text
  // starts so that parsers can report the column of an error.
  class IteratorConst {
   public:
    IteratorConst() noexcept = default;
    IteratorConst(char const* start, char const* pos) noexcept : start_(start), pos_(pos) {}

    char operator*() const noexcept { return *pos_; }
    IteratorConst& operator++() noexcept {
      ++pos_;
      return *this;
    }
    IteratorConst operator++(int) noexcept {
      IteratorConst before = *this;
      ++pos_;
      return before;
    }
    IteratorConst& operator+=(std::ptrdiff_t n) noexcept {
      pos_ += n;
      return *this;
    }
    friend std::ptrdiff_t operator-(IteratorConst const& a, IteratorConst const& b) noexcept {
      return a.pos_ - b.pos_;
    }
    bool operator==(IteratorConst const& o) const noexcept { return pos_ == o.pos_; }

    // Offset from the start of the text, counted from 0.
    long long column() const noexcept { return pos_ - start_; }
    char const* ptr() const noexcept { return pos_; }

   private:
    char const* start_ = nullptr;
    char const* pos_ = nullptr;
  };

  String8() noexcept = default;
  // A null pointer gives the empty string.
  String8(char const* s);  // NOLINT(google-explicit-constructor): text literals are strings
  String8(char const* s, std::size_t n);
  explicit String8(std::string_view s) : String8(s.data(), s.size()) {}
  explicit String8(std::string const& s) : String8(s.data(), s.size()) {}

  // Copies share the characters: a count changes, nothing is allocated.
  // Inline, since keys and attributes are passed and stored by value.
  String8(String8 const& o) noexcept : rep_(o.rep_) {
    if (rep_) refcount::add(rep_->references, 1);
  }
  String8(String8&& o) noexcept : rep_(o.rep_) { o.rep_ = nullptr; }
  String8& operator=(String8 const& o) noexcept;
  String8& operator=(String8&& o) noexcept;
  ~String8() { release(); }

  std::size_t size() const noexcept { return rep_ ? rep_->size : 0; }
  bool empty() const noexcept { return rep_ == nullptr; }
  // Never null; always NUL-terminated.
  char const* data() const noexcept { return rep_ ? rep_->chars : ""; }
  char const* c_str() const noexcept { return data(); }
  std::string_view view() const noexcept { return {data(), size()}; }
  std::string stdString() const { return std::string(view()); }

  IteratorConst begin() const noexcept { return {data(), data()}; }
  IteratorConst end() const noexcept { return {data(), data() + size()}; }

  // 32-bit FNV-1a over the characters: equal strings hash alike. Computed
  // once, when the characters are written, and kept with them: strings key
  // collections, whose every probe and growth asks for it.
  U32 hash() const noexcept { return rep_ ? rep_->hash : hashSeed; }

  // Whether both strings share one character block (a copy does; two strings
  // built separately from equal text do not).
  bool sharesDataWith(String8 const& o) const noexcept { return rep_ && rep_ == o.rep_; }
  // How many strings share this one's characters (0 for the empty string).
  U32 dataReferences() const noexcept;

  friend bool operator==(String8 const& a, String8 const& b) noexcept {
    return a.rep_ == b.rep_ || (a.hash() == b.hash() && a.view() == b.view());
  }
  friend std::strong_ordering operator<=>(String8 const& a, String8 const& b) noexcept {
    return a.view() <=> b.view();
  }
  friend bool operator==(String8 const& a, char const* b) noexcept {
    return a.view() == std::string_view(b ? b : "");
  }

  String8& operator+=(String8 const& o);
  friend XEL_EXPORT String8 operator+(String8 const& a, String8 const& b);

 private:
  struct Rep {
    U32 references;
    U32 size;
    U32 hash;
    char chars[1];
  };
  // A block for n characters; the caller writes them, then calls sealed().
  static Rep* allocate(std::size_t n);
  static void sealed(Rep* rep) noexcept;
  void release() noexcept {
    if (rep_ && refcount::sub(rep_->references, 1) == 0) freeRep(rep_);
    rep_ = nullptr;
  }
  static void freeRep(Rep* rep) noexcept;

  Rep* rep_ = nullptr;
};

XEL_EXPORT std::ostream& operator<<(std::ostream& os, String8 const& s);

// The key type of name-keyed entities: a String8 with a type of its own, so
// that a name and an arbitrary text attribute cannot be mixed up by overloads.
class XEL_EXPORT Name : public String8 {
 public:
  Name() noexcept = default;
  Name(char const* s) : String8(s) {}  // NOLINT(google-explicit-constructor)
  Name(String8 s) noexcept : String8(static_cast<String8&&>(s)) {}  // NOLINT
};

}  // namespace Xel

template <>
struct std::hash<Xel::String8> {
  std::size_t operator()(Xel::String8 const& s) const noexcept { return s.hash(); }
};
