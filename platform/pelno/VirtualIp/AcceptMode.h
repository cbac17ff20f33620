// AcceptMode: whether a backup router that has become master accepts packets
// addressed to the virtual address it does not own.
//
// acceptModeDefault leaves the choice to the platform's default;
// acceptModeEnabled and acceptModeDisabled override it.
#pragma once

#include <iosfwd>

#include "Pelno/Export.h"
#include "Xel/String8.h"

namespace VirtualIp {

enum AcceptMode : int { acceptModeDefault = 0, acceptModeEnabled = 1, acceptModeDisabled = 2 };

// Raises Xel::RangeException, naming n, when n numbers no mode.
PELNO_EXPORT AcceptMode AcceptModeInstance(long long n);

// The enumerator's name, e.g. "acceptModeEnabled".
PELNO_EXPORT Xel::String8 valueToStrep(AcceptMode m);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, AcceptMode m);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, AcceptMode* out);

}  // namespace VirtualIp
