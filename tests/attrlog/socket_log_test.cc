// Replication over real sockets, driven the way a program's poll loop
// drives it: the ways to connect, a reader too slow for the writer, bad
// input and a peer that goes, and a random front end whose replica, at
// every quiescent point, equals it and has heard exactly what made it so.
#include <FhrpConf/FhrpConfig.h>
#include <Xel/Exception.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "heard.h"
#include "plain_replica.h"
#include "random_changes.h"
#include "remote_agent.h"
#include "wire_bytes.h"

namespace {

using namespace Routing::Fhrp;
using attrlog::SocketLog;
using attrlog_test::Events;
using attrlog_test::RandomChanges;
using attrlog_test::render;
using Xel::Ptr;
using Router = VrrpVirtualRouterConfig;

Pelno::IntfId intf(char const* name) {
  return Pelno::IntfId(Xel::String8(name));
}

// A front end and an agent in this process, one log at each end.
struct Ends {
  std::unique_ptr<SocketLog> front, agent;

  Ends() = default;
  Ends(int frontFd, int agentFd, std::size_t capacity = SocketLog::defaultCapacity)
      : front(std::make_unique<SocketLog>(frontFd, SocketLog::End::accepting, capacity)),
        agent(std::make_unique<SocketLog>(agentFd, SocketLog::End::connecting, capacity)) {}
  static Ends pair(std::size_t capacity = SocketLog::defaultCapacity) {
    auto const [a, b] = attrlog::socketPair();
    return Ends(a, b, capacity);
  }

