#include "FhrpConf/FhrpConfigKey.h"

#include <ostream>

#include "Pelno/NboAttrLog.h"
#include "Xel/Text.h"

namespace Routing::Fhrp {

FhrpConfigKey::FhrpConfigKey(Xel::String8::IteratorConst& pos,
                             Xel::String8::IteratorConst const& end) {
  Xel::readValueFields(pos, end, "Routing::Fhrp::FhrpConfigKey", "FhrpConfigKey",
                       [&](Xel::String8 const& name) {
                         if (name == "intfId") {
                           Xel::deserializeAttr(pos, end, &intfId_, name);
                         } else if (name == "vrId") {
                           Xel::deserializeAttr(pos, end, &vrId_, name);
                         } else if (name == "af") {
                           Xel::deserializeAttr(pos, end, &af_, name);
                         } else if (name == "reloadDelay") {
                           Xel::deserializeAttr(pos, end, &reloadDelay_, name);
                         } else {
                           return false;
                         }
                         return true;
                       });
}

FhrpConfigKey::FhrpConfigKey(Xel::NboAttrLog::In* in, Xel::StreamBogon) {
  Pelno::nboAttrLogToValue(in, &intfId_);
  vrId_ = VrId(in->nextU32());
  af_ = Pelno::AddressFamilyInstance(in->nextU32());
  reloadDelay_ = in->nextU32();
}

Xel::String8 valueToStrep(FhrpConfigKey const& v) {
  return "Value('Routing::Fhrp::FhrpConfigKey', ** {'intfId': " + valueToStrep(v.intfId()) +
         ", 'vrId': " + valueToStrep(v.vrId()) + ", 'af': " + valueToStrep(v.af()) +
         ", 'reloadDelay': " + Xel::valueToStrep(static_cast<unsigned long long>(v.reloadDelay())) +
         "})";
}

std::ostream& operator<<(std::ostream& os, FhrpConfigKey const& v) {
  return os << valueToStrep(v);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     FhrpConfigKey* out) {
  *out = FhrpConfigKey(pos, end);
}

Xel::Ptr<Xel::NboAttrLog::Out> const& operator<<(Xel::Ptr<Xel::NboAttrLog::Out> const& out,
                                                 FhrpConfigKey const& v) {
  return out << v.intfId() << v.vrId() << static_cast<int>(v.af()) << v.reloadDelay();
}

}  // namespace Routing::Fhrp
