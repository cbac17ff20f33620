#include "Pelno/Types.h"

#include "Xel/GenericIfValue.h"

namespace Pelno {

#define PELNO_DEFINE_FWK_TYPE(T, shortName, fullName)                                   \
  template <>                                                                           \
  Xel::XelType* fwkType<T>() {                                                          \
    static Xel::XelType* const type = Xel::valueTypeDescriptor<T>(shortName, fullName); \
    return type;                                                                        \
  }

PELNO_DEFINE_FWK_TYPE(IntfId, "IntfId", "Pelno::IntfId")
PELNO_DEFINE_FWK_TYPE(IpAddr, "IpAddr", "Pelno::IpAddr")
PELNO_DEFINE_FWK_TYPE(Ip6Addr, "Ip6Addr", "Pelno::Ip6Addr")
PELNO_DEFINE_FWK_TYPE(EthAddr, "EthAddr", "Pelno::EthAddr")
PELNO_DEFINE_FWK_TYPE(IpAddrWithMask, "IpAddrWithMask", "Pelno::IpAddrWithMask")
PELNO_DEFINE_FWK_TYPE(AddressFamily, "AddressFamily", "Pelno::AddressFamily")
PELNO_DEFINE_FWK_TYPE(VrrpAuthType, "VrrpAuthType", "Pelno::VrrpAuthType")
PELNO_DEFINE_FWK_TYPE(Interface::IntfEnabledState, "IntfEnabledState",
                      "Interface::IntfEnabledState")
PELNO_DEFINE_FWK_TYPE(VirtualIp::AcceptMode, "AcceptMode", "VirtualIp::AcceptMode")
PELNO_DEFINE_FWK_TYPE(VirtualIp::VrfIpPair, "VrfIpPair", "VirtualIp::VrfIpPair")
PELNO_DEFINE_FWK_TYPE(Bfd::Peer, "Peer", "Bfd::Peer")

}  // namespace Pelno
