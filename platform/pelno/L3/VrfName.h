// VrfName: the name of a VRF, a byte string of at most 100 bytes.
//
// The empty name, which a default-constructed VrfName holds, is a name like
// any other; it is for the model to give it a meaning. Names compare, order
// and hash by their bytes.
#pragma once

#include <compare>
#include <cstddef>
#include <iosfwd>

#include "Pelno/Export.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace L3 {

class PELNO_EXPORT VrfName {
 public:
  static constexpr std::size_t maxBytes = 100;

  VrfName() noexcept = default;
  // A name of more than maxBytes bytes raises Xel::RangeException.
  explicit VrfName(Xel::String8 name);
  // The bytes of s up to its terminating zero; a null pointer gives the
  // empty name. More than maxBytes bytes raise Xel::RangeException with
  // "VrfName::bytes > 100 not allowed". Defined by libFhrpConf, which owns
  // this check: code that links only this library builds names from a
  // String8.
  explicit VrfName(char const* s);

  Xel::String8 const& str() const noexcept { return name_; }
  Xel::U32 hash() const noexcept { return name_.hash(); }

  friend bool operator==(VrfName const& a, VrfName const& b) noexcept { return a.name_ == b.name_; }
  friend std::strong_ordering operator<=>(VrfName const& a, VrfName const& b) noexcept {
    return a.name_ <=> b.name_;
  }

 private:
  Xel::String8 name_;
};

// The name in quotes, as Xel::valueToStrep writes text: 'red'.
PELNO_EXPORT Xel::String8 valueToStrep(VrfName const& v);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, VrfName const& v);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, VrfName* out);

}  // namespace L3
