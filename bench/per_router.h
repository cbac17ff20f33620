// What the log benchmarks share: the size of a configuration's full state
// on the log, and the per-router figures their rows report.
#pragma once

#include <FhrpConf/FhrpConfig.h>
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

namespace bench {

// How many bytes the full state of `config` takes on the log, written
// through a 128 KiB buffer that is emptied whenever it fills.
inline std::size_t fullStateBytes(Routing::Fhrp::Config& config) {
  using namespace Xel::NboAttrLog;
  auto const log = Demuxer::demuxerNew(Out::outNew(128 << 10));
  config.xelNboAttrLogSaIs(Xel_BitSet(), 0, log->out(), nullptr);
  while (!log->flowOutRun()) log->out()->bytesDelAll();
  return std::size_t(log->out()->bytesCompleted());
}

// Bytes a second, bytes a router and time a router for a row that moves
// `bytes` for `n` routers each iteration.
inline void perRouter(benchmark::State& state, Xel::U32 n, std::size_t bytes) {
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
  state.counters["bytes_per_router"] = double(bytes) / double(n);
  state.counters["ns_per_router"] = benchmark::Counter(
      double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace bench
