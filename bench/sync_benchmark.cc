// Replication between two processes, as a front end and an agent run it:
// the far end is a child process, on the other end of a Unix socket pair.
//
//   sync            a configuration of N routers published by the front end
//                   until the agent's replica is complete (the agent sees a
//                   marker published after it); beside moving as many bytes
//                   raw through the same kind of socket, protobuf
//                   serializing equal messages, sending them and parsing
//                   them on the other side, and building the tree locally
//                   (raw + tree_build is the work no replica can avoid)
//   change_latency  one setter in the front end until the agent's handler
//                   has run and answered, p50 and p99; beside a raw ping of
//                   the record's size over the same path
//   burst           100,000 (and 1,000,000) changes to a replica whose agent reads slowly:
//                   how far the writer's heap grows meanwhile, beside the
//                   tree's own and the log's (its buffer and adapters), the
//                   bytes it sent (fewer than the changes' records when
//                   changes waiting for room collapse), and the agent's
//                   replica checked equal to the front end's at the end
//
// Each answer from the agent comes back on a control socket, so that the
// connection carries the log alone. The agent says when its replica is
// complete, and again once it has let the replica go, so that the next
// iteration's clock never runs while the agent is still tearing down.
#include <FhrpConf/FhrpConfig.h>
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "per_router.h"
#include "tree_shape.h"

#if FHRP_BENCH_WITH_PROTOBUF
#include "protobuf_config.h"
#endif

namespace {

using namespace Routing::Fhrp;
using attrlog::SocketLog;
using Clock = std::chrono::steady_clock;

void writeAll(int fd, void const* data, std::size_t n) {
  auto const* p = static_cast<char const*>(data);
  while (n > 0) {
    // A dead peer is an error to report, not a signal that ends the run.
    ssize_t const done = ::send(fd, p, n, MSG_NOSIGNAL);
    if (done <= 0) throw std::runtime_error("write failed");
    p += done;
    n -= std::size_t(done);
  }
}

// False when the other end closed first.
bool readAll(int fd, void* data, std::size_t n) {
  auto* p = static_cast<char*>(data);
  while (n > 0) {
    ssize_t const done = ::read(fd, p, n);
    if (done <= 0) return false;
    p += done;
    n -= std::size_t(done);
  }
  return true;
}

// The far end: a child process, forked before the benchmark builds
// anything (so that it shares no heap with the front end), serving one
// connection per iteration. Each connection is a new socket pair, whose
// far end reaches the agent over a control socket (as SCM_RIGHTS); the
// agent answers on the control socket too, so that the connection carries
// the log alone.
class Agent {
 public:
  // serve(connection, self) runs in the child for each connection, owns
  // the connection's descriptor, may answer any number of times through
  // self.tell, and returns a last answer (0 for none).
  using Serve = std::function<char(int connection, Agent const& self)>;

  explicit Agent(Serve serve) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) throw std::runtime_error("socketpair");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::close(fds[0]);
      control_ = fds[1];
      try {
        for (int connection; (connection = receiveFd()) >= 0;) {
          if (char const last = serve(connection, *this)) tell(last);
        }
      } catch (...) {
        ::_exit(1);  // the front end sees the control socket close
      }
      ::_exit(0);  // nothing of the benchmark's runs again here
    }
    ::close(fds[1]);
    control_ = fds[0];
  }
  ~Agent() {
    ::close(control_);
    ::waitpid(pid_, nullptr, 0);
  }
  Agent(Agent const&) = delete;
  Agent& operator=(Agent const&) = delete;

  // A new connection to the agent: the front end's end of it.
  int connect() const {
    auto const [mine, theirs] = attrlog::socketPair();
    FdMessage m;
    cmsghdr* const c = CMSG_FIRSTHDR(&m.msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &theirs, sizeof(int));
    if (::sendmsg(control_, &m.msg, MSG_NOSIGNAL) != 1) throw std::runtime_error("sendmsg failed");
    ::close(theirs);
    return mine;
  }

  void tell(char c) const { writeAll(control_, &c, 1); }
  char await() const {
    char c = 0;
    return readAll(control_, &c, 1) ? c : 0;
  }

 private:
  // One byte carrying one descriptor.
  struct FdMessage {
    char byte = 0;
    iovec io{&byte, 1};
    alignas(cmsghdr) char space[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{nullptr, 0, &io, 1, space, sizeof space, 0};
    FdMessage() = default;
    FdMessage(FdMessage const&) = delete;
  };

  int receiveFd() const {
    FdMessage m;
    if (::recvmsg(control_, &m.msg, 0) != 1) return -1;
    cmsghdr* const c = CMSG_FIRSTHDR(&m.msg);
    if (!c || c->cmsg_type != SCM_RIGHTS) return -1;
    int fd;
    std::memcpy(&fd, CMSG_DATA(c), sizeof fd);
    return fd;
  }

  pid_t pid_;
  int control_;
};

double seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Until everything the log holds has gone into the socket.
void drain(SocketLog& log) {
  while (log.open() && !log.idle()) log.poll(-1);
}

// The agent's half of a sync: reads until the front end's marker has
// arrived, a root of its own (a named one, found in the directory by its
// name) that the front end publishes last.
bool replicaUntil(SocketLog& log, char const* marker) {
  while (log.open() && !log.replica<VrrpIpAddrs>(marker)) log.poll(-1);
  return log.open();
}

void syncModel(benchmark::State& state) {
  Agent const agent([](int connection, Agent const& self) {
    SocketLog log(connection, SocketLog::End::connecting);
    self.tell(replicaUntil(log, "sync-done") ? 'y' : 'n');
    return 'd';  // once the replica is gone with the log
  });
  auto const n = Xel::U32(state.range(0));
  auto const config = bench::configOf(n);
  std::size_t const bytes = bench::fullStateBytes(*config);
  for (auto _ : state) {
    int const connection = agent.connect();
    auto const start = Clock::now();
    {
      SocketLog log(connection, SocketLog::End::accepting);
      log.publish(*config);
      drain(log);
      auto const marker = vrrpIpAddrsFactory("sync-done");
      log.publish(*marker);
      drain(log);
      char const answer = agent.await();
      state.SetIterationTime(seconds(Clock::now() - start));
      if (answer != 'y') state.SkipWithError("the agent's replica is incomplete");
    }  // the log and its adapters go, untimed
    agent.await();
  }
  bench::perRouter(state, n, bytes);
}

// The same number of bytes through the same kind of socket, read whole on
// the other side: what moving the full state costs by itself.
void syncRaw(benchmark::State& state) {
  Agent const agent([](int connection, Agent const& self) {
    Xel::U64 left = 0;
    std::vector<char> chunk(256 << 10);
    bool whole = readAll(connection, &left, sizeof left);
    while (whole && left > 0) {
      std::size_t const piece = std::min<std::size_t>(left, chunk.size());
      whole = readAll(connection, chunk.data(), piece);
      left -= piece;
    }
    ::close(connection);
    self.tell(whole ? 'y' : 'n');
    return 'd';
  });
  auto const n = Xel::U32(state.range(0));
  Xel::U64 const bytes = bench::fullStateBytes(*bench::configOf(n));
  std::vector<char> const chunk(256 << 10, 'x');
  for (auto _ : state) {
    int const connection = agent.connect();
    auto const start = Clock::now();
    writeAll(connection, &bytes, sizeof bytes);
    for (Xel::U64 left = bytes; left > 0;) {
      std::size_t const piece = std::min<std::size_t>(left, chunk.size());
      writeAll(connection, chunk.data(), piece);
      left -= piece;
    }
    char const answer = agent.await();
    state.SetIterationTime(seconds(Clock::now() - start));
    ::close(connection);
    agent.await();
    if (answer != 'y') state.SkipWithError("the bytes did not all arrive");
  }
  bench::perRouter(state, n, bytes);
}

// Building the tree where it is needed, from nothing: what the agent would
// do with no log at all.
void syncTreeBuild(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  for (auto _ : state) {
    auto const start = Clock::now();
    auto config = bench::configOf(n);
    state.SetIterationTime(seconds(Clock::now() - start));
    config = nullptr;
  }
  bench::perRouter(state, n, 0);
}

#if FHRP_BENCH_WITH_PROTOBUF
void syncProtobuf(benchmark::State& state) {
  Agent const agent([](int connection, Agent const& self) {
    Xel::U64 size = 0;
    std::string wire;
    bool whole = readAll(connection, &size, sizeof size);
    if (whole) {
      wire.resize(size);
      whole = readAll(connection, wire.data(), size);
    }
    ::close(connection);
    fhrp_bench::Config replica;
    self.tell(whole && replica.ParseFromString(wire) ? 'y' : 'n');
    return 'd';  // once the messages are gone
  });
  auto const n = Xel::U32(state.range(0));
  fhrp_bench::Config const config = bench::protobufConfigOf(n);
  std::size_t bytes = 0;
  for (auto _ : state) {
    int const connection = agent.connect();
    auto const start = Clock::now();
    std::string const wire = config.SerializeAsString();
    Xel::U64 const size = wire.size();
    writeAll(connection, &size, sizeof size);
    writeAll(connection, wire.data(), wire.size());
    char const answer = agent.await();
    state.SetIterationTime(seconds(Clock::now() - start));
    bytes = wire.size();
    ::close(connection);
    agent.await();
    if (answer != 'y') state.SkipWithError("the agent could not parse the messages");
  }
  bench::perRouter(state, n, bytes);
}
#endif

