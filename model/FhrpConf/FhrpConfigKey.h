// FhrpConfigKey: a virtual router on an interface, for one address family,
// with a reload delay.
//
// OVERVIEW
//   The fields, in order: intfId, vrId, af and reloadDelay. The default key
//   has the interface id built from the empty string, VrId 0, the address
//   family numbered 0 and reloadDelay 0. The family is held and compared as
//   a signed 32-bit number.
//
//   Keys are equal when all four fields are; they order by the fields in
//   that order, each deciding only between keys whose earlier fields are
//   equal. Only == and < are primary; the other four comparisons are derived
//   from them alone.
//
//   The hash leaves reloadDelay out: (intfId's hash exclusive-or vrId's
//   value) shifted left by af modulo 32, the bits shifted out lost. Keys
//   that differ only in reloadDelay therefore share a bucket, and a key of
//   family 0 hashes as the FhrpIntfIdPair of the same interface and id.
//
// TEXT
//   Value('Routing::Fhrp::FhrpConfigKey', ** {'intfId': 'Ethernet1', 'vrId': 5,
//         'af': ipv4, 'reloadDelay': 0})
//   on one line. Reading takes the fields in any order, leaves a missing one
//   at its default, and checks vrId. Errors are Xel::RangeException:
//     "premature end of value type FhrpConfigKey"
//     "FhrpConfigKey has no such attribute: <name>"
//     a field's own range error with " (attribute <name>)" added
//   and Xel::ParseException for text that does not match the form.
//
// ATTRIBUTE LOG
//   intfId; vrId as an unsigned int; af as an int; reloadDelay as an
//   unsigned int. Reading checks vrId and refuses a family number that names
//   no family, both with Xel::RangeException.
#pragma once

#include <iosfwd>

#include <FhrpConf/Export.h>
#include <FhrpConf/VrId.h>

#include "Pelno/AddressFamily.h"
#include "Pelno/IntfId.h"
#include "Xel/NboAttrLog.h"
#include "Xel/Ptr.h"
#include "Xel/String8.h"
#include "Xel/Types.h"
#include "Xel/XelType.h"

namespace Routing::Fhrp {

class FHRPCONF_EXPORT FhrpConfigKey {
 public:
  // The type's descriptor in the framework's registry, made on first use.
  class _Type;
  static Xel::XelType* _fwkType();

  FhrpConfigKey() noexcept = default;
  FhrpConfigKey(Pelno::IntfId intfId, VrId vrId, Pelno::AddressFamily af,
                Xel::U32 reloadDelay) noexcept
      : intfId_(static_cast<Pelno::IntfId&&>(intfId)),
        vrId_(vrId),
        af_(af),
        reloadDelay_(reloadDelay) {}
  // Reads the text form at pos and leaves pos after it.
  FhrpConfigKey(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end);
  FhrpConfigKey(Xel::NboAttrLog::In* in, Xel::StreamBogon);

  Pelno::IntfId const& intfId() const noexcept { return intfId_; }
  void intfIdIs(Pelno::IntfId intfId) noexcept { intfId_ = static_cast<Pelno::IntfId&&>(intfId); }
  VrId vrId() const noexcept { return vrId_; }
  void vrIdIs(VrId vrId) noexcept { vrId_ = vrId; }
  Pelno::AddressFamily af() const noexcept { return af_; }
  void afIs(Pelno::AddressFamily af) noexcept { af_ = af; }
  Xel::U32 reloadDelay() const noexcept { return reloadDelay_; }
  void reloadDelayIs(Xel::U32 reloadDelay) noexcept { reloadDelay_ = reloadDelay; }

  Xel::U32 hash() const noexcept {
    return (intfId_.hash() ^ vrId_.value()) << (static_cast<Xel::U32>(af_) & 31u);
  }

  friend bool operator==(FhrpConfigKey const& a, FhrpConfigKey const& b) noexcept {
    return a.intfId_ == b.intfId_ && a.vrId_ == b.vrId_ && afNumber(a) == afNumber(b) &&
           a.reloadDelay_ == b.reloadDelay_;
  }
  friend bool operator<(FhrpConfigKey const& a, FhrpConfigKey const& b) noexcept {
    if (!(a.intfId_ == b.intfId_)) return a.intfId_ < b.intfId_;
    if (!(a.vrId_ == b.vrId_)) return a.vrId_ < b.vrId_;
    if (afNumber(a) != afNumber(b)) return afNumber(a) < afNumber(b);
    return a.reloadDelay_ < b.reloadDelay_;
  }
  friend bool operator!=(FhrpConfigKey const& a, FhrpConfigKey const& b) noexcept {
    return !(a == b);
  }
  friend bool operator<=(FhrpConfigKey const& a, FhrpConfigKey const& b) noexcept {
    return !(b < a);
  }
  friend bool operator>(FhrpConfigKey const& a, FhrpConfigKey const& b) noexcept {
    return !(a <= b);
  }
  friend bool operator>=(FhrpConfigKey const& a, FhrpConfigKey const& b) noexcept {
    return !(a < b);
  }

 private:
  static Xel::XelType* xelType_;
  static int afNumber(FhrpConfigKey const& k) noexcept { return k.af_; }

  Pelno::IntfId intfId_;
  VrId vrId_;
  Pelno::AddressFamily af_ = static_cast<Pelno::AddressFamily>(0);
  Xel::U32 reloadDelay_ = 0;
};

FHRPCONF_EXPORT Xel::String8 valueToStrep(FhrpConfigKey const& v);
FHRPCONF_EXPORT std::ostream& operator<<(std::ostream& os, FhrpConfigKey const& v);
// The reader that Xel::strepToValue and Xel::deserializeAttr use.
FHRPCONF_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                     Xel::String8::IteratorConst const& end, FhrpConfigKey* out);
FHRPCONF_EXPORT Xel::Ptr<Xel::NboAttrLog::Out> const& operator<<(
    Xel::Ptr<Xel::NboAttrLog::Out> const& out, FhrpConfigKey const& v);

}  // namespace Routing::Fhrp
