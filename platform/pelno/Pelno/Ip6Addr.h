// Ip6Addr: an IPv6 address.
//
// The sixteen address bytes are held in network byte order, as four 32-bit
// words so that equality compares words rather than bytes. word(i) returns
// the i-th word as stored, which is network order like IpAddr::value().
// Addresses order by their bytes, first byte first, which is also their
// numeric order. The default address is ::.
//
// Code that holds the sixteen bytes of an address elsewhere (in a packet, or
// in an IpGenAddr) hashes them with the static hash() so that the result
// agrees with Ip6Addr::hash().
#pragma once

#include <compare>
#include <cstring>
#include <iosfwd>
#include <optional>
#include <string_view>

#include "Pelno/Export.h"
#include "Xel/Hash.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Pelno {

class PELNO_EXPORT Ip6Addr {
 public:
  Ip6Addr() noexcept = default;
  // Each word holds four address bytes in network byte order; w0 holds the
  // first four.
  Ip6Addr(Xel::U32 w0, Xel::U32 w1, Xel::U32 w2, Xel::U32 w3) noexcept : words_{w0, w1, w2, w3} {}
  static Ip6Addr fromBytes(unsigned char const* sixteenBytes) noexcept;
  // The address that text spells, as a whole, in any form inet_pton reads;
  // nothing when it spells none.
  static std::optional<Ip6Addr> parse(std::string_view text) noexcept;

  // i is 0 to 3; other values raise Xel::RangeException.
  Xel::U32 word(unsigned i) const;
  // The sixteen address bytes.
  unsigned char const* bytes() const noexcept {
    return reinterpret_cast<unsigned char const*>(words_);
  }

  Xel::U32 hash() const noexcept { return hash(bytes()); }
  static Xel::U32 hash(unsigned char const* sixteenBytes) noexcept {
    return Xel::hashBytes(sixteenBytes, 16);
  }

  friend bool operator==(Ip6Addr const& a, Ip6Addr const& b) noexcept {
    return a.words_[0] == b.words_[0] && a.words_[1] == b.words_[1] && a.words_[2] == b.words_[2] &&
           a.words_[3] == b.words_[3];
  }
  friend std::strong_ordering operator<=>(Ip6Addr const& a, Ip6Addr const& b) noexcept {
    return std::memcmp(a.words_, b.words_, sizeof a.words_) <=> 0;
  }

 private:
  Xel::U32 words_[4] = {};
};

// The form inet_ntop writes: "::", "2001:db8::1", "::ffff:192.0.2.4".
PELNO_EXPORT Xel::String8 valueToStrep(Ip6Addr const& a);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, Ip6Addr const& a);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, Ip6Addr* out);

}  // namespace Pelno
