// The hash of a VrId: its value. The rest of the type is generated from the
// schema (FhrpConf/VrId.h, which includes this at its end).
//
// A VrId is the id of a VRRP virtual router on an interface: an unsigned
// number from VrId::min (0) to VrId::max (256, not 255). One built from a
// number or read from text is checked, raising Xel::RangeException with
// "VrId::value < VrId::min or > VrId::max not allowed"; a lone VrId read
// from the attribute log is taken as it comes, while FhrpIntfIdPair and
// FhrpConfigKey check the one they read. Its text is the number: 5.
#pragma once

namespace Routing::Fhrp {

inline Xel::U32 VrId::hash() const noexcept {
  return value();
}

}  // namespace Routing::Fhrp