  bool quiet() const {
    return front->idle() && agent->idle() && agent->bytesReceived() == front->bytesSent() &&
           front->bytesReceived() == agent->bytesSent();
  }
  // Both ends polled until nothing is on its way.
  void settle() {
    for (int i = 0; !quiet(); ++i) {
      ASSERT_LT(i, 1000000) << "no quiescent point: front " << front->out()->byteCount() << " "
                            << front->demuxer().flowOutPending() << " " << front->events()
                            << " agent " << agent->out()->byteCount() << " "
                            << agent->demuxer().flowOutPending() << " " << agent->events() << " "
                            << front->bytesSent() << " " << agent->bytesReceived();
      ASSERT_TRUE(front->open()) << front->failure();
      ASSERT_TRUE(agent->open()) << agent->failure();
      front->poll(0);
      agent->poll(0);
    }
  }
};

Ptr<Config> sampleConfig() {
  Ptr<Config> config = configFactory("config");
  Ptr<Router> r = config->vrrpConfigIs("vrrp")
                      ->vrrpIntfConfigIs(intf("Ethernet1"))
                      ->virtualRouterConfigIs(VrId(5));
  r->priorityIs(120);
  r->vrrpTrackedObjectIs("uplink")->trackPriorityDecrementIs(20);
  return config;
}

Ptr<Router> routerOf(Config& c) {
  return c.vrrpConfig()->vrrpIntfConfig(intf("Ethernet1"))->virtualRouterConfig(VrId(5));
}

// Over each kind of socket: the replica follows the front end, and the
// agent's own edit goes back.
TEST(SocketLog, ReplicatesBothWaysOverEachKindOfSocket) {
  std::string const path = ::testing::TempDir() + "fhrp-socket-log-" + std::to_string(getpid());
  struct Kind {
    char const* name;
    std::function<Ends()> connect;
  };
  Kind const kinds[] = {
      {"socket pair", [] { return Ends::pair(); }},
      {"Unix socket",
       [&] {
         int const listening = attrlog::listenUnix(path);
         int const agent = attrlog::connectUnix(path);
         Ends ends(attrlog::acceptOn(listening), agent);
         ::close(listening);
         ::unlink(path.c_str());
         return ends;
       }},
      {"TCP on loopback",
       [] {
         int const listening = attrlog::listenTcp(0);
         int const agent = attrlog::connectTcp(attrlog::listeningPort(listening));
         Ends ends(attrlog::acceptOn(listening), agent);
         ::close(listening);
         return ends;
       }},
  };
  for (Kind const& kind : kinds) {
    SCOPED_TRACE(kind.name);
    Ptr<Config> const config = sampleConfig();
    Ends ends = kind.connect();
    ends.front->publish(*config);
    ASSERT_NO_FATAL_FAILURE(ends.settle());
    Ptr<Config> const copy = ends.agent->replica<Config>("config");
    ASSERT_TRUE(copy);
    EXPECT_EQ(render(*copy), render(*config));

    routerOf(*config)->priorityIs(140);
    ASSERT_NO_FATAL_FAILURE(ends.settle());
    EXPECT_EQ(routerOf(*copy)->priority(), 140u);
    routerOf(*copy)->preemptDelayIs(9);
    ASSERT_NO_FATAL_FAILURE(ends.settle());
    EXPECT_EQ(routerOf(*config)->preemptDelay(), 9u);
    EXPECT_EQ(render(*copy), render(*config));
  }
}

// A reader that takes nothing for a while: the writer never blocks, holds
// no more than its buffer, and loses nothing.
TEST(SocketLog, ASlowReaderCostsTheWriterNeitherTimeNorChanges) {
  Ptr<Config> const config = configFactory("config");
  Ptr<VrrpIntfConfig> const eth = config->vrrpConfigIs("vrrp")->vrrpIntfConfigIs(intf("Ethernet1"));
  for (unsigned v = 1; v <= 200; ++v) eth->virtualRouterConfigIs(VrId(v));
  std::size_t const capacity = 64 * 1024;
  Ends ends = Ends::pair(capacity);
  for (int fd : {ends.front->fd(), ends.agent->fd()}) {
    int const size = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  }
  ends.front->publish(*config);
  std::size_t held = 0;
  for (unsigned i = 0; i < 100000; ++i) {
    eth->virtualRouterConfig(VrId(1 + i % 200))->priorityIs(1 + i % 254);
    if (i % 1000 == 0) ends.front->poll(0);  // the front end's loop, the agent asleep
    held = std::max(held, ends.front->out()->byteCount());
  }
  EXPECT_LE(held, capacity);
  EXPECT_FALSE(ends.front->idle());
  ASSERT_NO_FATAL_FAILURE(ends.settle());
  EXPECT_EQ(render(*ends.agent->replica<Config>("config")), render(*config));
}

TEST(SocketLog, EndsWithAClearReason) {
  // Bad input: the record's message, the replica as it was, and the
  // peer told by the socket's end.
  {
    Ptr<Config> const config = sampleConfig();
    Ends ends = Ends::pair();
    ends.front->publish(*config);
    ASSERT_NO_FATAL_FAILURE(ends.settle());
    auto const before = render(*ends.agent->replica<Config>("config"));
    Xel::EntityId const router = routerOf(*config)->xelNboAttrLogSa(ends.front->out())->entityId();
    auto const bad = attrlog_test::record(router, 261, 0, 1, 0, attrlog_test::Bytes().u8(1));
    ASSERT_EQ(::send(ends.front->fd(), bad.data(), bad.size(), 0),
              static_cast<ssize_t>(bad.size()));
    while (ends.agent->open()) ends.agent->poll(-1);
    EXPECT_THAT(ends.agent->failure(),
                testing::StartsWith("record at offset 0: a record of priority (261)"));
    EXPECT_EQ(render(*ends.agent->replica<Config>("config")), before);
    while (ends.front->open()) ends.front->poll(-1);
    EXPECT_EQ(ends.front->failure(), "the peer closed the connection");
    // An ended log takes changes quietly, as for a reader that reads nothing.
    routerOf(*config)->priorityIs(10);
    EXPECT_EQ(ends.front->events(), 0);
  }
  auto refused = [](std::function<void()> const& call, std::string const& message) {
    EXPECT_THAT(call, testing::ThrowsMessage<Xel::Exception>(testing::StrEq(message)));
  };
  refused([] { attrlog::connectUnix("/nonexistent/fhrp.sock"); },
          "connect to /nonexistent/fhrp.sock: No such file or directory");
  refused([] { attrlog::listenUnix("/nonexistent/fhrp.sock"); },
          "bind /nonexistent/fhrp.sock: No such file or directory");
  refused([] { attrlog::connectUnix(std::string(200, 'x')); },
          "address " + std::string(200, 'x') + ": File name too long");
  auto const [a, b] = attrlog::socketPair();
  ::close(b);
  EXPECT_THAT([a] { SocketLog(a, SocketLog::End::connecting, 4096); },
              testing::ThrowsMessage<Xel::RangeException>(testing::StrEq(
                  "a socket log's capacity of 4096 bytes is below the 32768 a record may take")));
  EXPECT_EQ(::fcntl(a, F_GETFD), -1) << "the socket was not closed";
}

// The model-based test: random changes anywhere in a Config tree (values,
// members, children made and removed, Config's children replaced), socket
// buffers and log capacities of random sizes, deferred changes written in
// random slices, random turns for the two ends, and the agent now and then
// restarted with the tree it had. At every quiescent point the replica
// equals the source; everything the replica's notifiees heard, the source's
// heard too, and no more often; and everything that differs from the
// last quiescent point, the replica's heard.
class Convergence : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(Convergence, TheReplicaEqualsTheSourceAndHeardTheNetChanges) {
  RandomChanges changes(GetParam());
  std::mt19937& rng = changes.rng();
  auto pick = [&rng](auto const& options) {
    return options[std::uniform_int_distribution<std::size_t>(0, std::size(options) - 1)(rng)];
  };
  auto chance = [&rng](unsigned permille) {
    return std::uniform_int_distribution<unsigned>(0, 999)(rng) < permille;
  };
  Ptr<Config> const source = configFactory("config");
  for (int i = 0; i < 300; ++i) changes.changeDeep(*source);
  attrlog_test::Heard sourceHeard(*source);

