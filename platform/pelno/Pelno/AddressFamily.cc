#include "Pelno/AddressFamily.h"

namespace Pelno {

PELNO_DEFINE_ENUMERATION(AddressFamily, "ipunknown", "ipv4", "ipv6")

}  // namespace Pelno
