// VrrpAuthType: how a VRRP router authenticates its advertisements.
//
// vrrpAuthNone sends none; vrrpAuthText carries a clear-text password in the
// advertisement; vrrpAuthIpsecAh relies on an IPsec authentication header.
#pragma once

#include "Pelno/EnumText.h"
#include "Pelno/Export.h"

namespace Pelno {

enum VrrpAuthType : int { vrrpAuthNone = 0, vrrpAuthText = 1, vrrpAuthIpsecAh = 2 };

// VrrpAuthTypeInstance rejects numbers outside the enumeration; the text form is
// the enumerator's name, e.g. "vrrpAuthText".
PELNO_DECLARE_ENUMERATION(VrrpAuthType);

}  // namespace Pelno
