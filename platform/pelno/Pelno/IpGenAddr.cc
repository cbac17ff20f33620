#include "Pelno/IpGenAddr.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "Xel/Exception.h"
#include "Xel/Hash.h"
#include "Xel/Text.h"

namespace Pelno {

namespace {

constexpr std::string_view unknownText = "unknown";

[[noreturn]] void throwWrongFamily(char const* accessor, AddressFamily af) {
  std::string message = "IpGenAddr::";
  message += accessor;
  message += " of an address of family ";
  message += valueToStrep(af).view();
  Xel::throwRangeException(Xel::String8(message));
}

}  // namespace

static_assert(sizeof(IpGenAddr) == 20, "the family word and sixteen bytes, with no padding");

IpGenAddr::IpGenAddr(IpAddr a) noexcept : af_(ipv4) {
  Xel::U32 const word = a.value();
  std::memcpy(bytes_, &word, sizeof word);
}

IpGenAddr::IpGenAddr(Ip6Addr const& a) noexcept : af_(ipv6) {
  std::memcpy(bytes_, a.bytes(), sizeof bytes_);
}

IpAddr IpGenAddr::ipAddr() const {
  if (af_ != ipv4) throwWrongFamily("ipAddr", af());
  Xel::U32 word;
  std::memcpy(&word, bytes_, sizeof word);
  return IpAddr(word);
}

Ip6Addr IpGenAddr::ip6Addr() const {
  if (af_ != ipv6) throwWrongFamily("ip6Addr", af());
  return Ip6Addr::fromBytes(bytes_);
}

Xel::U32 IpGenAddr::hash() const noexcept {
  return Xel::hashCombine(Ip6Addr::hash(bytes_), af_);
}

Xel::String8 valueToStrep(IpGenAddr const& a) {
  switch (a.af()) {
    case ipv4:
      return valueToStrep(a.ipAddr());
    case ipv6:
      return valueToStrep(a.ip6Addr());
    case ipunknown:
      break;
  }
  return Xel::String8(unknownText);
}

std::ostream& operator<<(std::ostream& os, IpGenAddr const& a) {
  return os << valueToStrep(a);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     IpGenAddr* out) {
  Xel::skipWhiteSpace(pos, end);
  Xel::String8::IteratorConst const start = pos;
  std::string_view const token = Xel::readBareToken(pos, end);
  if (token == unknownText) {
    *out = IpGenAddr();
  } else if (token.find(':') != std::string_view::npos) {
    std::optional<Ip6Addr> const a = Ip6Addr::parse(token);
    if (!a) Xel::throwParseError("cannot read an IPv6 address", start, end);
    *out = *a;
  } else {
    std::optional<IpAddr> const a = IpAddr::parse(token);
    if (!a) Xel::throwParseError("cannot read an IP address", start, end);
    *out = *a;
  }
}

}  // namespace Pelno
