// A full log never drops a change: random changes anywhere in whole trees,
// written through a log whose room, writability and flush budgets vary at
// random, and by adapters switching between their ways of writing. At
// every quiescent point (room restored, everything flushed and read) a
// replica reading the records equals the source trees, and writes nothing
// back.
#include <FhrpConf/FhrpConfig.h>
#include <Xel/Demuxer.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "plain_replica.h"
#include "random_changes.h"

namespace {

using namespace Routing::Fhrp;
using attrlog_test::RandomChanges;
using Xel::Ptr;
using Xel::StreamAdapter;
using Xel::NboAttrLog::Demuxer;
using Xel::NboAttrLog::Out;

// A log whose transport now and then stops taking bytes right after a
// record, in the middle of whatever is being written.
class PausingOut : public Out {
 public:
  explicit PausingOut(std::mt19937& rng) : Out(Out::unlimited), rng_(rng) {}
  unsigned pausePercent = 0;

 protected:
  void onRecordComplete() override {
    if (std::uniform_int_distribution<unsigned>(0, 99)(rng_) < pausePercent) writableIs(false);
  }

 private:
  std::mt19937& rng_;
};

// One log: what its transport has taken and the replica not yet read.
struct Wire {
  explicit Wire(std::mt19937& rng) : pausing(new PausingOut(rng)) {}
  Ptr<PausingOut> pausing;
  Ptr<Demuxer> demux = Demuxer::demuxerNew(pausing);
  std::vector<Xel::U8> taken;
  Ptr<Demuxer> replica = Demuxer::demuxerNew(Out::outNew());

  Out& out() { return *demux->out(); }
  // The transport takes up to `n` bytes; the replica reads whole records.
  void take(std::size_t n) {
    auto const bytes = out().bytes();
    n = std::min(n, bytes.size());
    taken.insert(taken.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    out().bytesDel(n);
    std::size_t const used = replica->flowInRun(taken);
    taken.erase(taken.begin(), taken.begin() + static_cast<std::ptrdiff_t>(used));
  }
};

class FlowOutModel : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(FlowOutModel, TheReplicaEqualsTheSourceAtEveryQuiescentPoint) {
  RandomChanges changes(GetParam());
  std::mt19937& rng = changes.rng();
  auto chance = [&rng](unsigned percent) {
    return std::uniform_int_distribution<unsigned>(0, 99)(rng) < percent;
  };

  Ptr<Config> config = configFactory("config");
  std::vector<Ptr<Xel::Entity>> roots{config, vrrpIpAddrsFactory("v4-set"),
                                      vrrpIp6AddrsFactory("v6-set"), dynVarpConfigFactory("dyn"),
                                      dynVarpConfigErrorFactory("dyn-errors")};
  // A start with every kind of entity in the tree.
  for (int i = 0; i < 2000; ++i) changes.change(*config);

  Wire wire(rng);
  std::vector<Ptr<Xel::Entity::XelNboAttrLogSa>> adapters;
  for (auto const& root : roots) {
    adapters.push_back(root->xelNboAttrLogSaIs(Xel_BitSet(), 0, wire.demux->out(), nullptr));
  }

  int const steps = 20000;
  int quiescent = 0;
  for (int step = 1; step <= steps; ++step) {
    if (chance(55)) {
      changes.change(*roots[std::uniform_int_distribution<std::size_t>(0, roots.size() - 1)(rng)]);
    } else if (chance(40)) {
      wire.demux->flowOutRun(std::uniform_int_distribution<Xel::U32>(1, 30)(rng));
    } else if (chance(50)) {
      wire.take(std::uniform_int_distribution<std::size_t>(0, 120000)(rng));
    } else if (chance(3)) {
      // A root off the log and back: its whole tree's full state again, with
      // every collection as it stands.
      std::size_t const i = std::uniform_int_distribution<std::size_t>(0, roots.size() - 1)(rng);
      wire.take(Out::unlimited);
      roots[i]->xelNboAttrLogSaDel(wire.demux->out());
      adapters[i] = roots[i]->xelNboAttrLogSaIs(Xel_BitSet(), 0, wire.demux->out(), nullptr);
    } else if (chance(60)) {
      std::size_t const capacities[] = {0, 40000, 52000, 70000, 200000, Out::unlimited};
      wire.out().capacityIs(capacities[std::uniform_int_distribution<int>(0, 5)(rng)]);
    } else if (chance(30)) {
      wire.out().writableIs(!wire.out().writable());
      wire.pausing->pausePercent = chance(50) ? 0 : 30;
    } else {
      // The roots' adapters change their way of writing; a child's adapter
      // takes its parent's when it is made.
      auto& sa = *adapters[std::uniform_int_distribution<std::size_t>(0, adapters.size() - 1)(rng)];
      Xel::U32 const bits = chance(50) ? StreamAdapter::directModeBit : StreamAdapter::deferAllBit;
      sa.stateBitsIs(bits, !sa.stateHas(bits));
    }

    if (step % 100 != 0) continue;
    ++quiescent;
    wire.out().capacityIs(Out::unlimited);
    wire.out().writableIs(true);
    wire.pausing->pausePercent = 0;
    ASSERT_TRUE(wire.demux->flowOutRun()) << "step " << step;
    wire.take(Out::unlimited);
    ASSERT_TRUE(wire.taken.empty());
    for (std::size_t i = 0; i < roots.size(); ++i) {
      Xel::Entity const* copy = wire.replica->dir()->entry(roots[i]->name());
      ASSERT_NE(copy, nullptr);
      ASSERT_EQ(attrlog_test::render(*copy), attrlog_test::render(*roots[i]))
          << "replica of root " << i << " at step " << step << " (seed " << GetParam() << ")";
    }
  }
  EXPECT_EQ(quiescent, steps / 100);
  // Departed children's adapters left the log with them: one adapter per
  // entity still in a tree.
  std::size_t entities = 0;
  for (auto const& root : roots) entities += RandomChanges::entities(*root).size();
  EXPECT_EQ(wire.demux->reactors(), entities);
  EXPECT_EQ(wire.replica->reactors(), entities);
  // Every record read, none of an entity not yet announced.
  EXPECT_EQ(wire.replica->recordsApplied(), wire.out().recordsCompleted());
  EXPECT_EQ(wire.replica->unknownEntities(), 0u);
  EXPECT_EQ(wire.replica->out()->byteCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FlowOutModel, ::testing::Values(1u, 7u, 2026u, 90210u, 31337u));

}  // namespace
