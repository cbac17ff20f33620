// Every value type that prints and parses as text: the model's own, the
// network types and the framework's. The text targets and their seeds
// walk this list.
#pragma once

#include <FhrpConf/FhrpConfig.h>
#include <Xel/String8.h>

#include <tuple>

namespace fuzz {

using ValueTypes =
    std::tuple<Routing::Fhrp::VrId, Routing::Fhrp::FhrpIntfIdPair, Routing::Fhrp::FhrpConfigKey,
               Pelno::IntfId, Pelno::IpAddr, Pelno::Ip6Addr, Pelno::IpGenAddr,
               Pelno::IpAddrWithMask, Pelno::EthAddr, Pelno::AddressFamily, Pelno::VrrpAuthType,
               Interface::IntfEnabledState, VirtualIp::AcceptMode, VirtualIp::VrfIpPair,
               L3::VrfName, Bfd::Peer, Xel::String8, unsigned int, long long, bool>;

// Calls visit(T const*) for each type T of the list, with a pointer to a
// default T that only names the type.
template <class Visit>
void forEachValueType(Visit&& visit) {
  std::apply([&](auto... tag) { (visit(&tag), ...); }, ValueTypes{});
}

}  // namespace fuzz
