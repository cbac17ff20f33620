// The model's hashes of two imported key types.
//
// VirtualIp::VrfIpPair and Pelno::IpAddrWithMask key collections of the
// model, but the network library gives them no hash of their own; the model
// defines theirs here. Equal values hash alike.
#pragma once

#include <FhrpConf/Export.h>

#include "Pelno/IpAddrWithMask.h"
#include "Xel/HashMap.h"
#include "VirtualIp/VrfIpPair.h"
#include "Xel/Types.h"

namespace Routing::Fhrp {

// Pelno::Ip6Addr::hash over the sixteen address bytes of the pair's address
// (whatever its family), exclusive-or the String8 hash of the VRF name.
FHRPCONF_EXPORT Xel::U32 vrfIpPairHash(VirtualIp::VrfIpPair const& p) noexcept;

// The address as a host-order number exclusive-or the mask length, then
// mixed in unsigned 32-bit arithmetic:
//   h = (h << 15) - h - 1;  h ^= h >> 12;  h *= 5;
//   h ^= h >> 4;            h *= 2057;     h ^= h >> 16;
FHRPCONF_EXPORT Xel::U32 ipAddrWithMaskHash(Pelno::IpAddrWithMask const& a) noexcept;

}  // namespace Routing::Fhrp

// Collections keyed by these types hash them the model's way.
template <>
struct Xel::HashMapKey<VirtualIp::VrfIpPair> {
  static Xel::U32 hash(VirtualIp::VrfIpPair const& key) noexcept {
    return Routing::Fhrp::vrfIpPairHash(key);
  }
};

template <>
struct Xel::HashMapKey<Pelno::IpAddrWithMask> {
  static Xel::U32 hash(Pelno::IpAddrWithMask const& key) noexcept {
    return Routing::Fhrp::ipAddrWithMaskHash(key);
  }
};
