#include "FhrpConf/attrlog/SocketLog.h"

#include <Xel/Exception.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <string>
#include <utility>

namespace Routing::Fhrp::attrlog {

namespace {

// Once this much waits, a record's end sends it at once, so that a large
// full state streams out while it is being written.
constexpr std::size_t sendAt = std::size_t{1} << 16;
constexpr std::size_t readChunk = std::size_t{1} << 16;
// One handle() reads at most this much, so that the other direction (and
// the caller's other sockets) get their turn.
constexpr std::size_t readLimit = std::size_t{1} << 20;
// An input buffer grown by a large record is given back above this.
constexpr std::size_t inKeep = std::size_t{1} << 22;

}  // namespace

// The log's buffer, which sends its bytes when enough have gathered.
class SocketLog::Wire : public Xel::NboAttrLog::Out {
 public:
  Wire(SocketLog* log, std::size_t capacity) : Out(capacity), log_(log) {}
  void logGone() noexcept { log_ = nullptr; }

 protected:
  void onRecordComplete() override {
    if (log_ && byteCount() >= sendAt) log_->send();
  }

 private:
  SocketLog* log_;
};

namespace {

// The socket, closed unless handed on: the log owns it from the start.
struct FdGuard {
  int fd;
  ~FdGuard() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

SocketLog::SocketLog(int fd, End end, std::size_t capacity)
    : fd_(-1), budget_(Xel::NboAttrLog::Demuxer::unlimitedBudget) {
  FdGuard guard{fd};
  // A writer asks for this much room before each record: in less, nothing
  // would ever be written.
  if (capacity < Xel::NboAttrLog::Out::maxMessageSize()) {
    Xel::throwRangeException(Xel::String8(
        "a socket log's capacity of " + std::to_string(capacity) + " bytes is below the " +
        std::to_string(Xel::NboAttrLog::Out::maxMessageSize()) + " a record may take"));
  }
  int const flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
    Xel::throwException(Xel::String8(std::string("socket log: ") + std::strerror(errno)));
  }
  wire_ = Xel::Ptr<Wire>(new Wire(this, capacity));
  demuxer_ = Xel::NboAttrLog::Demuxer::demuxerNew(wire_);
  demuxer_->idSpaceIs(end == End::accepting ? Xel::NboAttrLog::Demuxer::upperIdSpace : 0);
  fd_ = std::exchange(guard.fd, -1);
}

SocketLog::~SocketLog() {
  // Whoever still holds the log writes to no one.
  wire_->logGone();
  wire_->writableIs(false);
  wire_->connectedIs(false);
  ::close(fd_);
}

void SocketLog::publish(Xel::Entity& root) {
  root.xelNboAttrLogSaIs(Xel_BitSet(), 0, out(), nullptr);
  // Its full state is due, whatever the last flush could not write.
  stuck_ = false;
}

bool SocketLog::idle() const noexcept {
  return out()->byteCount() == 0 && !demuxer_->flowOutPending();
}

short SocketLog::events() const noexcept {
  if (!open()) return 0;
  bool const due = out()->byteCount() > 0 || (demuxer_->flowOutPending() && !stuck_);
  return static_cast<short>(POLLIN | (due ? POLLOUT : 0));
}

void SocketLog::handle(short revents) {
  if (!open()) return;
  if (revents & POLLNVAL) {
    fail("poll: the socket is not open");
    return;
  }
  if (revents & (POLLIN | POLLHUP | POLLERR)) {
    // What arrives may let a stuck change through (it may change the
    // entity, or remove it).
    stuck_ = false;
    receive();
  }
  if (open()) flush();
}

bool SocketLog::poll(int timeoutMs) {
  pollfd p{fd_, events(), 0};
  if (p.events == 0) return false;
  int const ready = ::poll(&p, 1, timeoutMs);
  if (ready < 0 && errno != EINTR) fail(std::string("poll: ") + std::strerror(errno));
  if (ready <= 0) return false;
  handle(p.revents);
  return true;
}

void SocketLog::flush() {
  Xel::NboAttrLog::Out& out = *wire_;
  stuck_ = false;
  for (;;) {
    send();
    // A full socket: poll says when it drains.
    if (!open() || out.byteCount() > 0 || !demuxer_->flowOutPending()) return;
    Xel::U64 const before = out.bytesCompleted();
    demuxer_->flowOutRun(budget_);
    // A run that wrote nothing and ended with changes still due, budget
    // left and room in the log: no adapter can write anything now.
    stuck_ = out.bytesCompleted() == before && demuxer_->flowOutPending() &&
             demuxer_->flowOutBudget() > 0 && out.hasSufficientBuffer();
    if (stuck_ || budget_ != Xel::NboAttrLog::Demuxer::unlimitedBudget) {
      send();
      return;
    }
  }
}

void SocketLog::send() {
  Xel::NboAttrLog::Out& out = *wire_;
  while (open() && out.byteCount() > 0) {
    auto const bytes = out.bytes();
    ssize_t const n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
      out.bytesDel(static_cast<std::size_t>(n));
      sent_ += static_cast<Xel::U64>(n);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      return;
    } else if (errno != EINTR) {
      fail(std::string("send: ") + std::strerror(errno));
    }
  }
}

void SocketLog::receive() {
  std::size_t taken = 0;
  while (open() && taken < readLimit) {
    if (in_.size() - inEnd_ < readChunk) {
      // Move the unapplied start of a record to the front, and grow when
      // a record longer than the buffer is arriving.
      if (inHead_ > 0) {
        std::memmove(in_.data(), in_.data() + inHead_, inEnd_ - inHead_);
        inEnd_ -= inHead_;
        inHead_ = 0;
      }
      if (in_.size() - inEnd_ < readChunk) in_.resize(std::max(2 * in_.size(), 2 * readChunk));
    }
    ssize_t const n = ::recv(fd_, in_.data() + inEnd_, in_.size() - inEnd_, MSG_DONTWAIT);
    if (n == 0) {
      fail("the peer closed the connection");
    } else if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      if (errno != EINTR) fail(std::string("recv: ") + std::strerror(errno));
    } else {
      inEnd_ += static_cast<std::size_t>(n);
      received_ += static_cast<Xel::U64>(n);
      taken += static_cast<std::size_t>(n);
      try {
        inHead_ += demuxer_->flowInRun({in_.data() + inHead_, inEnd_ - inHead_});
      } catch (Xel::Exception const& e) {
        // The peer's bad record: the log ends, the replica as it was.
        fail(e.message().stdString());
      } catch (std::exception const& e) {
        // Not the peer's doing (memory, say): the log ends all the same,
        // lest the records before it be applied again, and the caller
        // hears of it.
        fail(e.what());
        throw;
      }
      if (inHead_ == inEnd_) {
        inHead_ = inEnd_ = 0;
        if (in_.size() > inKeep) std::vector<Xel::U8>().swap(in_);
      }
    }
  }
}

void SocketLog::fail(std::string reason) {
  if (!open()) return;
  failure_ = std::move(reason);
  // Changes wait from now on, as for a reader that takes nothing.
  wire_->writableIs(false);
  wire_->connectedIs(false);
  ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace Routing::Fhrp::attrlog
