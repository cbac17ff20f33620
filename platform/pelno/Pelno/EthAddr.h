// EthAddr: an Ethernet MAC address.
//
// Six bytes in the order they go on the wire. Addresses order by those
// bytes, first byte first. The default address is 00:00:00:00:00:00.
#pragma once

#include <compare>
#include <cstring>
#include <iosfwd>

#include "Pelno/Export.h"
#include "Xel/Hash.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Pelno {

class PELNO_EXPORT EthAddr {
 public:
  EthAddr() noexcept = default;
  EthAddr(Xel::U8 b0, Xel::U8 b1, Xel::U8 b2, Xel::U8 b3, Xel::U8 b4, Xel::U8 b5) noexcept
      : bytes_{b0, b1, b2, b3, b4, b5} {}
  static EthAddr fromBytes(unsigned char const* sixBytes) noexcept;

  unsigned char const* bytes() const noexcept { return bytes_; }
  Xel::U32 hash() const noexcept { return Xel::hashBytes(bytes_, sizeof bytes_); }

  friend bool operator==(EthAddr const& a, EthAddr const& b) noexcept {
    return std::memcmp(a.bytes_, b.bytes_, sizeof a.bytes_) == 0;
  }
  friend std::strong_ordering operator<=>(EthAddr const& a, EthAddr const& b) noexcept {
    return std::memcmp(a.bytes_, b.bytes_, sizeof a.bytes_) <=> 0;
  }

 private:
  unsigned char bytes_[6] = {};
};

// Six groups of two lower-case hex digits: 02:00:00:aa:bb:cc. Reading takes
// either case but insists on two digits a group.
PELNO_EXPORT Xel::String8 valueToStrep(EthAddr const& a);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, EthAddr const& a);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, EthAddr* out);

}  // namespace Pelno
