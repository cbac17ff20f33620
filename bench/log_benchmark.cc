// The attribute log: a whole configuration's full state written and read
// back, and one change, each beside what a hand-made alternative costs.
//
//   log_full_state  installing an adapter on the root of the tree
//                   benchmark's configuration and flushing until its full
//                   state is on the log (adapters for every entity
//                   included), the log's buffer of 128 KiB taken away by its
//                   transport whenever it fills; beside protobuf
//                   serializing messages with the same content (built
//                   beforehand), and beside memcpy of as many bytes as the
//                   log wrote
//   log_read_full_state  a replica built from that full state: a new
//                   reader's demultiplexer applying the bytes (entities,
//                   their adapters under the writer's ids, every value
//                   through its setter); beside building the same tree by
//                   its setters, which a replica cannot do with less, and
//                   beside protobuf parsing the messages above
//   log_change      one changed attribute until its record is on the log,
//                   beside storing the same record's bytes into a buffer by
//                   hand
#include <FhrpConf/FhrpConfig.h>
#include <Xel/Demuxer.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "per_router.h"
#include "tree_shape.h"

#if FHRP_BENCH_WITH_PROTOBUF
#include "protobuf_config.h"
#endif

namespace {

using namespace Routing::Fhrp;
using Xel::U64;
using Xel::NboAttrLog::Demuxer;
using Xel::NboAttrLog::Out;

constexpr std::size_t kBuffer = 128 << 10;

void fullStateModel(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  auto const config = bench::configOf(n);
  Xel::Ptr<Out> const out = Out::outNew(kBuffer);
  std::size_t bytes = 0;
  for (auto _ : state) {
    U64 const before = out->bytesCompleted();
    auto log = Demuxer::demuxerNew(out);
    config->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
    // The transport takes what the log holds whenever the flush stops.
    while (!log->flowOutRun()) {
      benchmark::DoNotOptimize(out->bytes().data());
      out->bytesDelAll();
    }
    bytes = std::size_t(out->bytesCompleted() - before);
    state.PauseTiming();
    out->bytesDelAll();
    log = nullptr;  // every adapter off the log
    state.ResumeTiming();
  }
  bench::perRouter(state, n, bytes);
}

void fullStateMemcpy(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  std::size_t const bytes = bench::fullStateBytes(*bench::configOf(n));
  std::vector<char> from(bytes, 'x'), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  bench::perRouter(state, n, bytes);
}

#if FHRP_BENCH_WITH_PROTOBUF
void fullStateProtobuf(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  fhrp_bench::Config const config = bench::protobufConfigOf(n);
  std::string out;
  for (auto _ : state) {
    out.clear();
    config.SerializeToString(&out);
    benchmark::DoNotOptimize(out.data());
  }
  bench::perRouter(state, n, out.size());
}

void readProtobuf(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  std::string const bytes = bench::protobufConfigOf(n).SerializeAsString();
  for (auto _ : state) {
    fhrp_bench::Config config;
    config.ParseFromString(bytes);
    benchmark::DoNotOptimize(&config);
    state.PauseTiming();
    config = fhrp_bench::Config();
    state.ResumeTiming();
  }
  bench::perRouter(state, n, bytes.size());
}
#endif

void readModel(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  auto const log = Demuxer::demuxerNew(Out::outNew());
  bench::configOf(n)->xelNboAttrLogSaIs(Xel_BitSet(), 0, log->out(), nullptr);
  log->flowOutRun();
  std::vector<Xel::U8> const bytes(log->out()->bytes().begin(), log->out()->bytes().end());
  for (auto _ : state) {
    auto replica = Demuxer::demuxerNew(Out::outNew());
    if (replica->flowInRun(bytes) != bytes.size()) state.SkipWithError("record left unread");
    state.PauseTiming();
    replica = nullptr;  // the replica's tree and adapters go
    state.ResumeTiming();
  }
  bench::perRouter(state, n, bytes.size());
}

// Moves no bytes: its time per router is what the others are held to.
void readTreeBuild(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  for (auto _ : state) {
    auto config = bench::configOf(n);
    benchmark::DoNotOptimize(config.ptr());
    state.PauseTiming();
    config = nullptr;
    state.ResumeTiming();
  }
  state.counters["ns_per_router"] = benchmark::Counter(
      double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One change to bytes on the log: the adapter's handler writes the record
// as the setter delivers the change.
void changeModel(benchmark::State& state) {
  auto const log = Demuxer::demuxerNew(Out::outNew());
  auto const router = vrrpVirtualRouterConfigFactory(VrId(5));
  router->xelNboAttrLogSaIs(Xel_BitSet(), 0, log->out(), nullptr);
  log->flowOutRun();
  Out& out = *log->out();
  Xel::U32 priority = 0;
  for (auto _ : state) {
    router->priorityIs(++priority & 0xff);
    if (out.byteCount() > 1 << 20) out.bytesDelAll();
  }
  benchmark::DoNotOptimize(out.bytes().data());
}

// The same record's 32 bytes stored by hand into a growing buffer: the
// least any writer of it does.
void changePlainStore(benchmark::State& state) {
  std::vector<Xel::U8> buffer;
  buffer.reserve(2 << 20);
  Xel::U32 priority = 0;
  auto put32 = [&buffer](Xel::U32 v) {
    Xel::U8 const b[4] = {Xel::U8(v >> 24), Xel::U8(v >> 16), Xel::U8(v >> 8), Xel::U8(v)};
    buffer.insert(buffer.end(), b, b + 4);
  };
  for (auto _ : state) {
    put32(28);
    put32(2);
    put32(0);
    put32(261);
    buffer.push_back(0);
    put32(4);
    put32(0);
    buffer.push_back(0);
    buffer.push_back(1);
    put32(++priority & 0xff);
    buffer.push_back(3);
    if (buffer.size() > 1 << 20) buffer.clear();
    benchmark::DoNotOptimize(buffer.data());
  }
}

[[maybe_unused]] int const registered = [] {
  using Run = void (*)(benchmark::State&);
  std::vector<std::pair<char const*, Run>> variants{{"model", fullStateModel},
                                                    {"memcpy", fullStateMemcpy}};
#if FHRP_BENCH_WITH_PROTOBUF
  variants.emplace_back("protobuf", fullStateProtobuf);
#endif
  std::vector<std::pair<char const*, Run>> reads{{"model", readModel},
                                                 {"tree_build", readTreeBuild}};
#if FHRP_BENCH_WITH_PROTOBUF
  reads.emplace_back("protobuf", readProtobuf);
#endif
  for (long n : {1000L, 100000L}) {
    for (auto [variant, run] : variants) {
      auto const name = std::string("log_full_state/") + variant;
      benchmark::RegisterBenchmark(name.c_str(), run)->Arg(n)->Unit(benchmark::kMillisecond);
    }
    for (auto [variant, run] : reads) {
      auto const name = std::string("log_read_full_state/") + variant;
      benchmark::RegisterBenchmark(name.c_str(), run)->Arg(n)->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("log_change/model", changeModel);
  benchmark::RegisterBenchmark("log_change/plain_store", changePlainStore);
  return 0;
}();

}  // namespace
