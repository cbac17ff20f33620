// AddressFamily: which kind of address an IpGenAddr holds.
#pragma once

#include "Pelno/EnumText.h"
#include "Pelno/Export.h"

namespace Pelno {

enum AddressFamily : int { ipunknown = 0, ipv4 = 1, ipv6 = 2 };

// AddressFamilyInstance rejects numbers outside the enumeration; the text form is
// the enumerator's name: "ipunknown", "ipv4" or "ipv6".
PELNO_DECLARE_ENUMERATION(AddressFamily);

}  // namespace Pelno
