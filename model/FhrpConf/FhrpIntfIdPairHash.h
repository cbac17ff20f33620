// The hash of a FhrpIntfIdPair: the interface id's hash exclusive-or the
// virtual router id. The rest of the type is generated from the schema
// (FhrpConf/FhrpIntfIdPair.h, which includes this at its end).
//
// A FhrpIntfIdPair is one virtual router on one interface. Pairs order by
// interface first and by id only between pairs of one interface. Its text:
//   Value('Routing::Fhrp::FhrpIntfIdPair', ** {'intfId': 'Ethernet1', 'vrId': 5})
// read back with the fields in any order, a missing one left at its
// default.
#pragma once

namespace Routing::Fhrp {

inline Xel::U32 FhrpIntfIdPair::hash() const noexcept {
  return intfId().hash() ^ vrId().value();
}

}  // namespace Routing::Fhrp
