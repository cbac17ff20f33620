// IpAddrWithMask: an IPv4 address with the length of its network prefix,
// as an interface address is configured: 192.0.2.3/24.
//
// The address keeps its host bits; 192.0.2.3/24 and 192.0.2.0/24 are
// different values. Values order by address, then by mask length.
#pragma once

#include <compare>
#include <iosfwd>

#include "Pelno/Export.h"
#include "Pelno/IpAddr.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Pelno {

class PELNO_EXPORT IpAddrWithMask {
 public:
  static constexpr Xel::U32 maxMaskLen = 32;

  IpAddrWithMask() noexcept = default;
  // A mask length over 32 raises Xel::RangeException.
  IpAddrWithMask(IpAddr address, Xel::U32 maskLen);

  IpAddr address() const noexcept { return IpAddr(address_); }
  Xel::U32 maskLen() const noexcept { return maskLen_; }
  // The stored words: the address in network byte order, and the mask
  // length.
  Xel::U32 addressWord() const noexcept { return address_; }
  Xel::U32 maskLenWord() const noexcept { return maskLen_; }

  friend bool operator==(IpAddrWithMask const& a, IpAddrWithMask const& b) noexcept {
    return a.address_ == b.address_ && a.maskLen_ == b.maskLen_;
  }
  friend std::strong_ordering operator<=>(IpAddrWithMask const& a,
                                          IpAddrWithMask const& b) noexcept {
    if (auto c = a.address() <=> b.address(); c != 0) return c;
    return a.maskLen_ <=> b.maskLen_;
  }

 private:
  Xel::U32 address_ = 0;
  Xel::U32 maskLen_ = 0;
};

// The address and the mask length: 192.0.2.3/24. Reading requires both.
PELNO_EXPORT Xel::String8 valueToStrep(IpAddrWithMask const& a);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, IpAddrWithMask const& a);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, IpAddrWithMask* out);

}  // namespace Pelno
