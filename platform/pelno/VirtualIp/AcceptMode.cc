#include "VirtualIp/AcceptMode.h"

namespace VirtualIp {

PELNO_DEFINE_ENUMERATION(AcceptMode, "acceptModeDefault", "acceptModeEnabled", "acceptModeDisabled")

}  // namespace VirtualIp
