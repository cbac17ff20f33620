// The hash of a FhrpConfigKey. The rest of the type is generated from the
// schema (FhrpConf/FhrpConfigKey.h, which includes this at its end).
//
// The interface id's hash exclusive-or the virtual router id, shifted left
// by the address family's number modulo 32, the bits shifted out lost.
// reloadDelay takes no part: keys that differ only in it share a bucket
// (and compare unequal), and a key of the family numbered 0 hashes as the
// FhrpIntfIdPair of the same interface and id.
#pragma once

namespace Routing::Fhrp {

inline Xel::U32 FhrpConfigKey::hash() const noexcept {
  return (intfId().hash() ^ vrId().value()) << (static_cast<Xel::U32>(af()) & 31u);
}

}  // namespace Routing::Fhrp
