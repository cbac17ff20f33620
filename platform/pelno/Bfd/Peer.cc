#include "Bfd/Peer.h"

#include <ostream>

#include "Xel/Hash.h"
#include "Xel/Text.h"

namespace Bfd {

Xel::U32 Peer::hash() const noexcept {
  return Xel::hashCombine(Xel::hashCombine(address_.hash(), vrf_.hash()), intf_.hash());
}

Xel::String8 valueToStrep(Peer const& p) {
  return "(" + valueToStrep(p.address()) + ", " + valueToStrep(p.vrf()) + ", " +
         valueToStrep(p.intf()) + ")";
}

std::ostream& operator<<(std::ostream& os, Peer const& p) {
  return os << valueToStrep(p);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     Peer* out) {
  Pelno::IpGenAddr address;
  L3::VrfName vrf;
  Pelno::IntfId intf;
  Xel::readPunctuation(pos, end, '(');
  sequenceToValue(pos, end, &address);
  Xel::readPunctuation(pos, end, ',');
  sequenceToValue(pos, end, &vrf);
  Xel::readPunctuation(pos, end, ',');
  sequenceToValue(pos, end, &intf);
  Xel::readPunctuation(pos, end, ')');
  *out = Peer(address, vrf, intf);
}

}  // namespace Bfd
