#include "remote_agent.h"

#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/attrlog/SocketLog.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#include "plain_replica.h"
#include "random_changes.h"

namespace attrlog_test {

using Routing::Fhrp::attrlog::SocketLog;

namespace {

bool readAll(int fd, void* data, std::size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t const n = ::recv(fd, p, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool writeAll(int fd, void const* data, std::size_t size) {
  auto const* p = static_cast<char const*>(data);
  while (size > 0) {
    ssize_t const n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

void agentMain(int logFd, int controlFd, char const* root) {
  SocketLog log(logFd, SocketLog::End::connecting);
  for (;;) {
    short const events = log.events();
    pollfd p[2] = {{events ? logFd : -1, events, 0}, {controlFd, POLLIN, 0}};
    if (::poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (p[0].revents) log.handle(p[0].revents);
    if (!p[1].revents) continue;
    Xel::U64 want;
    if (!readAll(controlFd, &want, sizeof want)) break;
    while (log.open() && log.bytesReceived() < want) log.poll(-1);
    std::ostringstream text;
    if (!log.open()) text << "log ended: " << log.failure() << "\n";
    if (Xel::Ptr<Xel::Entity> const replica = log.replica<Xel::Entity>(root)) {
      text << render(*replica);
    }
    std::string const s = text.str();
    auto const size = static_cast<Xel::U32>(s.size());
    if (!writeAll(controlFd, &size, sizeof size) || !writeAll(controlFd, s.data(), s.size())) {
      break;
    }
  }
  ::close(controlFd);
}

AgentControl::~AgentControl() {
  ::close(fd_);
}

std::string AgentControl::replicaAfter(Xel::U64 bytes) {
  Xel::U32 size = 0;
  if (!writeAll(fd_, &bytes, sizeof bytes) || !readAll(fd_, &size, sizeof size)) return "";
  std::string text(size, '\0');
  return readAll(fd_, text.data(), size) ? text : "";
}

int stepsFromEnvironment(char const* name, int otherwise) {
  char const* const value = std::getenv(name);
  return value ? std::atoi(value) : otherwise;
}

void remoteConvergence(AgentHost& host, std::uint32_t seed, int steps) {
  RandomChanges changes(seed);
  std::mt19937& rng = changes.rng();
  auto chance = [&rng](unsigned permille) {
    return std::uniform_int_distribution<unsigned>(0, 999)(rng) < permille;
  };
  Xel::Ptr<Routing::Fhrp::Config> const source = Routing::Fhrp::configFactory("config");
  for (int i = 0; i < 300; ++i) changes.changeDeep(*source);

  std::unique_ptr<SocketLog> front;
  std::unique_ptr<AgentControl> control;
  bool connected = false;
  auto connect = [&] {
    auto const [frontLog, agentLog] = Routing::Fhrp::attrlog::socketPair();
    auto const [frontControl, agentControl] = Routing::Fhrp::attrlog::socketPair();
    int frontFds[2] = {frontLog, frontControl};
    host.start(agentLog, agentControl, frontFds);
    front = std::make_unique<SocketLog>(frontLog, SocketLog::End::accepting);
    control = std::make_unique<AgentControl>(frontControl);
    front->publish(*source);
    connected = true;
  };
  auto disconnect = [&] {
    front.reset();
    control.reset();
    host.join();
    connected = false;
  };
  // However the run ends, the agent ends with it.
  struct Ending {
    std::function<void()> end;
    ~Ending() { end(); }
  } const ending{[&] {
    if (connected) disconnect();
  }};

  connect();
  int compared = 0;
  int restarts = 0;
  for (int step = 1; step <= steps; ++step) {
    if (chance(700)) {
      changes.changeDeep(*source);
    } else if (chance(990)) {
      front->poll(0);
    } else {
      // The agent dies mid-stream; the front end writes on until it
      // notices, then starts a new agent, which knows nothing.
      host.kill();
      for (int i = 0; i < 20; ++i) {
        changes.changeDeep(*source);
        front->poll(0);
      }
      disconnect();
      connect();
      ++restarts;
    }
    if (step % 250 != 0) continue;
    for (int i = 0; !front->idle() && front->open() && i < 1000; ++i) front->poll(1000);
    ASSERT_TRUE(front->open()) << front->failure();
    ASSERT_TRUE(front->idle()) << "the agent reads nothing";
    std::ostringstream want;
    want << render(*source);
    ASSERT_EQ(control->replicaAfter(front->bytesSent()), want.str())
        << "step " << step << " (seed " << seed << ")";
    ++compared;
  }
  disconnect();
  EXPECT_EQ(compared, steps / 250);
  EXPECT_GT(restarts, 0);
}

pid_t forkAgent(int logFd, int controlFd, int closeInChild[2], char const* root) {
  pid_t const pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // The parent's objects, copied by the fork, are not this process's to
    // destroy, and an exception must not run the parent's tests here.
    int status = 0;
    try {
      ::close(closeInChild[0]);
      ::close(closeInChild[1]);
      agentMain(logFd, controlFd, root);
    } catch (...) {
      status = 2;
    }
    ::_exit(status);
  }
  return pid;
}

}  // namespace attrlog_test
