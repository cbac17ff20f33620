#include "VirtualIp/VrfIpPair.h"

#include <ostream>

#include "Xel/Text.h"

namespace VirtualIp {

Xel::String8 valueToStrep(VrfIpPair const& p) {
  return "(" + valueToStrep(p.vrfName()) + ", " + valueToStrep(p.addr()) + ")";
}

std::ostream& operator<<(std::ostream& os, VrfIpPair const& p) {
  return os << valueToStrep(p);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     VrfIpPair* out) {
  L3::VrfName vrfName;
  Pelno::IpGenAddr addr;
  Xel::readPunctuation(pos, end, '(');
  sequenceToValue(pos, end, &vrfName);
  Xel::readPunctuation(pos, end, ',');
  sequenceToValue(pos, end, &addr);
  Xel::readPunctuation(pos, end, ')');
  *out = VrfIpPair(vrfName, addr);
}

}  // namespace VirtualIp
