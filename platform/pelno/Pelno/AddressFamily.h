// AddressFamily: which kind of address an IpGenAddr holds.
#pragma once

#include <iosfwd>

#include "Pelno/Export.h"
#include "Xel/String8.h"

namespace Pelno {

enum AddressFamily : int { ipunknown = 0, ipv4 = 1, ipv6 = 2 };

// Raises Xel::RangeException, naming n, when n numbers no family.
PELNO_EXPORT AddressFamily AddressFamilyInstance(long long n);

// The enumerator's name: "ipunknown", "ipv4" or "ipv6".
PELNO_EXPORT Xel::String8 valueToStrep(AddressFamily af);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, AddressFamily af);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, AddressFamily* out);

}  // namespace Pelno
