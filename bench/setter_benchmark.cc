// A setter against a plain struct, and delivery against an observer list.
//
// Names read <scenario>/<variant>[/<size>]; the report pairs each model row
// with the baselines of the same scenario and size.
#include <FhrpConf/FhrpConfig.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "allocation_counter.h"

namespace {

using Routing::Fhrp::TrackedObject;

// What a hand-written configuration struct does for the same attribute.
struct PlainTracked {
  unsigned decrement = 0;
  unsigned changes = 0;
};

void setterUnchangedModel(benchmark::State& state) {
  auto tracked = Routing::Fhrp::trackedObjectFactory("t");
  tracked->trackPriorityDecrementIs(7);
  unsigned v = 7;
  for (auto _ : state) {
    benchmark::DoNotOptimize(v);
    tracked->trackPriorityDecrementIs(v);
    benchmark::ClobberMemory();
  }
}

// The baselines' structs live on the heap, as configuration objects do, and
// escape, so that the compiler keeps their fields in memory as it must the
// model's.
std::unique_ptr<PlainTracked> plainTracked(unsigned decrement) {
  auto tracked = std::make_unique<PlainTracked>(PlainTracked{decrement, 0});
  benchmark::DoNotOptimize(tracked.get());
  return tracked;
}

void setterUnchangedBaseline(benchmark::State& state) {
  auto const tracked = plainTracked(7);
  unsigned v = 7;
  for (auto _ : state) {
    benchmark::DoNotOptimize(v);
    if (tracked->decrement != v) {
      tracked->decrement = v;
      ++tracked->changes;
    }
    benchmark::ClobberMemory();
  }
}

void setterChangedModel(benchmark::State& state) {
  auto tracked = Routing::Fhrp::trackedObjectFactory("t");
  unsigned v = 0;
  for (auto _ : state) {
    ++v;
    benchmark::DoNotOptimize(v);
    tracked->trackPriorityDecrementIs(v);
    benchmark::ClobberMemory();
  }
}

void setterChangedBaseline(benchmark::State& state) {
  auto const tracked = plainTracked(0);
  unsigned v = 0;
  for (auto _ : state) {
    ++v;
    benchmark::DoNotOptimize(v);
    if (tracked->decrement != v) {
      tracked->decrement = v;
      ++tracked->changes;
    }
    benchmark::ClobberMemory();
  }
}

struct Watcher : TrackedObject::Notifiee {
  unsigned seen = 0;
  void onTrackPriorityDecrement() override { seen += notifier()->trackPriorityDecrement(); }
};

void deliveryModel(benchmark::State& state) {
  auto tracked = Routing::Fhrp::trackedObjectFactory("t");
  std::vector<Xel::Ptr<Watcher>> watchers;
  for (int i = 0; i < state.range(0); ++i) {
    watchers.emplace_back(new Watcher);
    watchers.back()->isRegisteredNotifieeIs(true);
    watchers.back()->notifierIs(tracked);
  }
  unsigned v = 0;
  auto const before = bench::heapNow().allocations;
  for (auto _ : state) tracked->trackPriorityDecrementIs(++v);
  state.counters["allocs_per_change"] =
      double(bench::heapNow().allocations - before) / double(state.iterations());
}

// The hand-written alternative: a vector of observers called through a
// virtual function after the store.
struct Observer {
  virtual ~Observer() = default;
  virtual void onChange(unsigned value) = 0;
};
struct PlainWatcher : Observer {
  unsigned seen = 0;
  void onChange(unsigned value) override { seen += value; }
};

void deliveryBaseline(benchmark::State& state) {
  std::vector<std::unique_ptr<PlainWatcher>> owned;
  std::vector<Observer*> observers;
  for (int i = 0; i < state.range(0); ++i) {
    owned.push_back(std::make_unique<PlainWatcher>());
    observers.push_back(owned.back().get());
  }
  auto const tracked = plainTracked(0);
  unsigned v = 0;
  for (auto _ : state) {
    ++v;
    benchmark::DoNotOptimize(v);
    if (tracked->decrement != v) {
      tracked->decrement = v;
      ++tracked->changes;
      for (Observer* o : observers) o->onChange(tracked->decrement);
    }
    benchmark::ClobberMemory();
  }
  state.counters["allocs_per_change"] = 0;
}

[[maybe_unused]] int const registered = [] {
  benchmark::RegisterBenchmark("setter_unchanged/model", setterUnchangedModel);
  benchmark::RegisterBenchmark("setter_unchanged/plain_compare", setterUnchangedBaseline);
  benchmark::RegisterBenchmark("setter_changed_no_notifiee/model", setterChangedModel);
  benchmark::RegisterBenchmark("setter_changed_no_notifiee/plain_store", setterChangedBaseline);
  for (int n : {1, 4, 8, 16}) {
    benchmark::RegisterBenchmark("delivery/model", deliveryModel)->Arg(n);
    benchmark::RegisterBenchmark("delivery/observer_list", deliveryBaseline)->Arg(n);
  }
  return 0;
}();

}  // namespace
