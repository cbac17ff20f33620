// IntfEnabledState: the administrative state of an interface.
//
// intfEnabledStateUnknown is the state of an interface whose configuration
// has not said; intfEnabled and intfShutdown are the two a user sets.
#pragma once

#include "Pelno/EnumText.h"
#include "Pelno/Export.h"

namespace Interface {

enum IntfEnabledState : int { intfEnabledStateUnknown = 0, intfEnabled = 1, intfShutdown = 2 };

// IntfEnabledStateInstance rejects numbers outside the enumeration; the text form is
// the enumerator's name, e.g. "intfShutdown".
PELNO_DECLARE_ENUMERATION(IntfEnabledState);

}  // namespace Interface
