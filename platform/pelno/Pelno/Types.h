// Type descriptors of the network value types, for the framework's
// registry: Pelno::fwkType<Pelno::IntfId>() and so on. Each is made on
// first use, registered under the type's full name ("Pelno::IntfId") and
// never freed.
#pragma once

#include "Bfd/Peer.h"
#include "Interface/IntfEnabledState.h"
#include "Pelno/AddressFamily.h"
#include "Pelno/EthAddr.h"
#include "Pelno/Export.h"
#include "Pelno/IntfId.h"
#include "Pelno/Ip6Addr.h"
#include "Pelno/IpAddr.h"
#include "Pelno/IpAddrWithMask.h"
#include "Pelno/VrrpAuthType.h"
#include "VirtualIp/AcceptMode.h"
#include "VirtualIp/VrfIpPair.h"
#include "Xel/XelType.h"

namespace Pelno {

template <class T>
Xel::XelType* fwkType();

#define PELNO_DECLARE_FWK_TYPE(T) \
  template <>                     \
  PELNO_EXPORT Xel::XelType* fwkType<T>()

PELNO_DECLARE_FWK_TYPE(IntfId);
PELNO_DECLARE_FWK_TYPE(IpAddr);
PELNO_DECLARE_FWK_TYPE(Ip6Addr);
PELNO_DECLARE_FWK_TYPE(EthAddr);
PELNO_DECLARE_FWK_TYPE(IpAddrWithMask);
PELNO_DECLARE_FWK_TYPE(AddressFamily);
PELNO_DECLARE_FWK_TYPE(VrrpAuthType);
PELNO_DECLARE_FWK_TYPE(Interface::IntfEnabledState);
PELNO_DECLARE_FWK_TYPE(VirtualIp::AcceptMode);
PELNO_DECLARE_FWK_TYPE(VirtualIp::VrfIpPair);
PELNO_DECLARE_FWK_TYPE(Bfd::Peer);

#undef PELNO_DECLARE_FWK_TYPE

}  // namespace Pelno
