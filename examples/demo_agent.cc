// The demo's agent: a replica of the front end's configuration, and
// notifiees on it that print what a VRRP or virtual-ARP agent would act on.
#include "demo_agent.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

using namespace Routing::Fhrp;
using Xel::Ptr;
using Xel::valueToStrep;

void say(std::string const& what) {
  std::cout << "    agent: " << what << std::endl;
}

template <class T>
std::string text(T const& value) {
  return valueToStrep(value).stdString();
}

// Every notifiee the agent registers, kept for the agent's life.
std::vector<Ptr<Xel::PtrInterface::NotifieeConst>> watchers;

template <class N, class E>
void watch(N* n, Ptr<E> const& entity) {
  watchers.emplace_back(n);
  n->isRegisteredNotifieeIs(true);
  n->notifierIs(entity);
}

class TrackedWatch : public TrackedObject::Notifiee {
 public:
  explicit TrackedWatch(std::string where) : where_(std::move(where)) {}
  void onTrackPriorityDecrement() override {
    say(where_ + " lowers the priority by " + std::to_string(notifier()->trackPriorityDecrement()) +
        " when down");
  }

 private:
  std::string where_;
};

class RouterWatch : public VrrpVirtualRouterConfig::Notifiee {
 public:
  explicit RouterWatch(std::string where) : where_(std::move(where)) {}
  void onPriority() override {
    say(where_ + " priority is now " + std::to_string(notifier()->priority()));
  }
  void onPreempt() override {
    say(where_ + " preemption is now " + (notifier()->preempt() ? "on" : "off"));
  }
  void onPrimaryAddr() override {
    say(where_ + " primary address is now " + text(notifier()->primaryAddr()));
  }
  using VrrpVirtualRouterConfig::Notifiee::onSecondaryAddrs;
  void onSecondaryAddrs(Pelno::IpAddr a) override {
    say(where_ + " secondary address " + text(a) +
        (notifier()->secondaryAddrs(a) ? " added" : " removed"));
  }
  using VrrpVirtualRouterConfig::Notifiee::onVrrpTrackedObject;
  void onVrrpTrackedObject(Xel::String8 name) override {
    Ptr<TrackedObject> const t = notifier()->vrrpTrackedObject(name);
    say(where_ + (t ? " now tracks " : " no longer tracks ") + name.stdString());
    if (t) watch(new TrackedWatch(where_ + " tracked object " + name.stdString()), t);
  }

 private:
  std::string where_;
};

void watchRouter(Ptr<VrrpVirtualRouterConfig> const& r, std::string const& where) {
  watch(new RouterWatch(where), r);
  for (auto it = r->vrrpTrackedObjectIteratorConst(); it; it.advance()) {
    watch(new TrackedWatch(where + " tracked object " + it->trackedObjectName().stdString()),
          Ptr<TrackedObject>(const_cast<TrackedObject*>(it.ptr())));
  }
}

class VrrpIntfWatch : public VrrpIntfConfig::Notifiee {
 public:
  using VrrpIntfConfig::Notifiee::onVirtualRouterConfig;
  void onVirtualRouterConfig(VrId id) override {
    std::string const where =
        notifier()->intfId().name().stdString() + " vrid " + std::to_string(id.value());
    Ptr<VrrpVirtualRouterConfig> const r = notifier()->virtualRouterConfig(id);
    say(where + (r ? " configured" : " removed: stop advertising"));
    if (r) watchRouter(r, where);
  }
};

void watchVrrpIntf(Ptr<VrrpIntfConfig> const& intf) {
  watch(new VrrpIntfWatch, intf);
  std::string const name = intf->intfId().name().stdString();
  for (auto it = intf->virtualRouterConfigIteratorConst(); it; it.advance()) {
    watchRouter(Ptr<VrrpVirtualRouterConfig>(const_cast<VrrpVirtualRouterConfig*>(it.ptr())),
                name + " vrid " + std::to_string(it->vrId().value()));
  }
}

class VrrpWatch : public VrrpConfig::Notifiee {
 public:
  using VrrpConfig::Notifiee::onVrrpIntfConfig;
  void onVrrpIntfConfig(Pelno::IntfId i) override {
    Ptr<VrrpIntfConfig> const intf = notifier()->vrrpIntfConfig(i);
    say("VRRP " + std::string(intf ? "configured on " : "removed from ") + i.name().stdString());
    if (intf) watchVrrpIntf(intf);
  }
};

