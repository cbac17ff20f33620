// A front end configures VRRP on three interfaces and a virtual-ARP gateway
// on two VLANs; a VRRP agent watches the tree the way protocol agents do,
// then the front end sets the priority of virtual router 5 on Ethernet1 to
// 150, and the agent reports what it heard.
#include <FhrpConf/FhrpConfig.h>
#include <Pelno/Text.h>

#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "walks.h"

namespace {

using namespace Routing::Fhrp;
using Xel::Ptr;

Pelno::IntfId intf(char const* name) {
  return Pelno::IntfId(Xel::String8(name));
}
Pelno::IpAddr ip(char const* text) {
  return Pelno::fromString<Pelno::IpAddr>(text);
}

// Watches one virtual router and reports every change it is told of.
class RouterAgent : public VrrpVirtualRouterConfig::Notifiee {
 public:
  explicit RouterAgent(std::string where) : where_(std::move(where)) {}
  void onPriority() override { report("priority", std::to_string(notifier()->priority())); }
  void onPreempt() override { report("preempt", notifier()->preempt() ? "on" : "off"); }
  using VrrpVirtualRouterConfig::Notifiee::onSecondaryAddrs;
  void onSecondaryAddrs(Pelno::IpAddr a) override {
    report("secondary address", Pelno::valueToStrep(a).stdString());
  }

 private:
  void report(char const* what, std::string const& value) {
    std::cout << "  agent: " << where_ << " " << what << " is now " << value << "\n";
  }
  std::string where_;
};

// Watches the interface list: a new interface is a new place to run VRRP.
class VrrpAgent : public VrrpConfig::Notifiee {
 public:
  using VrrpConfig::Notifiee::onVrrpIntfConfig;
  void onVrrpIntfConfig(Pelno::IntfId i) override {
    bool const present = static_cast<bool>(notifier()->vrrpIntfConfig(i));
    std::cout << "  agent: interface " << i.name() << (present ? " configured" : " removed")
              << "\n";
  }
};

template <class N, class E>
Ptr<N> watch(Ptr<N> n, Ptr<E> const& e) {
  n->isRegisteredNotifieeIs(true);
  n->notifierIs(e);
  return n;
}

}  // namespace

void walkConfiguration() {
  auto config = configFactory("fhrp");
  auto vrrp = config->vrrpConfigIs("vrrp");
  auto vrrpAgent = watch(Ptr<VrrpAgent>(new VrrpAgent), vrrp);

  std::cout << "front end: VRRP on Ethernet1, Ethernet2 and Vlan100\n";
  struct Group {
    char const* intf;
    unsigned id;
    char const* primary;
    char const* secondary;
  };
  for (Group const& g : {Group{"Ethernet1", 5, "192.0.2.1", "192.0.2.2"},
                         Group{"Ethernet1", 6, "192.0.2.129", "192.0.2.130"},
                         Group{"Ethernet2", 5, "198.51.100.1", "198.51.100.2"},
                         Group{"Vlan100", 10, "198.51.100.129", "198.51.100.130"}}) {
    auto router = vrrp->vrrpIntfConfigIs(intf(g.intf))->virtualRouterConfigIs(VrId(g.id));
    router->primaryAddrIs(ip(g.primary));
    router->secondaryAddrsIs(ip(g.secondary), true);
    router->vrrpTrackedObjectIs("uplink-Ethernet49")->trackPriorityDecrementIs(30);
    vrrp->virtualIpAddrIs(VirtualIp::VrfIpPair(L3::VrfName("default"), ip(g.primary)),
                          FhrpIntfIdPair(intf(g.intf), VrId(g.id)));
  }

  std::cout << "front end: virtual-ARP gateway 02:00:00:00:00:99 on Vlan200 and Vlan300\n";
  auto varp = config->varpConfigIs("varp");
  varp->virtualMacIs(Pelno::fromString<Pelno::EthAddr>("02:00:00:00:00:99"));
  for (auto const& [vlan, address] :
       {std::pair{"Vlan200", "203.0.113.1/25"}, std::pair{"Vlan300", "203.0.113.129/25"}}) {
    varp->varpIntfConfigIs(intf(vlan))
        ->virtualIpAddrIs(Pelno::fromString<Pelno::IpAddrWithMask>(address), true);
  }

  auto router5 = vrrp->vrrpIntfConfig(intf("Ethernet1"))->virtualRouterConfig(VrId(5));
  auto agent = watch(Ptr<RouterAgent>(new RouterAgent("Ethernet1 vrid 5")), router5);
  std::cout << "agent: watching Ethernet1 vrid 5 (priority " << router5->priority() << ", primary "
            << router5->primaryAddr() << ", tracking " << router5->vrrpTrackedObjectMembers()
            << " object)\n";

  std::cout << "front end: Ethernet1 vrid 5 priority 150\n";
  config->vrrpConfig()
      ->vrrpIntfConfig(intf("Ethernet1"))
      ->virtualRouterConfig(VrId(5))
      ->priorityIs(150);
  std::cout << "front end: the same again (nothing to tell)\n";
  router5->priorityIs(150);
  std::cout << "front end: Ethernet1 vrid 5 preempt off, one more address\n";
  router5->preemptIs(false);
  router5->secondaryAddrsIs(ip("192.0.2.3"), true);
  std::cout << "front end: Ethernet2 removed\n";
  vrrp->vrrpIntfConfigDel(intf("Ethernet2"));

  std::cout << "model: " << vrrp->vrrpIntfConfigMembers() << " VRRP interfaces, "
            << vrrp->virtualIpAddrMembers() << " virtual addresses indexed, router change counter "
            << router5->changeCount() << "\n";
}
