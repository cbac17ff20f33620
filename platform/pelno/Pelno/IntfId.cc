#include "Pelno/IntfId.h"

#include <ostream>

#include "Xel/Text.h"

namespace Pelno {

Xel::String8 valueToStrep(IntfId const& id) {
  return Xel::valueToStrep(id.name());
}

std::ostream& operator<<(std::ostream& os, IntfId const& id) {
  return os << valueToStrep(id);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     IntfId* out) {
  Xel::String8 name;
  Xel::sequenceToValue(pos, end, &name);
  *out = IntfId(name);
}

}  // namespace Pelno
