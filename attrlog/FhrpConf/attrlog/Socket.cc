#include "FhrpConf/attrlog/Socket.h"

#include <Xel/Exception.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Routing::Fhrp::attrlog {

namespace {

[[noreturn]] void fail(char const* call, std::string const& where, int fd = -1) {
  int const error = errno;
  if (fd >= 0) ::close(fd);
  std::string const what = where.empty() ? std::string(call) : std::string(call) + " " + where;
  Xel::throwException(Xel::String8(what + ": " + std::strerror(error)));
}

int newSocket(int domain, std::string const& where) {
  int const fd = ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) fail("socket for", where);
  return fd;
}

sockaddr_un unixAddress(std::string const& path) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  if (path.size() >= sizeof a.sun_path) {
    errno = ENAMETOOLONG;
    fail("address", path);
  }
  std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
  return a;
}

sockaddr_in loopback(unsigned short port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

std::string tcpWhere(unsigned short port) {
  return "127.0.0.1:" + std::to_string(port);
}

}  // namespace

std::pair<int, int> socketPair() {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) fail("socketpair", "");
  return {fds[0], fds[1]};
}

int listenUnix(std::string const& path) {
  sockaddr_un const a = unixAddress(path);
  int const fd = newSocket(AF_UNIX, path);
  // A socket left by an earlier run is replaced; anything else at the path
  // is not ours to remove, and bind says so.
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(path.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr const*>(&a), sizeof a) != 0) fail("bind", path, fd);
  if (::listen(fd, 16) != 0) fail("listen on", path, fd);
  return fd;
}

int connectUnix(std::string const& path) {
  sockaddr_un const a = unixAddress(path);
  int const fd = newSocket(AF_UNIX, path);
  if (::connect(fd, reinterpret_cast<sockaddr const*>(&a), sizeof a) != 0) {
    fail("connect to", path, fd);
  }
  return fd;
}

int listenTcp(unsigned short port) {
  sockaddr_in const a = loopback(port);
  int const fd = newSocket(AF_INET, tcpWhere(port));
  int const on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<sockaddr const*>(&a), sizeof a) != 0) {
    fail("bind", tcpWhere(port), fd);
  }
  if (::listen(fd, 16) != 0) fail("listen on", tcpWhere(port), fd);
  return fd;
}

unsigned short listeningPort(int fd) {
  sockaddr_in a{};
  socklen_t size = sizeof a;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0) fail("getsockname", "");
  return ntohs(a.sin_port);
}

int connectTcp(unsigned short port) {
  sockaddr_in const a = loopback(port);
  int const fd = newSocket(AF_INET, tcpWhere(port));
  if (::connect(fd, reinterpret_cast<sockaddr const*>(&a), sizeof a) != 0) {
    fail("connect to", tcpWhere(port), fd);
  }
  // A change is one small record: it goes out now, not when more follow.
  int const on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

int acceptOn(int fd) {
  for (;;) {
    int const c = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c >= 0) {
      int const on = 1;
      // Harmless on a Unix socket, which has no such option.
      ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return c;
    }
    if (errno != EINTR) fail("accept on", "socket " + std::to_string(fd));
  }
}

}  // namespace Routing::Fhrp::attrlog
