// A million random operations on a value collection of the model, checked
// after every step against a std::map and the notifications the rules call
// for: sets that add, change or repeat, deletions of present and absent
// keys, keyed reads, delete-all, and walks that delete as they go.
//
// FHRP_RANDOM_SEED overrides the seed; a failure prints the seed in use.
#include <FhrpConf/FhrpConfig.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Routing::Fhrp::VrrpVirtualRouterConfig;

constexpr Xel::U32 kKeys = 32;

struct Watcher : VrrpVirtualRouterConfig::Notifiee {
  std::vector<Xel::U32> told;
  using VrrpVirtualRouterConfig::Notifiee::onSecondaryAddrs;
  void onSecondaryAddrs(Pelno::IpAddr key) override { told.push_back(key.hostOrder()); }
};

unsigned seed() {
  char const* text = std::getenv("FHRP_RANDOM_SEED");
  return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : 20261207u;
}

TEST(CollectionModel, MillionRandomOperationsMatchAMapAndTheNotificationRules) {
  unsigned const s = seed();
  SCOPED_TRACE("FHRP_RANDOM_SEED=" + std::to_string(s));
  std::mt19937 rng(s);
  auto pick = [&](Xel::U32 n) { return static_cast<Xel::U32>(rng() % n); };

  auto router = Routing::Fhrp::vrrpVirtualRouterConfigFactory(Routing::Fhrp::VrId(7));
  Xel::Ptr<Watcher> watcher(new Watcher);
  watcher->isRegisteredNotifieeIs(true);
  watcher->notifierIs(router);

  std::map<Xel::U32, bool> expected;
  Xel::U32 changes = 0, reads = 0;
  std::vector<Xel::U32> told;
  auto addr = [](Xel::U32 k) { return Pelno::IpAddr::fromHostOrder(k); };

  for (int step = 0; step < 1000000; ++step) {
    Xel::U32 const k = pick(kKeys);
    switch (pick(16)) {
      case 0:  // a walk that deletes some members as it goes
        for (auto it = router->secondaryAddrsIterator(); it; it.advance()) {
          if (pick(2)) continue;
          Xel::U32 const key = it->xelKey().hostOrder();
          bool const stored = expected.at(key);
          ASSERT_EQ(router->secondaryAddrsDel(it), stored);
          expected.erase(key);
          ++changes;
          told.push_back(key);
        }
        break;
      case 1:
        if (pick(8) == 0) {  // delete-all, now and then
          for (auto it = router->secondaryAddrsIteratorConst(); it; it.advance()) {
            told.push_back(it->xelKey().hostOrder());
          }
          changes += static_cast<Xel::U32>(expected.size());
          expected.clear();
          router->secondaryAddrsDelAll();
        }
        break;
      case 2:
      case 3:
      case 4: {
        auto const found = expected.find(k);
        bool const stored = found != expected.end() && found->second;
        ASSERT_EQ(router->secondaryAddrsDel(addr(k)), stored);
        if (found != expected.end()) {
          expected.erase(found);
          ++changes;
          told.push_back(k);
        }
        break;
      }
      case 5:
      case 6: {
        auto const found = expected.find(k);
        ASSERT_EQ(router->secondaryAddrs(addr(k)), found != expected.end() && found->second);
        ++reads;
        break;
      }
      default: {
        bool const v = pick(2);
        auto const found = expected.find(k);
        router->secondaryAddrsIs(addr(k), v);
        if (found == expected.end() || found->second != v) {
          expected[k] = v;
          ++changes;
          told.push_back(k);
        }
        break;
      }
    }
    ASSERT_EQ(watcher->told, told) << "step " << step;
    ASSERT_EQ(router->changeCount(), changes) << "step " << step;
    ASSERT_EQ(router->readCount(), reads) << "step " << step;
    ASSERT_EQ(router->secondaryAddrsMembers(), expected.size()) << "step " << step;
    std::map<Xel::U32, bool> actual;
    for (auto it = router->secondaryAddrsIteratorConst(); it; it.advance()) {
      ASSERT_TRUE(actual.emplace(it->xelKey().hostOrder(), it->value()).second) << "step " << step;
    }
    ASSERT_EQ(actual, expected) << "step " << step;
    watcher->told.clear();
    told.clear();
  }
}

}  // namespace
