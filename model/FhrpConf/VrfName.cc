// The model owns the character-string constructor of the VRF name and its
// length check; the network library declares it with the rest of the type.
#include <cstring>

#include "L3/VrfName.h"
#include "Xel/Exception.h"

namespace L3 {

VrfName::VrfName(char const* s) {
  std::size_t const size = s ? std::strlen(s) : 0;
  // Checked before the bytes are copied, so a long name costs no allocation.
  if (size > maxBytes) Xel::throwRangeException("VrfName::bytes > 100 not allowed");
  name_ = Xel::String8(s, size);
}

}  // namespace L3
