// Building and tearing down a configuration of N virtual routers, four per
// interface, each with two secondary addresses and one tracked object:
// time and live heap bytes per virtual router, for N from 1,000 to
// 1,000,000. A model that scales keeps both flat.
#include <FhrpConf/FhrpConfig.h>
#include <benchmark/benchmark.h>

#include <string>

#include "allocation_counter.h"

namespace {

using namespace Routing::Fhrp;

constexpr Xel::U32 kRoutersPerInterface = 4;

void buildAndTearDown(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  double bytes = 0;
  for (auto _ : state) {
    auto const before = bench::heapNow().liveBytes;
    {
      auto config = configFactory("fhrp");
      auto vrrp = config->vrrpConfigIs("vrrp");
      for (Xel::U32 i = 0; i < n / kRoutersPerInterface; ++i) {
        auto intf = vrrp->vrrpIntfConfigIs(
            Pelno::IntfId(Xel::String8(("Ethernet" + std::to_string(i)).c_str())));
        for (Xel::U32 r = 1; r <= kRoutersPerInterface; ++r) {
          auto router = intf->virtualRouterConfigIs(VrId(r));
          router->secondaryAddrsIs(Pelno::IpAddr::fromHostOrder(0x0a000000u + i * 8 + r), true);
          router->secondaryAddrsIs(Pelno::IpAddr::fromHostOrder(0x0b000000u + i * 8 + r), true);
          router->vrrpTrackedObjectIs("uplink");
        }
      }
      bytes = double(bench::heapNow().liveBytes - before) / double(n);
    }  // the whole tree goes with the root
  }
  state.counters["bytes_per_router"] = bytes;
  state.counters["ns_per_router"] = benchmark::Counter(
      double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

[[maybe_unused]] int const registered = [] {
  for (long n : {1000L, 10000L, 100000L, 1000000L}) {
    auto* b = benchmark::RegisterBenchmark("tree_build_teardown/model", buildAndTearDown);
    b->Arg(n)->Unit(benchmark::kMillisecond);
    if (n >= 100000) b->Iterations(1);
  }
  return 0;
}();

}  // namespace
