// IntfEnabledState: the administrative state of an interface.
//
// intfEnabledStateUnknown is the state of an interface whose configuration
// has not said; intfEnabled and intfShutdown are the two a user sets.
#pragma once

#include <iosfwd>

#include "Pelno/Export.h"
#include "Xel/String8.h"

namespace Interface {

enum IntfEnabledState : int { intfEnabledStateUnknown = 0, intfEnabled = 1, intfShutdown = 2 };

// Raises Xel::RangeException, naming n, when n numbers no state.
PELNO_EXPORT IntfEnabledState IntfEnabledStateInstance(long long n);

// The enumerator's name, e.g. "intfShutdown".
PELNO_EXPORT Xel::String8 valueToStrep(IntfEnabledState s);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, IntfEnabledState s);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, IntfEnabledState* out);

}  // namespace Interface
