#include "Pelno/Ip6Addr.h"

#include <arpa/inet.h>

#include <ostream>
#include <string>

#include "Xel/Exception.h"
#include "Xel/Hash.h"
#include "Xel/Text.h"

namespace Pelno {

Ip6Addr Ip6Addr::fromBytes(unsigned char const* sixteenBytes) noexcept {
  Ip6Addr a;
  std::memcpy(a.words_, sixteenBytes, sizeof a.words_);
  return a;
}

std::optional<Ip6Addr> Ip6Addr::parse(std::string_view text) noexcept {
  char buf[INET6_ADDRSTRLEN];
  // A NUL inside the text would end it early for inet_pton.
  if (text.size() >= sizeof buf || text.find('\0') != std::string_view::npos) return std::nullopt;
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  Ip6Addr a;
  if (inet_pton(AF_INET6, buf, a.words_) != 1) return std::nullopt;
  return a;
}

Xel::U32 Ip6Addr::word(unsigned i) const {
  if (i >= 4) {
    std::string message = "Ip6Addr has no word ";
    message += Xel::valueToStrep(static_cast<unsigned long long>(i)).view();
    Xel::throwRangeException(Xel::String8(message));
  }
  return words_[i];
}

Xel::String8 valueToStrep(Ip6Addr const& a) {
  char buf[INET6_ADDRSTRLEN];
  inet_ntop(AF_INET6, a.bytes(), buf, sizeof buf);
  return Xel::String8(buf);
}

std::ostream& operator<<(std::ostream& os, Ip6Addr const& a) {
  return os << valueToStrep(a);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     Ip6Addr* out) {
  Xel::skipWhiteSpace(pos, end);
  Xel::String8::IteratorConst const start = pos;
  std::optional<Ip6Addr> const a = Ip6Addr::parse(Xel::readBareToken(pos, end));
  if (!a) Xel::throwParseError("cannot read an IPv6 address", start, end);
  *out = *a;
}

}  // namespace Pelno
