// The front end and the agent on two threads, each with its own tree and
// log: replication shares nothing between them but the socket.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <thread>

#include "remote_agent.h"

namespace {

// The agent on a thread of its own. It cannot be killed; it is cut off
// instead: its socket is shut down under it.
class ThreadHost : public attrlog_test::AgentHost {
 public:
  void start(int logFd, int controlFd, int[2]) override {
    logFd_ = logFd;
    thread_ = std::thread(attrlog_test::agentMain, logFd, controlFd, "config");
  }
  void kill() override { ::shutdown(logFd_, SHUT_RDWR); }
  void join() override {
    if (thread_.joinable()) thread_.join();
  }
  ~ThreadHost() override { join(); }

 private:
  int logFd_ = -1;
  std::thread thread_;
};

TEST(TwoThreads, TheAgentsReplicaEqualsTheSourceThroughRestarts) {
  ThreadHost host;
  attrlog_test::remoteConvergence(host, 8u,
                                  attrlog_test::stepsFromEnvironment("FHRP_THREAD_STEPS", 20000));
}

}  // namespace
