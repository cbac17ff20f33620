// Test support: an agent at the other end of a socket, in another process
// or on another thread, holding a replica of the front end's tree.
//
// Besides the log's socket the agent has a control socket, on which the
// front end asks for the replica as it stands once it has read a given
// number of the log's bytes: a quiescent point across two processes. The
// answer is the replica rendered as text (operator<< of Tree).
#pragma once

#include <Xel/Types.h>

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace attrlog_test {

// The agent: reads the log on `logFd` into a replica of the root named
// `root`, and answers on `controlFd` until the front end closes it.
void agentMain(int logFd, int controlFd, char const* root);

// The front end's side of the control socket.
class AgentControl {
 public:
  explicit AgentControl(int fd) : fd_(fd) {}
  ~AgentControl();
  AgentControl(AgentControl const&) = delete;
  AgentControl& operator=(AgentControl const&) = delete;

  // The replica's text once the agent has read `bytes` bytes of the log;
  // empty when the agent has gone.
  std::string replicaAfter(Xel::U64 bytes);

 private:
  int fd_;
};

// Where the agent runs: another process or another thread.
class AgentHost {
 public:
  virtual ~AgentHost() = default;
  // Starts an agent on `logFd` and `controlFd`, which it then owns;
  // `frontFds` are the front end's ends of the two sockets.
  virtual void start(int logFd, int controlFd, int frontFds[2]) = 0;
  // Stops the agent where it stands, in the middle of whatever it reads.
  virtual void kill() = 0;
  // Waits for the agent to end; the front end has closed its ends.
  virtual void join() = 0;
};

// The front end of a run against an agent on `host`: random changes to a
// Config tree, the log driven between them, the agent killed and started
// afresh now and then, and at quiescent points the agent's replica equal
// to the tree (GoogleTest assertions).
void remoteConvergence(AgentHost& host, std::uint32_t seed, int steps);

// The number in environment variable `name`, or `otherwise`.
int stepsFromEnvironment(char const* name, int otherwise);

// Runs agentMain in a child process on the two sockets; the parent's ends
// (`closeInChild`) are closed in the child. Returns the child's pid.
pid_t forkAgent(int logFd, int controlFd, int closeInChild[2], char const* root);

}  // namespace attrlog_test
