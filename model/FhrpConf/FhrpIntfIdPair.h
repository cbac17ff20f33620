// FhrpIntfIdPair: one virtual router on one interface.
//
// OVERVIEW
//   An interface id and a VrId. The default pair is the interface id built
//   from the empty string with VrId 0. Pairs order by interface first and by
//   id only between pairs of one interface; only == and < are primary, the
//   other four comparisons are derived from them alone. The hash is the
//   interface id's hash exclusive-or the id's value.
//
// TEXT
//   Value('Routing::Fhrp::FhrpIntfIdPair', ** {'intfId': 'Ethernet1', 'vrId': 5})
//   Reading takes the fields in any order, leaves a missing one at its
//   default, and checks vrId. Errors are Xel::RangeException:
//     "premature end of value type FhrpIntfIdPair"
//     "FhrpIntfIdPair has no such attribute: <name>"
//     a field's own range error with " (attribute <name>)" added
//   and Xel::ParseException for text that does not match the form.
//
// ATTRIBUTE LOG
//   intfId, then vrId as an unsigned int. Reading checks vrId, raising
//   "VrId::value < VrId::min or > VrId::max not allowed".
#pragma once

#include <iosfwd>

#include <FhrpConf/Export.h>
#include <FhrpConf/VrId.h>

#include "Pelno/IntfId.h"
#include "Xel/NboAttrLog.h"
#include "Xel/Ptr.h"
#include "Xel/String8.h"
#include "Xel/Types.h"
#include "Xel/XelType.h"

namespace Routing::Fhrp {

class FHRPCONF_EXPORT FhrpIntfIdPair {
 public:
  // The type's descriptor in the framework's registry, made on first use.
  class _Type;
  static Xel::XelType* _fwkType();

  FhrpIntfIdPair() noexcept = default;
  FhrpIntfIdPair(Pelno::IntfId intfId, VrId vrId) noexcept
      : intfId_(static_cast<Pelno::IntfId&&>(intfId)), vrId_(vrId) {}
  // Reads the text form at pos and leaves pos after it.
  FhrpIntfIdPair(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end);
  FhrpIntfIdPair(Xel::NboAttrLog::In* in, Xel::StreamBogon);

  Pelno::IntfId const& intfId() const noexcept { return intfId_; }
  void intfIdIs(Pelno::IntfId intfId) noexcept { intfId_ = static_cast<Pelno::IntfId&&>(intfId); }
  VrId vrId() const noexcept { return vrId_; }
  void vrIdIs(VrId vrId) noexcept { vrId_ = vrId; }

  Xel::U32 hash() const noexcept { return intfId_.hash() ^ vrId_.value(); }

  friend bool operator==(FhrpIntfIdPair const& a, FhrpIntfIdPair const& b) noexcept {
    return a.intfId_ == b.intfId_ && a.vrId_ == b.vrId_;
  }
  friend bool operator<(FhrpIntfIdPair const& a, FhrpIntfIdPair const& b) noexcept {
    if (a.intfId_ < b.intfId_) return true;
    return a.intfId_ == b.intfId_ && a.vrId_ < b.vrId_;
  }
  friend bool operator!=(FhrpIntfIdPair const& a, FhrpIntfIdPair const& b) noexcept {
    return !(a == b);
  }
  friend bool operator<=(FhrpIntfIdPair const& a, FhrpIntfIdPair const& b) noexcept {
    return !(b < a);
  }
  friend bool operator>(FhrpIntfIdPair const& a, FhrpIntfIdPair const& b) noexcept {
    return !(a <= b);
  }
  friend bool operator>=(FhrpIntfIdPair const& a, FhrpIntfIdPair const& b) noexcept {
    return !(a < b);
  }

 private:
  static Xel::XelType* xelType_;
  Pelno::IntfId intfId_;
  VrId vrId_;
};

FHRPCONF_EXPORT Xel::String8 valueToStrep(FhrpIntfIdPair const& v);
FHRPCONF_EXPORT std::ostream& operator<<(std::ostream& os, FhrpIntfIdPair const& v);
// The reader that Xel::strepToValue and Xel::deserializeAttr use.
FHRPCONF_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                     Xel::String8::IteratorConst const& end, FhrpIntfIdPair* out);
FHRPCONF_EXPORT Xel::Ptr<Xel::NboAttrLog::Out> const& operator<<(
    Xel::Ptr<Xel::NboAttrLog::Out> const& out, FhrpIntfIdPair const& v);

}  // namespace Routing::Fhrp
