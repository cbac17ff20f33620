// AcceptMode: whether a backup router that has become master accepts packets
// addressed to the virtual address it does not own.
//
// acceptModeDefault leaves the choice to the platform's default;
// acceptModeEnabled and acceptModeDisabled override it.
#pragma once

#include "Pelno/EnumText.h"
#include "Pelno/Export.h"

namespace VirtualIp {

enum AcceptMode : int { acceptModeDefault = 0, acceptModeEnabled = 1, acceptModeDisabled = 2 };

// AcceptModeInstance rejects numbers outside the enumeration; the text form is
// the enumerator's name, e.g. "acceptModeEnabled".
PELNO_DECLARE_ENUMERATION(AcceptMode);

}  // namespace VirtualIp
