// VrId: the identifier of a VRRP virtual router on an interface.
//
// OVERVIEW
//   An unsigned number from VrId::min (0) to VrId::max (256, not 255)
//   inclusive. A VrId built from a number or read from text is checked. A
//   lone VrId read from the attribute log is taken as it comes; the
//   composites that hold one (FhrpIntfIdPair, FhrpConfigKey) check theirs
//   when they read it.
//
//   Ids compare and hash as their numbers. Of the six comparisons only ==
//   and < are primary; the other four are derived from them alone, so that
//   they can never disagree with the primary two.
//
// TEXT
//   The number in decimal: 5. Reading takes one number, as the attribute
//   "value", then applies the range check.
//
// ERRORS
//   A value over VrId::max raises Xel::RangeException with the message
//   "VrId::value < VrId::min or > VrId::max not allowed".
//
// TYPICAL USAGE
//   Routing::Fhrp::VrId const id(5);
//   Xel::String8 text = valueToStrep(id);  // "5"
//   auto back = Xel::strepToValue(text, static_cast<Routing::Fhrp::VrId*>(nullptr));
#pragma once

#include <iosfwd>

#include <FhrpConf/Export.h>

#include "Xel/NboAttrLog.h"
#include "Xel/Ptr.h"
#include "Xel/String8.h"
#include "Xel/Types.h"
#include "Xel/XelType.h"

namespace Routing::Fhrp {

class FHRPCONF_EXPORT VrId {
 public:
  // The type's descriptor in the framework's registry, made on first use.
  class _Type;
  static Xel::XelType* _fwkType();

  static constexpr Xel::U32 min = 0;
  static constexpr Xel::U32 max = 256;

  VrId() noexcept = default;
  // Checked: a value over max raises Xel::RangeException.
  explicit VrId(Xel::U32 value);
  // Reads the text form at pos and leaves pos after it; checked.
  VrId(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end);
  // Reads an unsigned int from the log; not checked.
  VrId(Xel::NboAttrLog::In* in, Xel::StreamBogon);

  Xel::U32 value() const noexcept { return value_; }
  Xel::U32 hash() const noexcept { return value_; }

  friend bool operator==(VrId a, VrId b) noexcept { return a.value_ == b.value_; }
  friend bool operator<(VrId a, VrId b) noexcept { return a.value_ < b.value_; }
  friend bool operator!=(VrId a, VrId b) noexcept { return !(a == b); }
  friend bool operator<=(VrId a, VrId b) noexcept { return !(b < a); }
  friend bool operator>(VrId a, VrId b) noexcept { return !(a <= b); }
  friend bool operator>=(VrId a, VrId b) noexcept { return !(a < b); }

 private:
  static Xel::XelType* xelType_;
  Xel::U32 value_ = 0;
};

FHRPCONF_EXPORT Xel::String8 valueToStrep(VrId const& v);
FHRPCONF_EXPORT std::ostream& operator<<(std::ostream& os, VrId const& v);
// The reader that Xel::strepToValue and Xel::deserializeAttr use.
FHRPCONF_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                     Xel::String8::IteratorConst const& end, VrId* out);
// The value as an unsigned int.
FHRPCONF_EXPORT Xel::Ptr<Xel::NboAttrLog::Out> const& operator<<(
    Xel::Ptr<Xel::NboAttrLog::Out> const& out, VrId v);

}  // namespace Routing::Fhrp
