// Keyed collections of the model beside std::unordered_map (and
// absl::flat_hash_map where installed), same keys, same sizes: insert,
// lookup hit and miss, removal and a full walk, with IpAddr keys (a
// VrrpIpAddrs set) and IntfId keys (a VarpIntfIdCol mask map).
#include <FhrpConf/FhrpConfig.h>
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

#if FHRP_BENCH_WITH_ABSL
#include <absl/container/flat_hash_map.h>
#endif

#include "allocation_counter.h"
#include "std_hash.h"

namespace {

using Routing::Fhrp::VarpIntfIdCol;
using Routing::Fhrp::VrrpIpAddrs;

// IPv4 keys come from 198.18.0.0/15, the range reserved for network
// benchmarks (RFC 2544), counting up from its base: the n present keys
// first, the absent ones after them. The range holds 131,072 addresses, so
// at 100,000 members the absent keys are the 31,072 left over, repeated.
constexpr Xel::U32 kBenchNetBase = 0xc6120000u;  // 198.18.0.0
constexpr Xel::U32 kBenchNetSize = 0x20000u;     // a /15

std::vector<Pelno::IpAddr> ipKeys(std::size_t n, bool present) {
  Xel::U32 const count = Xel::U32(n), left = kBenchNetSize - count;
  std::vector<Pelno::IpAddr> keys;
  for (Xel::U32 i = 0; i < count; ++i) {
    Xel::U32 const offset = present ? i : count + i % left;
    keys.push_back(Pelno::IpAddr::fromHostOrder(kBenchNetBase + offset));
  }
  return keys;
}

std::vector<Pelno::IntfId> intfKeys(std::size_t n, char const* prefix) {
  std::vector<Pelno::IntfId> keys;
  for (std::size_t i = 0; i < n; ++i) {
    keys.emplace_back(Xel::String8((prefix + std::to_string(i)).c_str()));
  }
  return keys;
}

// The model's collections behind one interface per key type.
struct IpSet {
  using Key = Pelno::IpAddr;
  static std::vector<Key> keys(std::size_t n, bool present) { return ipKeys(n, present); }
  Xel::Ptr<VrrpIpAddrs> set = Routing::Fhrp::vrrpIpAddrsFactory("bench");
  void insert(Key k) { set->addrsIs(k, true); }
  bool find(Key k) const { return set->addrs(k); }
  void erase(Key k) { set->addrsDel(k); }
  unsigned walk() const {
    unsigned n = 0;
    for (auto it = set->addrsIteratorConst(); it; it.advance()) n += it->value();
    return n;
  }
};

struct IntfMasks {
  using Key = Pelno::IntfId;
  static std::vector<Key> keys(std::size_t n, bool present) {
    return intfKeys(n, present ? "Ethernet" : "Vlan");
  }
  Xel::Ptr<VarpIntfIdCol> col;
  IntfMasks() {
    auto varp = Routing::Fhrp::varpConfigFactory("bench");
    col = varp->virtualIpAddrIs(VirtualIp::VrfIpPair());
    holder = varp;
  }
  void insert(Key const& k) { col->intfIdToMaskIs(k, 24); }
  bool find(Key const& k) const { return col->intfIdToMask(k) != 0; }
  void erase(Key const& k) { col->intfIdToMaskDel(k); }
  unsigned walk() const {
    unsigned n = 0;
    for (auto it = col->intfIdToMaskIteratorConst(); it; it.advance()) n += it->value();
    return n;
  }
  Xel::Ptr<Routing::Fhrp::VarpConfig> holder;
};

template <class Map, class K>
struct Std {
  using Key = K;
  Map map;
  void insert(Key const& k) { map.emplace(k, 1u); }
  bool find(Key const& k) const { return map.find(k) != map.end(); }
  void erase(Key const& k) { map.erase(k); }
  unsigned walk() const {
    unsigned n = 0;
    for (auto const& [k, v] : map) n += v;
    return n;
  }
};

template <class Keys, class C>
void insertAll(benchmark::State& state) {
  auto const keys = Keys::keys(std::size_t(state.range(0)), true);
  for (auto _ : state) {
    C c;
    for (auto const& k : keys) c.insert(k);
    benchmark::DoNotOptimize(c);
  }
  // Heap bytes per member, as the collection holds them after insertion.
  auto const before = bench::heapNow().liveBytes;
  {
    C c;
    auto const empty = bench::heapNow().liveBytes;
    for (auto const& k : keys) c.insert(k);
    state.counters["bytes_per_member"] =
        double(bench::heapNow().liveBytes - empty) / double(keys.size());
  }
  benchmark::DoNotOptimize(before);
}

template <class Keys, class C>
void lookup(benchmark::State& state, bool hit) {
  auto const keys = Keys::keys(std::size_t(state.range(0)), true);
  auto const probes = hit ? keys : Keys::keys(keys.size(), false);
  C c;
  for (auto const& k : keys) c.insert(k);
  for (auto _ : state) {
    unsigned found = 0;
    for (auto const& k : probes) found += c.find(k);
    benchmark::DoNotOptimize(found);
  }
}

template <class Keys, class C>
void removeAll(benchmark::State& state) {
  auto const keys = Keys::keys(std::size_t(state.range(0)), true);
  C c;
  for (auto _ : state) {
    state.PauseTiming();
    for (auto const& k : keys) c.insert(k);
    state.ResumeTiming();
    for (auto const& k : keys) c.erase(k);
  }
}

template <class Keys, class C>
void walk(benchmark::State& state) {
  auto const keys = Keys::keys(std::size_t(state.range(0)), true);
  C c;
  for (auto const& k : keys) c.insert(k);
  for (auto _ : state) benchmark::DoNotOptimize(c.walk());
}

template <class Keys, class C>
void registerVariant(std::string const& keyName, std::string const& variant) {
  for (long n : {16L, 1000L, 100000L}) {
    auto name = [&](char const* op) { return std::string(op) + "_" + keyName + "/" + variant; };
    benchmark::RegisterBenchmark(name("insert").c_str(), insertAll<Keys, C>)->Arg(n);
    benchmark::RegisterBenchmark(name("lookup_hit").c_str(), [](benchmark::State& s) {
      lookup<Keys, C>(s, true);
    })->Arg(n);
    benchmark::RegisterBenchmark(name("lookup_miss").c_str(), [](benchmark::State& s) {
      lookup<Keys, C>(s, false);
    })->Arg(n);
    benchmark::RegisterBenchmark(name("remove").c_str(), removeAll<Keys, C>)->Arg(n);
    benchmark::RegisterBenchmark(name("iterate").c_str(), walk<Keys, C>)->Arg(n);
  }
}

[[maybe_unused]] int const registered = [] {
  registerVariant<IpSet, IpSet>("IpAddr", "model");
  registerVariant<IpSet, Std<std::unordered_map<Pelno::IpAddr, unsigned>, Pelno::IpAddr>>(
      "IpAddr", "unordered_map");
  registerVariant<IntfMasks, IntfMasks>("IntfId", "model");
  registerVariant<IntfMasks, Std<std::unordered_map<Pelno::IntfId, unsigned>, Pelno::IntfId>>(
      "IntfId", "unordered_map");
#if FHRP_BENCH_WITH_ABSL
  registerVariant<IpSet, Std<absl::flat_hash_map<Pelno::IpAddr, unsigned, std::hash<Pelno::IpAddr>>,
                             Pelno::IpAddr>>("IpAddr", "flat_hash_map");
  registerVariant<
      IntfMasks,
      Std<absl::flat_hash_map<Pelno::IntfId, unsigned, std::hash<Pelno::IntfId>>, Pelno::IntfId>>(
      "IntfId", "flat_hash_map");
#endif
  return 0;
}();

}  // namespace
