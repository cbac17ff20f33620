// The benchmarks' configuration (tree_shape.h) as protocol buffer
// messages with the same content, for protobuf's rows beside the log's.
#pragma once

#include <FhrpConf/FhrpConfig.h>

#include <string>

#include "fhrp_bench.pb.h"
#include "tree_shape.h"

namespace bench {

// Messages with the content of bench::configOf(n).
inline fhrp_bench::Config protobufConfigOf(Xel::U32 n) {
  fhrp_bench::Config config;
  config.set_name("fhrp");
  auto* vrrp = config.mutable_vrrp();
  vrrp->set_name("vrrp");
  unsigned char const noAddr6[16] = {};
  for (Xel::U32 i = 0; i < n / kRoutersPerInterface; ++i) {
    auto* intf = vrrp->add_interfaces();
    intf->set_name(std::string(interface(i).name().view()));
    for (Xel::U32 r = 1; r <= kRoutersPerInterface; ++r) {
      using Defaults = Routing::Fhrp::VrrpVirtualRouterConfig;
      auto* router = intf->add_routers();
      router->set_vr_id(r);
      router->set_version(Defaults::versionDefault);
      router->set_priority(Defaults::priorityDefault);
      router->set_adv_interval(Defaults::advIntervalDefault);
      router->set_arp_or_na_interval(Defaults::arpOrNAIntervalDefault);
      router->set_preempt(Defaults::preemptDefault);
      router->set_bfd_peer_addr_v6(noAddr6, sizeof noAddr6);
      for (Xel::U32 k = 0; k < 2; ++k) {
        auto* member = router->add_secondary_addrs();
        member->set_addr(secondaryAddr(i, r, k).hostOrder());
        member->set_value(true);
      }
      router->add_tracked_objects()->set_name("uplink");
    }
  }
  return config;
}

}  // namespace bench
