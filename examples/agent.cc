// A minimal agent: connects to a front end's Unix socket, holds a replica
// of its configuration, and prints each virtual router's priority as it
// changes.
//
//   fhrp-agent /tmp/fhrp.sock
#include <FhrpConf/FhrpConfig.h>

#include <iostream>
#include <map>

using namespace Routing::Fhrp;
using Router = VrrpVirtualRouterConfig;

// What the agent does when a router's priority changes: here, say so.
class PriorityWatch : public Router::Notifiee {
 public:
  void onPriority() override {
    auto const* intf = static_cast<VrrpIntfConfig const*>(notifier()->parent());
    std::cout << "agent: " << intf->intfId().name() << " vrid " << notifier()->vrId().value()
              << " priority " << notifier()->priority() << std::endl;
  }
};

int main(int argc, char** argv) {
  std::string const path = argc > 1 ? argv[1] : "/tmp/fhrp.sock";
  attrlog::SocketLog log(attrlog::connectUnix(path), attrlog::SocketLog::End::connecting);
  std::map<Router const*, Xel::Ptr<PriorityWatch>> watched;
  while (log.open()) {
    log.poll(-1);
    // After each read, the routers in the replica are the ones watched: a
    // new one gets a watch, one that has gone (alone or with its
    // interface) loses its own.
    std::map<Router const*, Xel::Ptr<PriorityWatch>> now;
    Xel::Ptr<Config> const config = log.replica<Config>("fhrp");
    if (config && config->vrrpConfig()) {
      for (auto i = config->vrrpConfig()->vrrpIntfConfigIteratorConst(); i; i.advance()) {
        for (auto r = i->virtualRouterConfigIteratorConst(); r; r.advance()) {
          auto const seen = watched.find(r.ptr());
          if (seen != watched.end()) {
            now.insert(*seen);
            continue;
          }
          Xel::Ptr<PriorityWatch> const w(new PriorityWatch);
          w->isRegisteredNotifieeIs(true);
          w->notifierIs(Xel::Ptr<Router const>(r.ptr()));
          now[r.ptr()] = w;
          w->onPriority();  // the priority it has now
        }
      }
    }
    watched.swap(now);
  }
  std::cout << "agent: " << log.failure() << std::endl;
  return 0;
}