// Times `send` until the agent answers 'c', once an iteration, and reports
// the round trips' p50 and p99.
template <class Send>
void roundTrips(benchmark::State& state, Agent const& agent, Send const& send) {
  std::vector<double> ns;
  for (auto _ : state) {
    auto const start = Clock::now();
    send();
    if (agent.await() != 'c') {
      state.SkipWithError("the agent did not answer");
      break;
    }
    auto const took = Clock::now() - start;
    state.SetIterationTime(seconds(took));
    ns.push_back(double(std::chrono::nanoseconds(took).count()));
  }
  if (ns.empty()) return;
  std::sort(ns.begin(), ns.end());
  state.counters["p50_ns"] = ns[ns.size() / 2];
  state.counters["p99_ns"] = ns[ns.size() * 99 / 100];
}

// The agent's side of the change benchmark: answers each change of the
// watched router's priority.
struct Answering : VrrpVirtualRouterConfig::Notifiee {
  Agent const* agent = nullptr;
  void onPriority() override { agent->tell('c'); }
};

Xel::Ptr<VrrpVirtualRouterConfig> firstRouter(Config const& config) {
  return config.vrrpConfig()->vrrpIntfConfig(bench::interface(0))->virtualRouterConfig(VrId(1));
}

std::size_t changeRecordBytes = 0;

void changeModel(benchmark::State& state) {
  Agent const agent([](int connection, Agent const& self) {
    SocketLog log(connection, SocketLog::End::connecting);
    if (!replicaUntil(log, "sync-done")) return 'n';
    Xel::Ptr<Answering> const answering(new Answering);
    answering->agent = &self;
    answering->isRegisteredNotifieeIs(true);
    answering->notifierIs(firstRouter(*log.replica<Config>("fhrp")));
    self.tell('r');
    while (log.open()) log.poll(-1);
    return char(0);
  });
  auto const config = bench::configOf(4);
  auto const router = firstRouter(*config);
  SocketLog log(agent.connect(), SocketLog::End::accepting);
  log.publish(*config);
  auto const synced = vrrpIpAddrsFactory("sync-done");
  log.publish(*synced);
  drain(log);
  if (agent.await() != 'r') {
    state.SkipWithError("the agent has no replica");
    return;
  }
  Xel::U32 priority = router->priority();
  roundTrips(state, agent, [&] {
    Xel::U64 const sent = log.bytesSent();
    router->priorityIs(priority = priority % 250 + 1);
    log.flush();
    changeRecordBytes = std::size_t(log.bytesSent() - sent);
  });
}

// The same path with the record's bytes written by hand and read whole.
void changeRawPing(benchmark::State& state) {
  std::size_t const size = changeRecordBytes ? changeRecordBytes : 32;
  Agent const agent([size](int connection, Agent const& self) {
    std::vector<char> record(size);
    while (readAll(connection, record.data(), size)) self.tell('c');
    ::close(connection);
    return char(0);
  });
  std::vector<char> const record(size, 'x');
  int const connection = agent.connect();
  roundTrips(state, agent, [&] { writeAll(connection, record.data(), size); });
  ::close(connection);
}

// One change of the burst: a new priority, or a secondary address (one of
// three, the third absent at first) added or removed.
struct BurstStep {
  Xel::U32 intf, router, what, priority;
};

std::vector<BurstStep> burstSteps(Xel::U32 n, std::size_t count) {
  std::mt19937 random(18);
  std::vector<BurstStep> steps;
  for (std::size_t i = 0; i < count; ++i) {
    steps.push_back({Xel::U32(random() % (n / bench::kRoutersPerInterface)),
                     Xel::U32(random() % bench::kRoutersPerInterface + 1), Xel::U32(random() % 4),
                     Xel::U32(random() % 254 + 1)});
  }
  return steps;
}

void apply(Config& config, BurstStep const& s) {
  auto const router = config.vrrpConfig()
                          ->vrrpIntfConfig(bench::interface(s.intf))
                          ->virtualRouterConfig(VrId(s.router));
  if (s.what == 3) {
    router->priorityIs(s.priority);
    return;
  }
  auto const addr = bench::secondaryAddr(s.intf, s.router, s.what);
  if (router->secondaryAddrs(addr)) {
    router->secondaryAddrsDel(addr);
  } else {
    router->secondaryAddrsIs(addr, true);
  }
}

