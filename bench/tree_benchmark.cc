// Building and tearing down a configuration of N virtual routers, four per
// interface, each with two secondary addresses and one tracked object:
// time and live heap bytes per virtual router, for N from 1,000 to
// 1,000,000. A model that scales keeps both flat.
//
// Beside it, the same tree written by hand with standard containers, so that
// what growing past the caches costs any tree of this shape can be told from
// what the model adds.
#include <FhrpConf/FhrpConfig.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>

#include "allocation_counter.h"
#include "std_hash.h"
#include "tree_shape.h"

namespace {

using namespace Routing::Fhrp;
using bench::kRoutersPerInterface;
using bench::secondaryAddr;

using Clock = std::chrono::steady_clock;

// Per-router figures, with the build and the teardown timed apart: where a
// larger tree's extra time goes is the first thing to know about it.
struct PerRouter {
  Xel::U32 n;
  double bytes = 0;
  Clock::duration build{}, teardown{};

  void report(benchmark::State& state) const {
    double const runs = double(state.iterations()) * double(n);
    state.counters["bytes_per_router"] = bytes;
    state.counters["ns_per_router"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["build_ns_per_router"] = double(std::chrono::nanoseconds(build).count()) / runs;
    state.counters["teardown_ns_per_router"] =
        double(std::chrono::nanoseconds(teardown).count()) / runs;
  }
};

void buildAndTearDown(benchmark::State& state) {
  PerRouter figures{Xel::U32(state.range(0))};
  for (auto _ : state) {
    auto const before = bench::heapNow().liveBytes;
    auto const start = Clock::now();
    auto config = bench::configOf(figures.n);
    auto const built = Clock::now();
    figures.bytes = double(bench::heapNow().liveBytes - before) / double(figures.n);
    config = nullptr;  // the whole tree goes with the root
    figures.teardown += Clock::now() - built;
    figures.build += built - start;
  }
  figures.report(state);
}

// The hand-written tree: the same keys and values, plain structs holding
// what the model's entities hold, children owned through standard maps.
struct PlainTracked {
  Xel::String8 name;
  unsigned priorityDecrement = 0;
  bool shutdown = false;
};

// Every attribute of the model's virtual router, of the same type.
struct PlainRouter {
  Xel::U32 version = 2;
  Xel::U32 priority = 100;
  Xel::U32 advInterval = 100;
  Xel::U32 arpOrNAInterval = 3000;
  bool preempt = true;
  Xel::U32 preemptDelay = 0;
  Xel::U32 preemptReloadDelay = 0;
  Xel::U32 reloadDelay = 0;
  Pelno::IpAddr primaryAddr;
  std::unordered_map<Pelno::IpAddr, bool> secondaryAddrs;
  Pelno::IpAddr bfdPeerAddrV4;
  std::unordered_map<Pelno::Ip6Addr, bool> ip6Addrs;
  Pelno::Ip6Addr bfdPeerAddrV6;
  Pelno::VrrpAuthType authType{};
  Xel::String8 authKey;
  Xel::String8 description;
  Interface::IntfEnabledState adminEnabledState{};
  std::unordered_map<Xel::String8, std::unique_ptr<PlainTracked>> trackedObjects;
};

struct PlainInterface {
  std::unordered_map<Xel::U32, std::unique_ptr<PlainRouter>> routers;
};

struct PlainVrrp {
  std::unordered_map<Pelno::IntfId, std::unique_ptr<PlainInterface>> interfaces;
};

void buildAndTearDownPlain(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  PerRouter figures{n};
  for (auto _ : state) {
    auto const before = bench::heapNow().liveBytes;
    auto const start = Clock::now();
    {
      auto vrrp = std::make_unique<PlainVrrp>();
      for (Xel::U32 i = 0; i < n / kRoutersPerInterface; ++i) {
        auto& intf = vrrp->interfaces[bench::interface(i)];
        if (!intf) intf = std::make_unique<PlainInterface>();
        for (Xel::U32 r = 1; r <= kRoutersPerInterface; ++r) {
          auto& router = intf->routers[r];
          if (!router) router = std::make_unique<PlainRouter>();
          router->secondaryAddrs[secondaryAddr(i, r, 0)] = true;
          router->secondaryAddrs[secondaryAddr(i, r, 1)] = true;
          auto& tracked = router->trackedObjects["uplink"];
          if (!tracked) tracked = std::make_unique<PlainTracked>(PlainTracked{"uplink"});
        }
      }
      benchmark::DoNotOptimize(vrrp.get());
      auto const built = Clock::now();
      figures.build += built - start;
      figures.bytes = double(bench::heapNow().liveBytes - before) / double(n);
      vrrp = nullptr;
      figures.teardown += Clock::now() - built;
    }
  }
  figures.report(state);
}

[[maybe_unused]] int const registered = [] {
  for (long n : {1000L, 10000L, 100000L, 1000000L}) {
    using Run = void (*)(benchmark::State&);
    for (auto [variant, run] :
         {std::pair<char const*, Run>{"model", buildAndTearDown},
          std::pair<char const*, Run>{"plain_structs", buildAndTearDownPlain}}) {
      auto const name = std::string("tree_build_teardown/") + variant;
      auto* b = benchmark::RegisterBenchmark(name.c_str(), run);
      // Wall time, as the build and teardown columns are.
      b->Arg(n)->UseRealTime()->Unit(benchmark::kMillisecond);
      if (n >= 100000) b->Iterations(1);
    }
  }
  return 0;
}();

}  // namespace
