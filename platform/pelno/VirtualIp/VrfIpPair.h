// VrfIpPair: an address together with the VRF it lives in, which is what
// makes an address unique on a router with several VRFs.
//
// Pairs order by VRF name, then by address. The default pair is the empty
// name with the default (ipunknown) address.
#pragma once

#include <compare>
#include <iosfwd>

#include "L3/VrfName.h"
#include "Pelno/Export.h"
#include "Pelno/IpGenAddr.h"
#include "Xel/String8.h"

namespace VirtualIp {

class PELNO_EXPORT VrfIpPair {
 public:
  VrfIpPair() noexcept = default;
  VrfIpPair(L3::VrfName vrfName, Pelno::IpGenAddr const& addr) noexcept
      : vrfName_(static_cast<L3::VrfName&&>(vrfName)), addr_(addr) {}

  L3::VrfName const& vrfName() const noexcept { return vrfName_; }
  Pelno::IpGenAddr const& addr() const noexcept { return addr_; }

  friend bool operator==(VrfIpPair const& a, VrfIpPair const& b) noexcept {
    return a.vrfName_ == b.vrfName_ && a.addr_ == b.addr_;
  }
  friend std::strong_ordering operator<=>(VrfIpPair const& a, VrfIpPair const& b) noexcept {
    if (auto c = a.vrfName_ <=> b.vrfName_; c != 0) return c;
    return a.addr_ <=> b.addr_;
  }

 private:
  L3::VrfName vrfName_;
  Pelno::IpGenAddr addr_;
};

// The name in quotes and the address, in parentheses: ('red', 192.0.2.1).
PELNO_EXPORT Xel::String8 valueToStrep(VrfIpPair const& p);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, VrfIpPair const& p);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, VrfIpPair* out);

}  // namespace VirtualIp
