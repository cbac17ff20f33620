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
    // After each read, every router in the replica has a watch, and no
    // router that has gone keeps one.
    std::erase_if(watched, [](auto const& w) { return w.first->parent() == nullptr; });
    Xel::Ptr<Config> const config = log.replica<Config>("fhrp");
    if (!config || !config->vrrpConfig()) continue;
    for (auto i = config->vrrpConfig()->vrrpIntfConfigIteratorConst(); i; i.advance()) {
      for (auto r = i->virtualRouterConfigIteratorConst(); r; r.advance()) {
        if (watched.count(r.ptr())) continue;
        Xel::Ptr<PriorityWatch> const w(new PriorityWatch);
        w->isRegisteredNotifieeIs(true);
        w->notifierIs(Xel::Ptr<Router const>(r.ptr()));
        watched[r.ptr()] = w;
        w->onPriority();  // the priority it has now
      }
    }
  }
  std::cout << "agent: " << log.failure() << std::endl;
  return 0;
}
