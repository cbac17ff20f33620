#include "Interface/IntfEnabledState.h"

#include <ostream>

#include "Pelno/EnumText.h"

namespace Interface {

namespace {
// In number order: the name of enumerator i is at index i.
constexpr char const* names[] = {"intfEnabledStateUnknown", "intfEnabled", "intfShutdown"};
constexpr Pelno::EnumerationText text{"IntfEnabledState", names};
}  // namespace

IntfEnabledState IntfEnabledStateInstance(long long n) {
  return static_cast<IntfEnabledState>(Pelno::enumeratorNumber(text, n));
}

Xel::String8 valueToStrep(IntfEnabledState v) {
  return Pelno::enumeratorToStrep(text, v);
}

std::ostream& operator<<(std::ostream& os, IntfEnabledState v) {
  return os << valueToStrep(v);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     IntfEnabledState* out) {
  *out = static_cast<IntfEnabledState>(Pelno::sequenceToEnumerator(text, pos, end));
}

}  // namespace Interface
