#include "Pelno/IpAddrWithMask.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace Pelno {

namespace {

// The mask length that text spells in decimal, or nothing when it is not a
// number from 0 to 32.
std::optional<Xel::U32> parseMaskLen(std::string_view text) noexcept {
  if (text.empty() || text.size() > 2) return std::nullopt;
  Xel::U32 n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<Xel::U32>(c - '0');
  }
  if (n > IpAddrWithMask::maxMaskLen) return std::nullopt;
  return n;
}

}  // namespace

IpAddrWithMask::IpAddrWithMask(IpAddr address, Xel::U32 maskLen)
    : address_(address.value()), maskLen_(maskLen) {
  if (maskLen > maxMaskLen) {
    std::string message = "IpAddrWithMask mask length ";
    message += Xel::valueToStrep(static_cast<unsigned long long>(maskLen)).view();
    message += " is over 32";
    Xel::throwRangeException(Xel::String8(message));
  }
}

Xel::String8 valueToStrep(IpAddrWithMask const& a) {
  return valueToStrep(a.address()) + "/" +
         Xel::valueToStrep(static_cast<unsigned long long>(a.maskLen()));
}

std::ostream& operator<<(std::ostream& os, IpAddrWithMask const& a) {
  return os << valueToStrep(a);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     IpAddrWithMask* out) {
  Xel::skipWhiteSpace(pos, end);
  Xel::String8::IteratorConst const start = pos;
  std::string_view const token = Xel::readBareToken(pos, end);
  std::size_t const slash = token.find('/');
  std::optional<IpAddr> address;
  std::optional<Xel::U32> maskLen;
  if (slash != std::string_view::npos) {
    address = IpAddr::parse(token.substr(0, slash));
    maskLen = parseMaskLen(token.substr(slash + 1));
  }
  if (!address || !maskLen) {
    Xel::throwParseError("cannot read an IPv4 address with a mask length of at most 32", start,
                         end);
  }
  *out = IpAddrWithMask(*address, *maskLen);
}

}  // namespace Pelno
