#include "FhrpConf/VrId.h"

#include <ostream>

#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace Routing::Fhrp {

namespace {

Xel::U32 checked(Xel::U32 value) {
  // As the value is unsigned, no lower check is needed.
  if (value > VrId::max) {
    Xel::throwRangeException("VrId::value < VrId::min or > VrId::max not allowed");
  }
  return value;
}

Xel::U32 readValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end) {
  unsigned int value = 0;
  Xel::deserializeAttr(pos, end, &value, "value");
  return checked(value);
}

}  // namespace

VrId::VrId(Xel::U32 value) : value_(checked(value)) {}

VrId::VrId(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end)
    : value_(readValue(pos, end)) {}

VrId::VrId(Xel::NboAttrLog::In* in, Xel::StreamBogon) : value_(in->nextU32()) {}

Xel::String8 valueToStrep(VrId const& v) {
  return Xel::valueToStrep(static_cast<unsigned long long>(v.value()));
}

std::ostream& operator<<(std::ostream& os, VrId const& v) {
  return os << valueToStrep(v);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     VrId* out) {
  *out = VrId(pos, end);
}

Xel::Ptr<Xel::NboAttrLog::Out> const& operator<<(Xel::Ptr<Xel::NboAttrLog::Out> const& out,
                                                 VrId v) {
  return out << v.value();
}

}  // namespace Routing::Fhrp
