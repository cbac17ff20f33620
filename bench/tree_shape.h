// The shape of the benchmarks' configurations: N virtual routers, four per
// interface, each with two secondary addresses and one tracked object.
#pragma once

#include <FhrpConf/FhrpConfig.h>

#include <string>

namespace bench {

inline constexpr Xel::U32 kRoutersPerInterface = 4;

// Secondary address k (0 to 3) of router r on interface i, from
// 198.18.0.0/15, the range reserved for network benchmarks (RFC 2544): a
// quarter of the range for each k, (i * 8 + r) modulo 32,768 into it. The
// addresses need only differ within one router.
inline Pelno::IpAddr secondaryAddr(Xel::U32 i, Xel::U32 r, Xel::U32 k) {
  return Pelno::IpAddr::fromHostOrder(0xc6120000u + (k << 15) + ((i * 8 + r) & 0x7fffu));
}

inline Pelno::IntfId interface(Xel::U32 i) {
  return Pelno::IntfId(Xel::String8(("Ethernet" + std::to_string(i)).c_str()));
}

// The model's configuration of `n` routers.
inline Xel::Ptr<Routing::Fhrp::Config> configOf(Xel::U32 n) {
  using namespace Routing::Fhrp;
  auto config = configFactory("fhrp");
  auto vrrp = config->vrrpConfigIs("vrrp");
  for (Xel::U32 i = 0; i < n / kRoutersPerInterface; ++i) {
    auto intf = vrrp->vrrpIntfConfigIs(interface(i));
    for (Xel::U32 r = 1; r <= kRoutersPerInterface; ++r) {
      auto router = intf->virtualRouterConfigIs(VrId(r));
      router->secondaryAddrsIs(secondaryAddr(i, r, 0), true);
      router->secondaryAddrsIs(secondaryAddr(i, r, 1), true);
      router->vrrpTrackedObjectIs("uplink");
    }
  }
  return config;
}

}  // namespace bench
