#include "Pelno/IpAddr.h"

#include <arpa/inet.h>

#include <cstring>
#include <ostream>

#include "Xel/Hash.h"
#include "Xel/Text.h"

namespace Pelno {

std::optional<IpAddr> IpAddr::parse(std::string_view text) noexcept {
  char buf[INET_ADDRSTRLEN];
  // A NUL inside the text would end it early for inet_pton.
  if (text.size() >= sizeof buf || text.find('\0') != std::string_view::npos) return std::nullopt;
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  Xel::U32 word;
  if (inet_pton(AF_INET, buf, &word) != 1) return std::nullopt;
  return IpAddr(word);
}

Xel::String8 valueToStrep(IpAddr const& a) {
  char buf[INET_ADDRSTRLEN];
  Xel::U32 const word = a.value();
  inet_ntop(AF_INET, &word, buf, sizeof buf);
  return Xel::String8(buf);
}

std::ostream& operator<<(std::ostream& os, IpAddr const& a) {
  return os << valueToStrep(a);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     IpAddr* out) {
  Xel::skipWhiteSpace(pos, end);
  Xel::String8::IteratorConst const start = pos;
  std::optional<IpAddr> const a = IpAddr::parse(Xel::readBareToken(pos, end));
  if (!a) Xel::throwParseError("cannot read an IPv4 address", start, end);
  *out = *a;
}

}  // namespace Pelno
