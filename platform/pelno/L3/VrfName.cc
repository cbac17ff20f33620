#include "L3/VrfName.h"

#include <ostream>

#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace L3 {

VrfName::VrfName(Xel::String8 name) : name_(static_cast<Xel::String8&&>(name)) {
  if (name_.size() > maxBytes) Xel::throwRangeException("VrfName::bytes > 100 not allowed");
}

Xel::String8 valueToStrep(VrfName const& v) {
  return Xel::valueToStrep(v.str());
}

std::ostream& operator<<(std::ostream& os, VrfName const& v) {
  return os << valueToStrep(v);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     VrfName* out) {
  Xel::skipWhiteSpace(pos, end);
  Xel::String8::IteratorConst const start = pos;
  Xel::String8 name;
  Xel::sequenceToValue(pos, end, &name);
  if (name.size() > VrfName::maxBytes) {
    Xel::throwParseError("cannot read a VrfName of at most 100 bytes", start, end);
  }
  *out = VrfName(name);
}

}  // namespace L3
