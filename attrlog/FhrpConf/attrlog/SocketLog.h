// SocketLog: an attribute log over a connected stream socket, the way a
// front end and an agent in two processes share a tree.
//
// OVERVIEW
//   One end publishes a tree (publish): its full state goes out, then every
//   change. The other end reads the records as they arrive and builds a
//   replica, found by name (replica<T>), whose notifiees hear each change
//   as they would on the front end's own tree. Either end may do both: an
//   agent's own edits to its replica go back the same way.
//
//   The socket is nonblocking and driven by poll: a program with a loop of
//   its own polls events() for fd() and calls handle() with what poll
//   reported; a simple one calls poll(timeout). Records are applied as soon
//   as they are whole. Bytes are sent when the socket takes them.
//
// BACK-PRESSURE
//   The log buffers at most `capacity` bytes in front of the socket. When a
//   slow reader fills the socket and the buffer, changes are not written
//   but remembered (a dirty bit per attribute, a dirty key per member), and
//   written, with the value they then hold, once the socket drains. The
//   writer never blocks and never loses a change; what it holds for a slow
//   reader is bounded by the buffer and the dirty bits, not by the number
//   of changes.
//
// ERRORS
//   The log ends (open() false, failure() says why) when the peer closes
//   the connection ("the peer closed the connection"), when the socket
//   fails (the system's reason), or when a record from the peer cannot be
//   applied (the reader's message; the replica stays as it was before that
//   record, and the socket is shut down so that the peer learns of it).
//   An ended log writes nothing and raises nothing: changes wait, as for a
//   slow reader, until the log is destroyed. To reconnect, make a new
//   SocketLog and publish again; a reader that keeps its replica puts it in
//   the new log's directory first (demuxer().dir()->entryIs(replica), or
//   the old log's whole directory with demuxer().dirIs), and the
//   full state that follows brings it up to date, each difference notified
//   once.
//
// ENTITY IDS
//   Each end names the entities it brings onto the log with ids of its own;
//   the two ends of a connection take ids from two spaces, chosen by End,
//   so that an agent's new entity never takes an id the front end uses.
//
// THREAD SAFETY
//   A log and the trees on it are used from one thread.
//
// TYPICAL USAGE
//   // front end                               // agent
//   SocketLog log(acceptOn(listening),          SocketLog log(connectUnix(path),
//                 SocketLog::End::accepting);                 SocketLog::End::connecting);
//   log.publish(*config);                       while (log.open()) log.poll(-1);
//   config->...Is(...);  log.poll(0);           // log.replica<Config>("config")
#pragma once

#include <FhrpConf/Export.h>
#include <Xel/Demuxer.h>
#include <Xel/Entity.h>
#include <Xel/NboAttrLog.h>
#include <Xel/Ptr.h>

#include <cstddef>
#include <string>
#include <vector>

namespace Routing::Fhrp::attrlog {

class FHRPCONF_EXPORT SocketLog {
 public:
  // Which end of the connection this is: the one that connected, or the
  // one that accepted (for a socket pair, one of each).
  enum class End { connecting, accepting };

  static constexpr std::size_t defaultCapacity = std::size_t{1} << 20;

  // Takes over `fd`, a connected stream socket (closed if this raises), and
  // makes it nonblocking. `capacity` is at least Out::maxMessageSize(), the
  // room a writer asks for before each record: RangeException otherwise.
  SocketLog(int fd, End end, std::size_t capacity = defaultCapacity);
  // Closes the socket. The adapters stay on the log while others hold its
  // demultiplexer, which then neither writes nor counts as connected.
  ~SocketLog();
  SocketLog(SocketLog const&) = delete;
  SocketLog& operator=(SocketLog const&) = delete;

  int fd() const noexcept { return fd_; }
  Xel::NboAttrLog::Demuxer& demuxer() const noexcept { return *demuxer_; }
  Xel::Ptr<Xel::NboAttrLog::Out> const& out() const noexcept { return demuxer_->out(); }

  // Puts `root` and everything below it on the log.
  void publish(Xel::Entity& root);
  // The root the peer published under `name`, once its announcement has
  // arrived; null before, or when it is not a T.
  template <class T>
  Xel::Ptr<T> replica(Xel::String8 const& name) const {
    return Xel::Ptr<T>(dynamic_cast<T*>(demuxer_->dir()->entry(name)));
  }

  // What to poll fd() for now. 0 once the log has ended: leave fd() out of
  // the poll set then, as the socket, shut down, would report a hang-up
  // for ever.
  short events() const noexcept;
  // Reads and applies what has arrived, sends what waits and writes
  // deferred changes while the socket takes them; `revents` is what poll
  // reported for fd(). The replica's notifiees run inside it: they may
  // change the tree, but must not destroy the log.
  void handle(short revents);
  // Polls fd() for up to `timeoutMs` (-1: no limit) and handles what is
  // ready. False when nothing was.
  bool poll(int timeoutMs);
  // Sends what waits and writes deferred changes, as far as the socket
  // takes them now.
  void flush();

  bool open() const noexcept { return failure_.empty(); }
  std::string const& failure() const noexcept { return failure_; }
  // Nothing waits to be sent: no bytes, no deferred change.
  bool idle() const noexcept;
  // Bytes the socket took, and bytes read from it.
  Xel::U64 bytesSent() const noexcept { return sent_; }
  Xel::U64 bytesReceived() const noexcept { return received_; }
  // Deferred changes are written in slices of `steps` attributes or
  // members, one slice per flush (default: all that fit).
  void flowOutBudgetIs(Xel::U32 steps) noexcept { budget_ = steps; }

 private:
  class Wire;

  void send();
  void receive();
  void fail(std::string reason);

  int fd_;
  Xel::Ptr<Wire> wire_;
  Xel::Ptr<Xel::NboAttrLog::Demuxer> demuxer_;
  std::string failure_;
  // Bytes read and not yet applied: in_[inHead_, inEnd_).
  std::vector<Xel::U8> in_;
  std::size_t inHead_ = 0;
  std::size_t inEnd_ = 0;
  Xel::U64 sent_ = 0;
  Xel::U64 received_ = 0;
  Xel::U32 budget_;
  // The last flush could write nothing although changes are deferred: no
  // use asking poll for room until a record arrives, a root is published
  // or the caller flushes.
  bool stuck_ = false;
};

}  // namespace Routing::Fhrp::attrlog