class VarpIntfWatch : public VarpIntfConfig::Notifiee {
 public:
  using VarpIntfConfig::Notifiee::onVirtualIpAddr;
  void onVirtualIpAddr(Pelno::IpAddrWithMask const& a) override {
    bool const present = notifier()->virtualIpAddr(a);
    say(notifier()->intfId().name().stdString() + " virtual address " + text(a) +
        (present ? " added: answer ARP for it" : " removed"));
  }
};

class VarpWatch : public VarpConfig::Notifiee {
 public:
  void onVirtualMac() override { say("virtual MAC is now " + text(notifier()->virtualMac())); }
  using VarpConfig::Notifiee::onVarpIntfConfig;
  void onVarpIntfConfig(Pelno::IntfId i) override {
    Ptr<VarpIntfConfig> const intf = notifier()->varpIntfConfig(i);
    say("virtual ARP " + std::string(intf ? "configured on " : "removed from ") +
        i.name().stdString());
    if (intf) watch(new VarpIntfWatch, intf);
  }
};

// Watches the whole replica as it stands, and whatever is added to it.
void watchConfig(Config const& config) {
  if (Ptr<VrrpConfig> const vrrp = config.vrrpConfig()) {
    watch(new VrrpWatch, vrrp);
    for (auto it = vrrp->vrrpIntfConfigIteratorConst(); it; it.advance()) {
      watchVrrpIntf(Ptr<VrrpIntfConfig>(const_cast<VrrpIntfConfig*>(it.ptr())));
    }
  }
  if (Ptr<VarpConfig> const varp = config.varpConfig()) {
    watch(new VarpWatch, varp);
    for (auto it = varp->varpIntfConfigIteratorConst(); it; it.advance()) {
      watch(new VarpIntfWatch, Ptr<VarpIntfConfig>(const_cast<VarpIntfConfig*>(it.ptr())));
    }
  }
}

bool transfer(int fd, void* data, std::size_t size, bool out) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t const n = out ? ::send(fd, p, size, MSG_NOSIGNAL) : ::recv(fd, p, size, 0);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int runAgent(int logFd, int controlFd) {
  attrlog::SocketLog log(logFd, attrlog::SocketLog::End::connecting);
  Ptr<Config> replica;
  for (;;) {
    pollfd p[2] = {{logFd, log.events(), 0}, {controlFd, POLLIN, 0}};
    if (p[0].events == 0) p[0].fd = -1;  // the log has ended
    ::poll(p, 2, -1);
    if (p[0].revents) log.handle(p[0].revents);
    if (!p[1].revents) continue;
    std::uint64_t sent;
    if (!transfer(controlFd, &sent, sizeof sent, false)) break;
    while (log.open() && log.bytesReceived() < sent) log.poll(-1);
    if (!replica && (replica = log.replica<Config>("fhrp"))) {
      // The initial state has arrived: from now on, every change is news.
      say("replica of 'fhrp' complete, " +
          std::to_string(replica->vrrpConfig()->vrrpIntfConfigMembers()) +
          " VRRP interfaces; watching it");
      watchConfig(*replica);
    }
    std::ostringstream shown;
    if (replica) shown << attrlog::snapshot(*replica);
    std::string const s = shown.str();
    std::uint64_t size = s.size();
    if (!transfer(controlFd, &size, sizeof size, true) ||
        !transfer(controlFd, const_cast<char*>(s.data()), s.size(), true)) {
      break;
    }
  }
  if (!log.open()) say("log ended: " + log.failure());
  return 0;
}

std::string AgentLink::catchUp(attrlog::SocketLog& log) {
  while (log.open() && !log.idle()) log.poll(-1);
  std::uint64_t sent = log.bytesSent();
  std::uint64_t size = 0;
  if (!transfer(fd_, &sent, sizeof sent, true) || !transfer(fd_, &size, sizeof size, false)) {
    return "";
  }
  std::string shown(size, '\0');
  return transfer(fd_, shown.data(), size, false) ? shown : "";
}
