// VrrpAuthType: how a VRRP router authenticates its advertisements.
//
// vrrpAuthNone sends none; vrrpAuthText carries a clear-text password in the
// advertisement; vrrpAuthIpsecAh relies on an IPsec authentication header.
#pragma once

#include <iosfwd>

#include "Pelno/Export.h"
#include "Xel/String8.h"

namespace Pelno {

enum VrrpAuthType : int { vrrpAuthNone = 0, vrrpAuthText = 1, vrrpAuthIpsecAh = 2 };

// Raises Xel::RangeException, naming n, when n numbers no type.
PELNO_EXPORT VrrpAuthType VrrpAuthTypeInstance(long long n);

// The enumerator's name, e.g. "vrrpAuthText".
PELNO_EXPORT Xel::String8 valueToStrep(VrrpAuthType t);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, VrrpAuthType t);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, VrrpAuthType* out);

}  // namespace Pelno
