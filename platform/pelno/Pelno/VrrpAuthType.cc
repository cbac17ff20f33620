#include "Pelno/VrrpAuthType.h"

namespace Pelno {

PELNO_DEFINE_ENUMERATION(VrrpAuthType, "vrrpAuthNone", "vrrpAuthText", "vrrpAuthIpsecAh")

}  // namespace Pelno
