// std::hash for the model's key types, so that the standard containers of
// the baselines hash exactly as the model's collections do.
#pragma once

#include <FhrpConf/FhrpConfig.h>

#include <cstddef>
#include <functional>

template <>
struct std::hash<Pelno::IpAddr> {
  std::size_t operator()(Pelno::IpAddr const& a) const noexcept { return a.hash(); }
};
template <>
struct std::hash<Pelno::IntfId> {
  std::size_t operator()(Pelno::IntfId const& i) const noexcept { return i.hash(); }
};
template <>
struct std::hash<Pelno::Ip6Addr> {
  std::size_t operator()(Pelno::Ip6Addr const& a) const noexcept { return a.hash(); }
};
