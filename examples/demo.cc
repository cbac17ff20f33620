// make demo: a front end and a protocol agent in two processes, one tree.
//
// The front end builds a first-hop-redundancy configuration and starts an
// agent in a process of its own, connected by a socket pair. The agent
// holds a replica of the configuration and prints each change it is told
// of. The front end then edits: a priority, an address, a tracked object,
// a virtual router removed, the virtual MAC. Each edit reaches the agent
// as it happens. At the end both trees are compared.
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <sstream>

#include "demo_agent.h"

namespace {

using namespace Routing::Fhrp;
using Xel::Ptr;

Pelno::IntfId intf(char const* name) {
  return Pelno::IntfId(Xel::String8(name));
}
template <class T>
T value(char const* text) {
  return Pelno::fromString<T>(text);
}

Ptr<Config> buildConfiguration() {
  std::cout << "front end: VRRP on Ethernet1 (vrid 5 and 6) and Ethernet2 (vrid 5)\n";
  Ptr<Config> config = configFactory("fhrp");
  Ptr<VrrpConfig> const vrrp = config->vrrpConfigIs("vrrp");
  struct Group {
    char const* intf;
    unsigned id;
    char const* primary;
  };
  for (Group const& g : {Group{"Ethernet1", 5, "192.0.2.1"}, Group{"Ethernet1", 6, "192.0.2.129"},
                         Group{"Ethernet2", 5, "198.51.100.1"}}) {
    auto router = vrrp->vrrpIntfConfigIs(intf(g.intf))->virtualRouterConfigIs(VrId(g.id));
    router->primaryAddrIs(value<Pelno::IpAddr>(g.primary));
    router->vrrpTrackedObjectIs("uplink")->trackPriorityDecrementIs(30);
  }
  std::cout << "front end: virtual ARP, MAC 02:00:00:00:00:99, on Vlan200\n";
  Ptr<VarpConfig> const varp = config->varpConfigIs("varp");
  varp->virtualMacIs(value<Pelno::EthAddr>("02:00:00:00:00:99"));
  varp->varpIntfConfigIs(intf("Vlan200"))
      ->virtualIpAddrIs(value<Pelno::IpAddrWithMask>("203.0.113.1/25"), true);
  return config;
}

}  // namespace

int main() {
  auto const [frontLog, agentLog] = attrlog::socketPair();
  auto const [frontControl, agentControl] = attrlog::socketPair();
  std::cout.flush();
  pid_t const agent = ::fork();
  if (agent == 0) {
    ::close(frontLog);
    ::close(frontControl);
    return runAgent(agentLog, agentControl);
  }
  ::close(agentLog);
  ::close(agentControl);

  Ptr<Config> const config = buildConfiguration();
  std::cout << "front end: publishing it to the agent (process " << agent << ")" << std::endl;
  attrlog::SocketLog log(frontLog, attrlog::SocketLog::End::accepting);
  log.publish(*config);
  AgentLink link(frontControl);
  link.catchUp(log);

  Ptr<VrrpIntfConfig> const eth1 = config->vrrpConfig()->vrrpIntfConfig(intf("Ethernet1"));
  Ptr<VrrpVirtualRouterConfig> const vr5 = eth1->virtualRouterConfig(VrId(5));
  auto edit = [&](char const* what, std::function<void()> const& change) {
    std::cout << "front end: " << what << std::endl;
    change();
    link.catchUp(log);
  };
  edit("Ethernet1 vrid 5 priority 150", [&] { vr5->priorityIs(150); });
  edit("Ethernet1 vrid 5 priority 150 again (no change, nothing sent)",
       [&] { vr5->priorityIs(150); });
  edit("Ethernet1 vrid 5 secondary address 192.0.2.2, preemption off", [&] {
    vr5->secondaryAddrsIs(value<Pelno::IpAddr>("192.0.2.2"), true);
    vr5->preemptIs(false);
  });
  edit("Ethernet1 vrid 5 tracks core, and uplink lowers by 50", [&] {
    vr5->vrrpTrackedObjectIs("core")->trackPriorityDecrementIs(10);
    vr5->vrrpTrackedObject("uplink")->trackPriorityDecrementIs(50);
  });
  edit("Ethernet1 vrid 6 removed", [&] { eth1->virtualRouterConfigDel(VrId(6)); });
  edit("virtual MAC 02:00:00:00:00:aa, Vlan300 added", [&] {
    config->varpConfig()->virtualMacIs(value<Pelno::EthAddr>("02:00:00:00:00:aa"));
    config->varpConfig()
        ->varpIntfConfigIs(intf("Vlan300"))
        ->virtualIpAddrIs(value<Pelno::IpAddrWithMask>("203.0.113.129/25"), true);
  });

  std::ostringstream mine;
  mine << attrlog::snapshot(*config);
  bool const equal = link.catchUp(log) == mine.str();
  std::cout << "front end: the agent's replica " << (equal ? "equals" : "DIFFERS FROM")
            << " the front end's tree (" << log.bytesSent() << " bytes sent)" << std::endl;
  ::close(frontControl);
  int status = 0;
  ::waitpid(agent, &status, 0);
  bool const agentDone = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return equal && agentDone ? 0 : 1;
}
