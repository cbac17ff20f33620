#include "FhrpConf/FhrpIntfIdPair.h"

#include <ostream>

#include "Pelno/NboAttrLog.h"
#include "Xel/Text.h"

namespace Routing::Fhrp {

FhrpIntfIdPair::FhrpIntfIdPair(Xel::String8::IteratorConst& pos,
                               Xel::String8::IteratorConst const& end) {
  Xel::readValueFields(pos, end, "Routing::Fhrp::FhrpIntfIdPair", "FhrpIntfIdPair",
                       [&](Xel::String8 const& name) {
                         if (name == "intfId") {
                           Xel::deserializeAttr(pos, end, &intfId_, name);
                         } else if (name == "vrId") {
                           Xel::deserializeAttr(pos, end, &vrId_, name);
                         } else {
                           return false;
                         }
                         return true;
                       });
}

FhrpIntfIdPair::FhrpIntfIdPair(Xel::NboAttrLog::In* in, Xel::StreamBogon) {
  Pelno::nboAttrLogToValue(in, &intfId_);
  vrId_ = VrId(in->nextU32());
}

Xel::String8 valueToStrep(FhrpIntfIdPair const& v) {
  return "Value('Routing::Fhrp::FhrpIntfIdPair', ** {'intfId': " + valueToStrep(v.intfId()) +
         ", 'vrId': " + valueToStrep(v.vrId()) + "})";
}

std::ostream& operator<<(std::ostream& os, FhrpIntfIdPair const& v) {
  return os << valueToStrep(v);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     FhrpIntfIdPair* out) {
  *out = FhrpIntfIdPair(pos, end);
}

Xel::Ptr<Xel::NboAttrLog::Out> const& operator<<(Xel::Ptr<Xel::NboAttrLog::Out> const& out,
                                                 FhrpIntfIdPair const& v) {
  return out << v.intfId() << v.vrId();
}

}  // namespace Routing::Fhrp