bool sameRouters(Config const& a, Config const& b, Xel::U32 n) {
  for (Xel::U32 i = 0; i < n / bench::kRoutersPerInterface; ++i) {
    auto const ia = a.vrrpConfig()->vrrpIntfConfig(bench::interface(i));
    auto const ib = b.vrrpConfig()->vrrpIntfConfig(bench::interface(i));
    for (Xel::U32 r = 1; r <= bench::kRoutersPerInterface; ++r) {
      auto const ra = ia->virtualRouterConfig(VrId(r)), rb = ib->virtualRouterConfig(VrId(r));
      if (!ra || !rb || ra->priority() != rb->priority()) return false;
      for (Xel::U32 k = 0; k < 3; ++k) {
        auto const addr = bench::secondaryAddr(i, r, k);
        if (ra->secondaryAddrs(addr) != rb->secondaryAddrs(addr)) return false;
      }
    }
  }
  return true;
}

void burstModel(benchmark::State& state) {
  auto const n = Xel::U32(state.range(0));
  auto const changes = std::size_t(state.range(1));
  auto const steps = burstSteps(n, changes);
  // The agent checks its replica against a tree of its own, built as the
  // front end's is and brought through the same steps.
  Agent const agent([n, &steps](int connection, Agent const& self) {
    SocketLog log(connection, SocketLog::End::connecting);
    if (!replicaUntil(log, "sync-done")) return 'n';
    self.tell('r');
    // A slow reader: a look at the socket every 100 ms, while 100,000
    // changes take the front end about 150.
    while (log.open() && !log.replica<VrrpIpAddrs>("burst-done")) {
      ::poll(nullptr, 0, 100);
      log.poll(0);
    }
    auto const expected = bench::configOf(n);
    for (auto const& s : steps) apply(*expected, s);
    return log.open() && sameRouters(*expected, *log.replica<Config>("fhrp"), n) ? 'y' : 'n';
  });
  for (auto _ : state) {
    auto const beforeTree = bench::heapNow().liveBytes;
    auto const config = bench::configOf(n);
    auto const treeBytes = bench::heapNow().liveBytes - beforeTree;
    SocketLog log(agent.connect(), SocketLog::End::accepting);
    log.publish(*config);
    auto const synced = vrrpIpAddrsFactory("sync-done");
    log.publish(*synced);
    drain(log);
    // The log's own: its buffer and an adapter for every entity.
    auto const logBytes = bench::heapNow().liveBytes - beforeTree - treeBytes;
    if (agent.await() != 'r') {
      state.SkipWithError("the agent has no replica");
      break;
    }
    auto const before = bench::heapNow().liveBytes;
    auto const sentBefore = log.bytesSent();
    auto peak = before;
    auto const start = Clock::now();
    for (auto const& s : steps) {
      apply(*config, s);
      log.flush();
      peak = std::max(peak, bench::heapNow().liveBytes);
    }
    state.SetIterationTime(seconds(Clock::now() - start));
    drain(log);
    auto const marker = vrrpIpAddrsFactory("burst-done");
    log.publish(*marker);
    drain(log);
    if (agent.await() != 'y') state.SkipWithError("the agent's replica differs after the burst");
    state.counters["changes"] = double(changes);
    state.counters["bytes_sent"] = double(log.bytesSent() - sentBefore);
    state.counters["peak_writer_bytes"] = double(peak - before);
    state.counters["tree_bytes"] = double(treeBytes);
    state.counters["log_bytes"] = double(logBytes);
  }
}

[[maybe_unused]] int const registered = [] {
  using Run = void (*)(benchmark::State&);
  std::vector<std::pair<char const*, Run>> syncs{
      {"model", syncModel}, {"raw", syncRaw}, {"tree_build", syncTreeBuild}};
#if FHRP_BENCH_WITH_PROTOBUF
  syncs.emplace_back("protobuf", syncProtobuf);
#endif
  for (long n : {1000L, 10000L, 100000L, 1000000L}) {
    for (auto [variant, run] : syncs) {
      auto const name = std::string("sync/") + variant;
      auto* b = benchmark::RegisterBenchmark(name.c_str(), run);
      b->Arg(n)->UseManualTime()->Unit(benchmark::kMillisecond);
      if (n >= 100000) b->Iterations(1);
    }
  }
  // The model's row runs first: the raw ping then sends as many bytes as
  // its record took.
  benchmark::RegisterBenchmark("change_latency/model", changeModel)
      ->UseManualTime()
      ->Iterations(20000);
  benchmark::RegisterBenchmark("change_latency/raw_ping", changeRawPing)
      ->UseManualTime()
      ->Iterations(20000);
  // Ten times the changes to the same tree: the writer's growth stays where
  // it was, bounded by what can be dirty, not by how often it changed.
  benchmark::RegisterBenchmark("burst/model", burstModel)
      ->Args({10000, 100000})
      ->Args({10000, 1000000})
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  return 0;
}();

}  // namespace
