// Stream sockets for an attribute log: the few ways a front end and an
// agent find each other.
//
// Each call returns an open file descriptor that the caller owns (a
// SocketLog takes it over), or raises Xel::Exception naming the call that
// failed, the address and the system's reason:
//   "connect to /run/fhrp.sock: No such file or directory"
//
// TYPICAL USAGE
//   // front end                              // agent
//   int l = listenUnix("/run/fhrp.sock");     int fd = connectUnix("/run/fhrp.sock");
//   int fd = acceptOn(l);
#pragma once

#include <FhrpConf/Export.h>

#include <string>
#include <utility>

namespace Routing::Fhrp::attrlog {

// Two connected Unix stream sockets, for two ends in one process or across
// a fork.
FHRPCONF_EXPORT std::pair<int, int> socketPair();

// A Unix stream socket listening at `path` (an old socket file there is
// replaced).
FHRPCONF_EXPORT int listenUnix(std::string const& path);
FHRPCONF_EXPORT int connectUnix(std::string const& path);

// A TCP socket listening on the loopback address at `port` (0: any free
// port; listeningPort says which).
FHRPCONF_EXPORT int listenTcp(unsigned short port);
FHRPCONF_EXPORT unsigned short listeningPort(int fd);
FHRPCONF_EXPORT int connectTcp(unsigned short port);

// The next connection on listening socket `fd`; waits for one.
FHRPCONF_EXPORT int acceptOn(int fd);

}  // namespace Routing::Fhrp::attrlog
