#include "Interface/IntfEnabledState.h"

namespace Interface {

PELNO_DEFINE_ENUMERATION(IntfEnabledState, "intfEnabledStateUnknown", "intfEnabled", "intfShutdown")

}  // namespace Interface
