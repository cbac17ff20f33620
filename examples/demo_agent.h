// The demo's two processes: the front end that owns the configuration, and
// the agent that holds a replica of it over a socket.
#pragma once

#include <FhrpConf/FhrpConfig.h>
#include <Pelno/Text.h>

#include <string>

// The agent: reads the log on `logFd` and prints each change it is told of.
// On `controlFd` the front end asks it to catch up: a number of bytes sent
// on the log; once it has read them, it answers with its replica's
// snapshot, printed. Returns, with the process's exit status, when the
// front end closes `controlFd`.
int runAgent(int logFd, int controlFd);

// The front end's side of the control socket.
class AgentLink {
 public:
  explicit AgentLink(int controlFd) : fd_(controlFd) {}
  // Sends what `log` holds and waits until the agent has read it all (and
  // printed what it heard); returns the agent's replica, printed.
  std::string catchUp(Routing::Fhrp::attrlog::SocketLog& log);

 private:
  int fd_;
};
