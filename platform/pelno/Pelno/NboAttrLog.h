// The attribute-log forms of the network value types.
//
// Each type writes itself with operator<<(Ptr<Out> const&, T), found by
// argument-dependent lookup beside the framework's primitives, and reads
// itself with nboAttrLogToValue(In*, T*), which has the shape of
// sequenceToValue so that generic code can read any of them alike. On the
// log (numbers in network byte order, see Xel/NboAttrLog.h):
//
//   IntfId          its name as a String8
//   IpAddr          the four address bytes, as on the wire
//   Ip6Addr         the sixteen address bytes
//   IpAddrWithMask  the address as IpAddr, then the mask length as an
//                   unsigned int
//   EthAddr         the six address bytes
//   IpGenAddr       the family as an int, then the address as IpAddr or
//                   Ip6Addr; nothing more for ipunknown
//   VrfName         its name as a String8
//   VrfIpPair       the VrfName, then the IpGenAddr
//
// Reading raises Xel::RangeException for bytes that do not make a value:
// too few of them, an unknown family, a mask length over 32, a VRF name over
// 100 bytes.
//
// TYPICAL USAGE
//   out << Pelno::IntfId(Xel::String8("Ethernet1")) << Pelno::IpAddr::fromHostOrder(0xc0000201);
//   Pelno::IntfId intf;
//   Pelno::nboAttrLogToValue(&in, &intf);
#pragma once

#include "L3/VrfName.h"
#include "Pelno/EthAddr.h"
#include "Pelno/Export.h"
#include "Pelno/IntfId.h"
#include "Pelno/Ip6Addr.h"
#include "Pelno/IpAddr.h"
#include "Pelno/IpAddrWithMask.h"
#include "Pelno/IpGenAddr.h"
#include "VirtualIp/VrfIpPair.h"
#include "Xel/NboAttrLog.h"
#include "Xel/Ptr.h"

namespace Pelno {

using OutPtr = Xel::Ptr<Xel::NboAttrLog::Out>;

PELNO_EXPORT OutPtr const& operator<<(OutPtr const& out, IntfId const& v);
PELNO_EXPORT OutPtr const& operator<<(OutPtr const& out, IpAddr v);
PELNO_EXPORT OutPtr const& operator<<(OutPtr const& out, Ip6Addr const& v);
PELNO_EXPORT OutPtr const& operator<<(OutPtr const& out, IpAddrWithMask const& v);
PELNO_EXPORT OutPtr const& operator<<(OutPtr const& out, EthAddr const& v);
PELNO_EXPORT OutPtr const& operator<<(OutPtr const& out, IpGenAddr const& v);

PELNO_EXPORT void nboAttrLogToValue(Xel::NboAttrLog::In* in, IntfId* out);
PELNO_EXPORT void nboAttrLogToValue(Xel::NboAttrLog::In* in, IpAddr* out);
PELNO_EXPORT void nboAttrLogToValue(Xel::NboAttrLog::In* in, Ip6Addr* out);
PELNO_EXPORT void nboAttrLogToValue(Xel::NboAttrLog::In* in, IpAddrWithMask* out);
PELNO_EXPORT void nboAttrLogToValue(Xel::NboAttrLog::In* in, EthAddr* out);
PELNO_EXPORT void nboAttrLogToValue(Xel::NboAttrLog::In* in, IpGenAddr* out);

}  // namespace Pelno

namespace L3 {

PELNO_EXPORT Pelno::OutPtr const& operator<<(Pelno::OutPtr const& out, VrfName const& v);
PELNO_EXPORT void nboAttrLogToValue(Xel::NboAttrLog::In* in, VrfName* out);

}  // namespace L3

namespace VirtualIp {

PELNO_EXPORT Pelno::OutPtr const& operator<<(Pelno::OutPtr const& out, VrfIpPair const& v);
PELNO_EXPORT void nboAttrLogToValue(Xel::NboAttrLog::In* in, VrfIpPair* out);

}  // namespace VirtualIp
