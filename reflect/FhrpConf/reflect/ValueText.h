// The text of one field of a value type, as the value's text form writes
// it: a number in decimal, anything else in its type's own text form.
//
// Meant for generated value types; their readers take each field back
// through Xel::deserializeAttr.
#pragma once

#include <Xel/String8.h>
#include <Xel/Text.h>
#include <Xel/Types.h>

namespace Routing::Fhrp::reflect {

inline Xel::String8 fieldText(Xel::U32 n) {
  return Xel::valueToStrep(static_cast<unsigned long long>(n));
}

template <class T>
Xel::String8 fieldText(T const& v) {
  return valueToStrep(v);
}

}  // namespace Routing::Fhrp::reflect
