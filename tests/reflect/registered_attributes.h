// The registered attributes of the model's types, as the registration
// tables give them: type, id, name, value type, key type, flag key. Own
// attributes only (copies of the base type's are checked apart), in
// registration order.
#pragma once

#include <Xel/Types.h>

#include <string>

namespace reflect_test {

struct ExpectedAttr {
  char const* type;
  Xel::AttributeId id;
  char const* name;
  char const* valueType;
  char const* keyType;
  char const* flags;
};

inline constexpr ExpectedAttr kAttributes[] = {
    {"VrrpIp6Addrs", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"VrrpIp6Addrs", 258, "addrs", "bool", "Pelno::Ip6Addr", "V"},
    {"VrrpIp6Addrs", 259, "ip6LinkLocal", "Pelno::Ip6Addr", "", "S"},
    {"VrrpIpAddrs", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"VrrpIpAddrs", 258, "addrs", "bool", "Pelno::IpAddr", "V"},
    {"VrId", 2, "value", "U32", "", "K"},
    {"VrId", 3, "min", "U32", "", "C"},
    {"VrId", 4, "max", "U32", "", "C"},
    {"VrId", 5, "hash", "U32", "", "H"},
    {"FhrpConfigKey", 2, "intfId", "Pelno::IntfId", "", "K"},
    {"FhrpConfigKey", 3, "vrId", "VrId", "", "K"},
    {"FhrpConfigKey", 4, "af", "Pelno::AddressFamily", "", "K"},
    {"FhrpConfigKey", 5, "reloadDelay", "U32", "", "R"},
    {"FhrpConfigKey", 6, "hash", "U32", "", "H8"},
    {"BfdPeerVrIdList", 130, "bfdPeer", "Bfd::Peer", "", "K"},
    {"BfdPeerVrIdList", 131, "vrIds", "bool", "VrId", "P"},
    {"FhrpIntfIdPair", 2, "intfId", "Pelno::IntfId", "", "K"},
    {"FhrpIntfIdPair", 3, "vrId", "VrId", "", "K"},
    {"FhrpIntfIdPair", 4, "hash", "U32", "", "H"},
    {"FhrpLinkLocal6IntfCol", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"FhrpLinkLocal6IntfCol", 258, "vrfIp", "VirtualIp::VrfIpPair", "", "K"},
    {"FhrpLinkLocal6IntfCol", 259, "vrIdIntf", "bool", "FhrpIntfIdPair", "V"},
    {"FhrpLinkLocal6IntfCol", 0, "fwkKey", "VirtualIp::VrfIpPair", "", "FK"},
    {"TrackedObject", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"TrackedObject", 258, "trackedObjectName", "Xel::String8", "", "K"},
    {"TrackedObject", 259, "trackActionIsShutdown", "bool", "", "S"},
    {"TrackedObject", 260, "trackActionIsShutdownDefault", "bool", "", "C"},
    {"TrackedObject", 261, "trackPriorityDecrement", "U32", "", "S"},
    {"TrackedObject", 262, "trackPriorityDecrementDefault", "U32", "", "C"},
    {"TrackedObject", 0, "fwkKey", "Xel::String8", "", "FK"},
    {"VrrpVirtualRouterConfig", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"VrrpVirtualRouterConfig", 258, "vrId", "VrId", "", "K"},
    {"VrrpVirtualRouterConfig", 259, "version", "U32", "", "SV"},
    {"VrrpVirtualRouterConfig", 260, "versionDefault", "U32", "", "C"},
    {"VrrpVirtualRouterConfig", 261, "priority", "U32", "", "SV"},
    {"VrrpVirtualRouterConfig", 262, "priorityDefault", "U32", "", "C"},
    {"VrrpVirtualRouterConfig", 263, "advInterval", "U32", "", "SV"},
    {"VrrpVirtualRouterConfig", 264, "advIntervalDefault", "U32", "", "C"},
    {"VrrpVirtualRouterConfig", 265, "arpOrNAInterval", "U32", "", "SV"},
    {"VrrpVirtualRouterConfig", 266, "arpOrNAIntervalDefault", "U32", "", "C"},
    {"VrrpVirtualRouterConfig", 267, "preempt", "bool", "", "SV"},
    {"VrrpVirtualRouterConfig", 268, "preemptDefault", "bool", "", "C"},
    {"VrrpVirtualRouterConfig", 269, "preemptDelay", "U32", "", "SV"},
    {"VrrpVirtualRouterConfig", 270, "preemptDelayDefault", "U32", "", "C"},
    {"VrrpVirtualRouterConfig", 271, "preemptReloadDelay", "U32", "", "SV"},
    {"VrrpVirtualRouterConfig", 272, "preemptReloadDelayDefault", "U32", "", "C"},
    {"VrrpVirtualRouterConfig", 273, "reloadDelay", "U32", "", "SV"},
    {"VrrpVirtualRouterConfig", 274, "reloadDelayDefault", "U32", "", "C"},
    {"VrrpVirtualRouterConfig", 275, "primaryAddrDefault", "Pelno::IpAddr", "", "C"},
    {"VrrpVirtualRouterConfig", 276, "primaryAddr", "Pelno::IpAddr", "", "SV"},
    {"VrrpVirtualRouterConfig", 277, "secondaryAddrs", "bool", "Pelno::IpAddr", "VV"},
    {"VrrpVirtualRouterConfig", 278, "bfdPeerAddrV4Default", "Pelno::IpAddr", "", "C"},
    {"VrrpVirtualRouterConfig", 279, "bfdPeerAddrV4", "Pelno::IpAddr", "", "SV"},
    {"VrrpVirtualRouterConfig", 280, "ip6Addrs", "bool", "Pelno::Ip6Addr", "VV"},
    {"VrrpVirtualRouterConfig", 281, "bfdPeerAddrV6Default", "Pelno::Ip6Addr", "", "C"},
    {"VrrpVirtualRouterConfig", 282, "bfdPeerAddrV6", "Pelno::Ip6Addr", "", "SV"},
    {"VrrpVirtualRouterConfig", 283, "authType", "Pelno::VrrpAuthType", "", "SV"},
    {"VrrpVirtualRouterConfig", 284, "authTypeDefault", "Pelno::VrrpAuthType", "", "C"},
    {"VrrpVirtualRouterConfig", 285, "authKey", "Xel::String8", "", "SV"},
    {"VrrpVirtualRouterConfig", 286, "authKeyDefault", "Xel::String8", "", "C"},
    {"VrrpVirtualRouterConfig", 287, "description", "Xel::String8", "", "SV"},
    {"VrrpVirtualRouterConfig", 288, "descriptionDefault", "Xel::String8", "", "C"},
    {"VrrpVirtualRouterConfig", 289, "adminEnabledState", "Interface::IntfEnabledState", "", "SV"},
    {"VrrpVirtualRouterConfig", 290, "adminEnabledStateDefault", "Interface::IntfEnabledState", "",
     "C"},
    {"VrrpVirtualRouterConfig", 291, "vrrpTrackedObject", "TrackedObject", "Xel::String8", "EV"},
    {"VrrpVirtualRouterConfig", 0, "fwkKey", "VrId", "", "FK"},
    {"VrrpIntfConfig", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"VrrpIntfConfig", 258, "intfId", "Pelno::IntfId", "", "K"},
    {"VrrpIntfConfig", 259, "virtualRouterConfig", "VrrpVirtualRouterConfig", "VrId", "E"},
    {"VrrpIntfConfig", 0, "fwkKey", "Pelno::IntfId", "", "FK"},
    {"VrrpConfig", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"VrrpConfig", 258, "vrrpIntfConfig", "VrrpIntfConfig", "Pelno::IntfId", "E"},
    {"VrrpConfig", 259, "virtualIpAddr", "FhrpIntfIdPair", "VirtualIp::VrfIpPair", "V"},
    {"VrrpConfig", 260, "virtualIp6LinkLocalAddr", "FhrpLinkLocal6IntfCol", "VirtualIp::VrfIpPair",
     "E"},
    {"VrrpConfig", 261, "ipv6ForceIpv4MacPrefix", "bool", "", "S"},
    {"VrrpConfig", 262, "ipv6ForceIpv4MacPrefixDefault", "bool", "", "C"},
    {"VarpIntfIdCol", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"VarpIntfIdCol", 258, "vrfIp", "VirtualIp::VrfIpPair", "", "K"},
    {"VarpIntfIdCol", 259, "intfIdToMask", "U32", "Pelno::IntfId", "V"},
    {"VarpIntfIdCol", 0, "fwkKey", "VirtualIp::VrfIpPair", "", "FK"},
    {"VarpIntfConfig", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"VarpIntfConfig", 258, "intfId", "Pelno::IntfId", "", "K"},
    {"VarpIntfConfig", 259, "virtualIpAddr", "bool", "Pelno::IpAddrWithMask", "V"},
    {"VarpIntfConfig", 260, "virtualIp6Addr", "bool", "Pelno::Ip6Addr", "V"},
    {"VarpIntfConfig", 261, "varpTrackedObject", "TrackedObject", "Xel::String8", "E"},
    {"VarpIntfConfig", 0, "fwkKey", "Pelno::IntfId", "", "FK"},
    {"VarpConfig", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"VarpConfig", 258, "varpIntfConfig", "VarpIntfConfig", "Pelno::IntfId", "E"},
    {"VarpConfig", 259, "virtualMac", "Pelno::EthAddr", "", "S"},
    {"VarpConfig", 260, "virtualMacDefault", "Pelno::EthAddr", "", "C"},
    {"VarpConfig", 261, "advtInterval", "U32", "", "S"},
    {"VarpConfig", 262, "advtIntervalDefault", "U32", "", "C"},
    {"VarpConfig", 263, "virtualIpAddr", "VarpIntfIdCol", "VirtualIp::VrfIpPair", "E"},
    {"DynVarpConfig", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"DynVarpConfig", 258, "virtualMac", "Pelno::EthAddr", "", "S"},
    {"DynVarpConfigError", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"DynVarpConfigError", 258, "virtualMacError", "Xel::String8", "Pelno::EthAddr", "V"},
    {"Config", 154, "xelHasAttrLogInterface", "bool", "", "L"},
    {"Config", 258, "vrrpConfig", "VrrpConfig", "", "E1"},
    {"Config", 259, "varpConfig", "VarpConfig", "", "E1"},
    {"Config", 260, "acceptMode", "VirtualIp::AcceptMode", "", "S"},
    {"Config", 261, "acceptModeDefault", "VirtualIp::AcceptMode", "", "C"},
    {"Config", 262, "allowDuplicate", "bool", "", "S"},
    {"Config", 263, "allowDuplicateDefault", "bool", "", "C"},
    {"Config", 264, "defaultIpMaskLen", "U32", "", "C"},
};

// The flag combinations by key: first word, second word, introspection.
struct ExpectedFlags {
  char const* key;
  Xel::U32 first;
  Xel::U32 second;
  Xel::U32 introspection;
};

inline constexpr ExpectedFlags kFlags[] = {
    {"L", 0x00022001, 0x00000400, 8},     {"K", 0x00220109, 0x40000400, 2},
    {"C", 0x00220001, 0x40000410, 0},     {"H", 0x00220001, 0x00000400, 0},
    {"H8", 0x00020001, 0x00000400, 8},    {"R", 0x00220107, 0x00000400, 2},
    {"S", 0x00220143, 0x01000400, 2},     {"SV", 0x00222143, 0x01000400, 2},
    {"V", 0x01a20143, 0x01000400, 2},     {"VV", 0x01a22143, 0x01000400, 2},
    {"P", 0x01a20103, 0x00000400, 2},     {"FK", 0x00200001, 0x00000400, 0},
    {"E", 0x09a20143, 0x11000400, 0x22},  {"EV", 0x09a22143, 0x11000400, 0x22},
    {"E1", 0x08220143, 0x11000400, 0x02},
};

// The types in registration order.
inline constexpr char const* kTypes[] = {
    "VrrpIp6Addrs",          "VrrpIpAddrs",     "VrId",
    "FhrpConfigKey",         "BfdPeerVrIdList", "FhrpIntfIdPair",
    "FhrpLinkLocal6IntfCol", "TrackedObject",   "VrrpVirtualRouterConfig",
    "VrrpIntfConfig",        "VrrpConfig",      "VarpIntfIdCol",
    "VarpIntfConfig",        "VarpConfig",      "DynVarpConfig",
    "DynVarpConfigError",    "Config",
};

// The registered name of a type as the list above writes it: the model's
// own types by their short names.
inline std::string registered(std::string const& listed) {
  if (listed == "Xel::String8") return "Xel::String";
  if (listed == "bool" || listed == "U32" || listed.find("::") != std::string::npos) return listed;
  return "Routing::Fhrp::" + listed;
}

}  // namespace reflect_test
