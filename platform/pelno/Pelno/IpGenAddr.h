// IpGenAddr: an IPv4 or an IPv6 address.
//
// It holds its family and sixteen address bytes in network byte order. An
// IPv4 address fills the first four bytes and leaves the other twelve zero,
// so that equal addresses are equal byte for byte. (On the attribute log it
// takes 4, 8 or 20 bytes: see Pelno/NboAttrLog.h.) A default-constructed address has the
// family ipunknown and all bytes zero; it prints as "unknown".
//
// Addresses order by family (ipunknown, then every IPv4 address, then every
// IPv6 address) and within a family by their bytes.
//
// TYPICAL USAGE
//   Pelno::IpGenAddr a = Pelno::fromString<Pelno::IpAddr>("192.0.2.1");
//   if (a.af() == Pelno::ipv4) use(a.ipAddr());
#pragma once

#include <compare>
#include <cstring>
#include <iosfwd>

#include "Pelno/AddressFamily.h"
#include "Pelno/Export.h"
#include "Pelno/Ip6Addr.h"
#include "Pelno/IpAddr.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Pelno {

class PELNO_EXPORT IpGenAddr {
 public:
  IpGenAddr() noexcept = default;
  // Every IPv4 and IPv6 address is also a general address.
  IpGenAddr(IpAddr a) noexcept;          // NOLINT(google-explicit-constructor)
  IpGenAddr(Ip6Addr const& a) noexcept;  // NOLINT(google-explicit-constructor)

  AddressFamily af() const noexcept { return static_cast<AddressFamily>(af_); }
  // The address of an ipv4 family; any other family raises
  // Xel::RangeException.
  IpAddr ipAddr() const;
  // The address of an ipv6 family; any other family raises
  // Xel::RangeException.
  Ip6Addr ip6Addr() const;
  // The sixteen address bytes, whatever the family.
  unsigned char const* addressBytes() const noexcept { return bytes_; }

  Xel::U32 hash() const noexcept;

  friend bool operator==(IpGenAddr const& a, IpGenAddr const& b) noexcept {
    return a.af_ == b.af_ && std::memcmp(a.bytes_, b.bytes_, sizeof a.bytes_) == 0;
  }
  friend std::strong_ordering operator<=>(IpGenAddr const& a, IpGenAddr const& b) noexcept {
    if (a.af_ != b.af_) return a.af_ <=> b.af_;
    return std::memcmp(a.bytes_, b.bytes_, sizeof a.bytes_) <=> 0;
  }

 private:
  Xel::U32 af_ = ipunknown;
  unsigned char bytes_[16] = {};
};

// The IPv4 or IPv6 form of the address, or "unknown" for the ipunknown
// family. Reading tells the families apart by the ':' every IPv6 form has.
PELNO_EXPORT Xel::String8 valueToStrep(IpGenAddr const& a);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, IpGenAddr const& a);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, IpGenAddr* out);

}  // namespace Pelno
