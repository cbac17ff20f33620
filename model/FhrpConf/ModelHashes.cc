#include "FhrpConf/ModelHashes.h"

#include "Pelno/Ip6Addr.h"

namespace Routing::Fhrp {

Xel::U32 vrfIpPairHash(VirtualIp::VrfIpPair const& p) noexcept {
  return Pelno::Ip6Addr::hash(p.addr().addressBytes()) ^ p.vrfName().str().hash();
}

Xel::U32 ipAddrWithMaskHash(Pelno::IpAddrWithMask const& a) noexcept {
  Xel::U32 h = a.address().hostOrder() ^ a.maskLenWord();
  h = (h << 15) - h - 1;
  h ^= h >> 12;
  h *= 5;
  h ^= h >> 4;
  h *= 2057;
  h ^= h >> 16;
  return h;
}

}  // namespace Routing::Fhrp
