#include "fuzz_support.h"

#include <FhrpConf/entity/AttrTable.h>
#include <FhrpConf/reflect/Registration.h>
#include <Pelno/Text.h>
#include <Xel/ReferenceText.h>
#include <Xel/XelType.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "../attrlog/random_changes.h"

namespace fuzz {

using Xel::NboAttrLog::Demuxer;
using Xel::NboAttrLog::Out;

template <class T>
T value(char const* text) {
  return Pelno::fromString<T>(text);
}

Xel::Ptr<Routing::Fhrp::Config> sampleConfig() {
  using namespace Routing::Fhrp;
  auto const ethernet1 = value<Pelno::IntfId>("'Ethernet1'");
  auto const vlan200 = value<Pelno::IntfId>("'Vlan200'");
  Xel::Ptr<Config> config = configFactory("config");
  config->acceptModeIs(VirtualIp::acceptModeEnabled);
  config->allowDuplicateIs(true);

  Xel::Ptr<VrrpConfig> const vrrp = config->vrrpConfigIs("vrrp");
  Xel::Ptr<VrrpVirtualRouterConfig> const router =
      vrrp->vrrpIntfConfigIs(ethernet1)->virtualRouterConfigIs(VrId(5));
  router->versionIs(3);
  router->priorityIs(150);
  router->preemptIs(false);
  router->primaryAddrIs(value<Pelno::IpAddr>("192.0.2.1"));
  router->secondaryAddrsIs(value<Pelno::IpAddr>("192.0.2.2"), true);
  router->ip6AddrsIs(value<Pelno::Ip6Addr>("2001:db8::1"), true);
  router->bfdPeerAddrV6Is(value<Pelno::Ip6Addr>("2001:db8::9"));
  router->authTypeIs(Pelno::vrrpAuthText);
  router->authKeyIs("s3cret");
  router->descriptionIs("uplink to core");
  router->adminEnabledStateIs(Interface::IntfEnabledState(1));
  router->vrrpTrackedObjectIs("uplink")->trackPriorityDecrementIs(30);
  vrrp->virtualIpAddrIs(value<VirtualIp::VrfIpPair>("('default', 192.0.2.1)"),
                        FhrpIntfIdPair(ethernet1, VrId(5)));
  vrrp->virtualIp6LinkLocalAddrIs(value<VirtualIp::VrfIpPair>("('default', 2001:db8::1)"))
      ->vrIdIntfIs(FhrpIntfIdPair(ethernet1, VrId(5)), true);
  vrrp->ipv6ForceIpv4MacPrefixIs(true);

  Xel::Ptr<VarpConfig> const varp = config->varpConfigIs("varp");
  varp->virtualMacIs(value<Pelno::EthAddr>("02:00:00:00:00:99"));
  Xel::Ptr<VarpIntfConfig> const intf = varp->varpIntfConfigIs(vlan200);
  intf->virtualIpAddrIs(value<Pelno::IpAddrWithMask>("203.0.113.1/25"), true);
  intf->virtualIp6AddrIs(value<Pelno::Ip6Addr>("2001:db8::2"), true);
  intf->varpTrackedObjectIs("core")->trackActionIsShutdownIs(true);
  varp->virtualIpAddrIs(value<VirtualIp::VrfIpPair>("('default', 203.0.113.1)"))
      ->intfIdToMaskIs(vlan200, 25);
  return config;
}

Writer::Writer() : log(Demuxer::demuxerNew(Out::outNew())) {}

void Writer::publish(Xel::Entity& root) {
  root.xelNboAttrLogSaIs(Xel_BitSet(), 0, log->out(), nullptr);
}

Bytes Writer::take() {
  log->flowOutRun();
  auto const bytes = log->out()->bytes();
  Bytes taken(bytes.begin(), bytes.end());
  log->out()->bytesDel(bytes.size());
  return taken;
}

std::vector<Xel::String8> referencesTo(Routing::Fhrp::Config const& config) {
  std::vector<Xel::String8> texts;
  auto& root = const_cast<Routing::Fhrp::Config&>(config);
  for (Xel::Entity const* e : attrlog_test::RandomChanges::entities(root)) {
    texts.push_back(Xel::valueToStrepOfRawPtr(e));
  }
  return texts;
}

std::vector<Xel::XelType const*> const& registeredTypes() {
  static std::vector<Xel::XelType const*> const all = [] {
    std::vector<Xel::Name> names = Xel::XelType::typeNodeNames();
    std::sort(names.begin(), names.end());
    std::vector<Xel::XelType const*> types;
    for (Xel::Name const& name : names) types.push_back(Xel::XelType::typeNode(name));
    return types;
  }();
  return all;
}

Bytes const& sampleLog() {
  static Bytes const bytes = [] {
    Xel::Ptr<Routing::Fhrp::Config> const config = sampleConfig();
    Writer writer;
    writer.publish(*config);
    return writer.take();
  }();
  return bytes;
}

Replica::Replica() : log(Demuxer::demuxerNew(Out::outNew())) {}

Replica::Fingerprint Replica::fingerprint() const {
  // Every entity of a replica has an adapter on its log: a walk over the
  // adapters finds them all without a walk of each tree. Every adapter on
  // a log of the model's is an entity's (the fuzz build's UBSan checks the
  // cast).
  Fingerprint f;
  log->forEachReactor([&](Xel::StreamAdapter& sa) {
    auto const& entityAdapter = static_cast<Xel::Entity::XelNboAttrLogSa const&>(sa);
    if (Xel::Entity const* e = entityAdapter.xelNotifierEntity()) f.changes += e->changeCount();
  });
  f.adapters = log->reactors();
  f.roots = log->dir()->entries();
  return f;
}

std::vector<std::string> Replica::state() const {
  std::vector<std::string> roots;
  for (Xel::Ptr<Xel::Entity> const& e : log->dir()->entryList()) {
    std::ostringstream text;
    text << Routing::Fhrp::reflect::typeInfoOf(*e).fullName << " "
         << Routing::Fhrp::attrlog::snapshot(*e);
    roots.push_back(text.str());
  }
  std::sort(roots.begin(), roots.end());
  return roots;
}

void fail(std::string const& what, std::string const& detail) {
  std::cerr << "fuzz: " << what << "\n" << detail << std::endl;
  std::abort();
}

}  // namespace fuzz
