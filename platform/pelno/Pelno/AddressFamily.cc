#include "Pelno/AddressFamily.h"

#include <ostream>

#include "Pelno/EnumText.h"

namespace Pelno {

namespace {
// In number order: the name of enumerator i is at index i.
constexpr char const* names[] = {"ipunknown", "ipv4", "ipv6"};
constexpr Pelno::EnumerationText text{"AddressFamily", names};
}  // namespace

AddressFamily AddressFamilyInstance(long long n) {
  return static_cast<AddressFamily>(Pelno::enumeratorNumber(text, n));
}

Xel::String8 valueToStrep(AddressFamily v) {
  return Pelno::enumeratorToStrep(text, v);
}

std::ostream& operator<<(std::ostream& os, AddressFamily v) {
  return os << valueToStrep(v);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     AddressFamily* out) {
  *out = static_cast<AddressFamily>(Pelno::sequenceToEnumerator(text, pos, end));
}

}  // namespace Pelno
