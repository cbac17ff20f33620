#include "VirtualIp/AcceptMode.h"

#include <ostream>

#include "Pelno/EnumText.h"

namespace VirtualIp {

namespace {
// In number order: the name of enumerator i is at index i.
constexpr char const* names[] = {"acceptModeDefault", "acceptModeEnabled", "acceptModeDisabled"};
constexpr Pelno::EnumerationText text{"AcceptMode", names};
}  // namespace

AcceptMode AcceptModeInstance(long long n) {
  return static_cast<AcceptMode>(Pelno::enumeratorNumber(text, n));
}

Xel::String8 valueToStrep(AcceptMode v) {
  return Pelno::enumeratorToStrep(text, v);
}

std::ostream& operator<<(std::ostream& os, AcceptMode v) {
  return os << valueToStrep(v);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     AcceptMode* out) {
  *out = static_cast<AcceptMode>(Pelno::sequenceToEnumerator(text, pos, end));
}

}  // namespace VirtualIp
