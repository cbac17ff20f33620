// IpAddr: an IPv4 address.
//
// The address is held as the 32-bit word that carries it on the wire, in
// network byte order, so that it passes to and from sockets and packet
// headers untouched. Addresses order as the numbers they are (192.0.2.2
// before 192.0.2.10) whatever the host's byte order. The default address is
// 0.0.0.0.
//
// TYPICAL USAGE
//   auto a = Pelno::IpAddr::fromHostOrder(0xc0000201);  // 192.0.2.1
//   auto b = Pelno::fromString<Pelno::IpAddr>("192.0.2.1");
//   assert(a == b && a.value() == htonl(0xc0000201));
#pragma once

#include <bit>
#include <compare>
#include <iosfwd>
#include <optional>
#include <string_view>

#include "Pelno/Export.h"
#include "Xel/Hash.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Pelno {

class PELNO_EXPORT IpAddr {
 public:
  constexpr IpAddr() noexcept = default;
  // networkOrder is the address as it appears on the wire.
  constexpr explicit IpAddr(Xel::U32 networkOrder) noexcept : value_(networkOrder) {}
  // hostOrder is the address as a number: 192.0.2.1 is 0xc0000201.
  static IpAddr fromHostOrder(Xel::U32 hostOrder) noexcept { return IpAddr(swap(hostOrder)); }
  // The address that text spells, as a whole, in dotted-quad form; nothing
  // when it spells none.
  static std::optional<IpAddr> parse(std::string_view text) noexcept;

  // The address in network byte order.
  Xel::U32 value() const noexcept { return value_; }
  // The address as a number.
  Xel::U32 hostOrder() const noexcept { return swap(value_); }
  Xel::U32 hash() const noexcept { return Xel::hashBytes(&value_, sizeof value_); }

  friend bool operator==(IpAddr a, IpAddr b) noexcept { return a.value_ == b.value_; }
  friend std::strong_ordering operator<=>(IpAddr a, IpAddr b) noexcept {
    return a.hostOrder() <=> b.hostOrder();
  }

 private:
  // Between host and network order; the same both ways. Inline, with the
  // hash above: collections keyed by address call them on every probe.
  static constexpr Xel::U32 swap(Xel::U32 v) noexcept {
    if constexpr (std::endian::native == std::endian::big) return v;
    return __builtin_bswap32(v);
  }

  Xel::U32 value_ = 0;
};

// The dotted quad: 192.0.2.1.
PELNO_EXPORT Xel::String8 valueToStrep(IpAddr const& a);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, IpAddr const& a);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, IpAddr* out);

}  // namespace Pelno
