#include "Pelno/VrrpAuthType.h"

#include <ostream>

#include "Pelno/EnumText.h"

namespace Pelno {

namespace {
// In number order: the name of enumerator i is at index i.
constexpr char const* names[] = {"vrrpAuthNone", "vrrpAuthText", "vrrpAuthIpsecAh"};
constexpr Pelno::EnumerationText text{"VrrpAuthType", names};
}  // namespace

VrrpAuthType VrrpAuthTypeInstance(long long n) {
  return static_cast<VrrpAuthType>(Pelno::enumeratorNumber(text, n));
}

Xel::String8 valueToStrep(VrrpAuthType v) {
  return Pelno::enumeratorToStrep(text, v);
}

std::ostream& operator<<(std::ostream& os, VrrpAuthType v) {
  return os << valueToStrep(v);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     VrrpAuthType* out) {
  *out = static_cast<VrrpAuthType>(Pelno::sequenceToEnumerator(text, pos, end));
}

}  // namespace Pelno
