// Peer: the far end of a BFD session.
//
// A session runs to an address in a VRF; a single-hop session is also tied
// to the interface it runs over, while a multi-hop session leaves the
// interface as the default (empty) IntfId. Peers order by address, then VRF,
// then interface.
#pragma once

#include <compare>
#include <iosfwd>

#include "L3/VrfName.h"
#include "Pelno/Export.h"
#include "Pelno/IntfId.h"
#include "Pelno/IpGenAddr.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Bfd {

class PELNO_EXPORT Peer {
 public:
  Peer() noexcept = default;
  Peer(Pelno::IpGenAddr const& address, L3::VrfName vrf, Pelno::IntfId intf = Pelno::IntfId())
      : address_(address),
        vrf_(static_cast<L3::VrfName&&>(vrf)),
        intf_(static_cast<Pelno::IntfId&&>(intf)) {}

  Pelno::IpGenAddr const& address() const noexcept { return address_; }
  L3::VrfName const& vrf() const noexcept { return vrf_; }
  Pelno::IntfId const& intf() const noexcept { return intf_; }

  Xel::U32 hash() const noexcept;

  friend bool operator==(Peer const& a, Peer const& b) noexcept {
    return a.address_ == b.address_ && a.vrf_ == b.vrf_ && a.intf_ == b.intf_;
  }
  friend std::strong_ordering operator<=>(Peer const& a, Peer const& b) noexcept {
    if (auto c = a.address_ <=> b.address_; c != 0) return c;
    if (auto c = a.vrf_ <=> b.vrf_; c != 0) return c;
    return a.intf_ <=> b.intf_;
  }

 private:
  Pelno::IpGenAddr address_;
  L3::VrfName vrf_;
  Pelno::IntfId intf_;
};

// The three parts in parentheses, the interface always present:
// (192.0.2.2, 'red', 'Ethernet1') or (192.0.2.2, 'red', '').
PELNO_EXPORT Xel::String8 valueToStrep(Peer const& p);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, Peer const& p);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, Peer* out);

}  // namespace Bfd
