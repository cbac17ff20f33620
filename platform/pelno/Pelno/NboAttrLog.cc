#include "Pelno/NboAttrLog.h"

#include "Pelno/AddressFamily.h"
#include "Xel/String8.h"

namespace Pelno {

OutPtr const& operator<<(OutPtr const& out, IntfId const& v) {
  return out << v.name();
}

OutPtr const& operator<<(OutPtr const& out, IpAddr v) {
  // The host-order number in network byte order is the wire's four bytes.
  return out << v.hostOrder();
}

OutPtr const& operator<<(OutPtr const& out, Ip6Addr const& v) {
  out->bytesAppend(v.bytes(), 16);
  return out;
}

OutPtr const& operator<<(OutPtr const& out, IpAddrWithMask const& v) {
  return out << v.address() << v.maskLen();
}

OutPtr const& operator<<(OutPtr const& out, EthAddr const& v) {
  out->bytesAppend(v.bytes(), 6);
  return out;
}

OutPtr const& operator<<(OutPtr const& out, IpGenAddr const& v) {
  out << static_cast<int>(v.af());
  switch (v.af()) {
    case ipv4:
      return out << v.ipAddr();
    case ipv6:
      return out << v.ip6Addr();
    default:
      return out;
  }
}

void nboAttrLogToValue(Xel::NboAttrLog::In* in, IntfId* out) {
  *out = IntfId(in->nextString8());
}

void nboAttrLogToValue(Xel::NboAttrLog::In* in, IpAddr* out) {
  *out = IpAddr::fromHostOrder(in->nextU32());
}

void nboAttrLogToValue(Xel::NboAttrLog::In* in, Ip6Addr* out) {
  unsigned char bytes[16];
  in->nextBytes(bytes, sizeof bytes);
  *out = Ip6Addr::fromBytes(bytes);
}

void nboAttrLogToValue(Xel::NboAttrLog::In* in, IpAddrWithMask* out) {
  IpAddr address;
  nboAttrLogToValue(in, &address);
  Xel::U32 const maskLen = in->nextU32();
  *out = IpAddrWithMask(address, maskLen);
}

void nboAttrLogToValue(Xel::NboAttrLog::In* in, EthAddr* out) {
  unsigned char bytes[6];
  in->nextBytes(bytes, sizeof bytes);
  *out = EthAddr::fromBytes(bytes);
}

void nboAttrLogToValue(Xel::NboAttrLog::In* in, IpGenAddr* out) {
  switch (AddressFamilyInstance(in->nextInt())) {
    case ipv4: {
      IpAddr a;
      nboAttrLogToValue(in, &a);
      *out = a;
      return;
    }
    case ipv6: {
      Ip6Addr a;
      nboAttrLogToValue(in, &a);
      *out = a;
      return;
    }
    default:
      *out = IpGenAddr();
  }
}

}  // namespace Pelno

namespace L3 {

Pelno::OutPtr const& operator<<(Pelno::OutPtr const& out, VrfName const& v) {
  return out << v.str();
}

void nboAttrLogToValue(Xel::NboAttrLog::In* in, VrfName* out) {
  *out = VrfName(in->nextString8());
}

}  // namespace L3

namespace VirtualIp {

Pelno::OutPtr const& operator<<(Pelno::OutPtr const& out, VrfIpPair const& v) {
  return out << v.vrfName() << v.addr();
}

void nboAttrLogToValue(Xel::NboAttrLog::In* in, VrfIpPair* out) {
  L3::VrfName vrfName;
  Pelno::IpGenAddr addr;
  nboAttrLogToValue(in, &vrfName);
  nboAttrLogToValue(in, &addr);
  *out = VrfIpPair(vrfName, addr);
}

}  // namespace VirtualIp