  Ends ends;
  Xel::U64 unknownEntities = 0;
  auto connect = [&](Ptr<Xel::Dir> const& kept) {
    if (ends.agent) unknownEntities += ends.agent->demuxer().unknownEntities();
    // The old logs first: their adapters leave the entities.
    ends = Ends();
    auto const [a, b] = attrlog::socketPair();
    for (int fd : {a, b}) {
      int const sizes[] = {4096, 16384, 65536, 262144};
      int const send = pick(sizes), receive = pick(sizes);
      ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &send, sizeof send);
      ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive, sizeof receive);
    }
    std::size_t const capacities[] = {40000, 65536, 262144, SocketLog::defaultCapacity};
    ends = Ends(a, b, pick(capacities));
    Xel::U32 const budgets[] = {1, 7, 50, Xel::NboAttrLog::Demuxer::unlimitedBudget};
    ends.front->flowOutBudgetIs(pick(budgets));
    if (kept) ends.agent->demuxer().dirIs(kept);
    ends.front->publish(*source);
  };
  connect(nullptr);
  ASSERT_NO_FATAL_FAILURE(ends.settle());
  Ptr<Config> const replica = ends.agent->replica<Config>("config");
  ASSERT_TRUE(replica);
  attrlog_test::Heard replicaHeard(*replica);
  sourceHeard.take();
  attrlog_test::Tree last = render(*source);

  int const steps = attrlog_test::stepsFromEnvironment("FHRP_CONVERGENCE_STEPS", 50000);
  int quiescent = 0, restarts = 0, next = 100;
  std::size_t diffCount = 0;
  for (int step = 1; step <= steps; ++step) {
    if (chance(600)) {
      changes.changeDeep(*source);
    } else if (chance(400)) {
      ends.front->poll(0);
    } else if (chance(600)) {
      ends.agent->poll(0);
    } else if (chance(980)) {
      ends.front->flush();
    } else {
      // The agent restarts mid-stream, keeping the tree it had.
      connect(ends.agent->demuxer().dir());
      ++restarts;
    }
    if (step < next && step != steps) continue;
    next = step + std::uniform_int_distribution<int>(20, 400)(rng);
    ASSERT_NO_FATAL_FAILURE(ends.settle());
    ++quiescent;
    attrlog_test::Tree const now = render(*source);
    ASSERT_EQ(render(*replica), now) << "step " << step << " (seed " << GetParam() << ")";
    Events const sourceEvents = sourceHeard.take();
    Events const replicaEvents = replicaHeard.take();
    for (auto const& [e, times] : replicaEvents) {
      // Inside a child the source made anew the replica may hear anything
      // that differs from the child it held; elsewhere, only what the
      // source heard, and no more often.
      if (attrlog_test::below(e, sourceEvents)) continue;
      auto const source = sourceEvents.find(e);
      ASSERT_NE(source, sourceEvents.end())
          << "the replica heard " << e << " at step " << step << " (seed " << GetParam() << ")";
      EXPECT_LE(times, source->second)
          << e << " heard too often at step " << step << " (seed " << GetParam() << ")";
    }
    auto const diffs = attrlog_test::differences(last, now, replicaEvents);
    diffCount += diffs.size();
    for (auto const& [d, once] : diffs) {
      EXPECT_TRUE(replicaEvents.count(d))
          << "the replica missed " << d << " at step " << step << " (seed " << GetParam() << ")";
    }
    last = now;
  }
  EXPECT_GT(quiescent, steps / 400);
  EXPECT_GT(restarts, steps / 2000);
  // Not a quiet run: the replica heard thousands of changes.
  EXPECT_GT(diffCount, static_cast<std::size_t>(steps / 10));
  // The agent read no record of an entity it did not know, on any log.
  EXPECT_EQ(unknownEntities + ends.agent->demuxer().unknownEntities(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Convergence, ::testing::Values(3u, 11u, 2026u, 65537u));

// The agent in a process of its own, killed mid-stream now and then and
// started again with nothing.
class ProcessHost : public attrlog_test::AgentHost {
 public:
  void start(int logFd, int controlFd, int frontFds[2]) override {
    pid_ = attrlog_test::forkAgent(logFd, controlFd, frontFds, "config");
    killed_ = false;
    ::close(logFd);
    ::close(controlFd);
  }
  void kill() override {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    killed_ = true;
  }
  void join() override {
    if (pid_ <= 0) return;
    int status = 0;
    ASSERT_EQ(::waitpid(std::exchange(pid_, -1), &status, 0) > 0, true);
    if (!killed_) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
  }
  ~ProcessHost() override {
    kill();
    join();
  }

 private:
  pid_t pid_ = -1;
  bool killed_ = false;
};

TEST(TwoProcesses, TheAgentsReplicaEqualsTheSourceThroughKillsAndRestarts) {
  ProcessHost host;
  int const steps = attrlog_test::stepsFromEnvironment("FHRP_PROCESS_STEPS", 10000);
  for (std::uint32_t seed : {5u, 1999u}) attrlog_test::remoteConvergence(host, seed, steps);
}

}  // namespace
