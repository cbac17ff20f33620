#include "Pelno/EthAddr.h"

#include <netinet/ether.h>

#include <cstdio>
#include <ostream>
#include <string_view>

#include "Xel/Hash.h"
#include "Xel/Text.h"

namespace Pelno {

namespace {

constexpr std::size_t textSize = 17;  // "xx:xx:xx:xx:xx:xx"

bool isHexDigit(char c) noexcept {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// ether_aton_r also takes one-digit groups and other loose forms that would
// not print back the same; only the canonical shape is let through to it.
bool hasCanonicalShape(std::string_view text) noexcept {
  if (text.size() != textSize) return false;
  for (std::size_t i = 0; i < textSize; ++i) {
    bool const ok = i % 3 == 2 ? text[i] == ':' : isHexDigit(text[i]);
    if (!ok) return false;
  }
  return true;
}

}  // namespace

EthAddr EthAddr::fromBytes(unsigned char const* sixBytes) noexcept {
  EthAddr a;
  std::memcpy(a.bytes_, sixBytes, sizeof a.bytes_);
  return a;
}

Xel::String8 valueToStrep(EthAddr const& a) {
  unsigned char const* b = a.bytes();
  char buf[textSize + 1];
  std::snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4],
                b[5]);
  return Xel::String8(buf, textSize);
}

std::ostream& operator<<(std::ostream& os, EthAddr const& a) {
  return os << valueToStrep(a);
}

void sequenceToValue(Xel::String8::IteratorConst& pos, Xel::String8::IteratorConst const& end,
                     EthAddr* out) {
  Xel::skipWhiteSpace(pos, end);
  Xel::String8::IteratorConst const start = pos;
  std::string_view const token = Xel::readBareToken(pos, end);
  char buf[textSize + 1];
  ether_addr parsed;
  bool ok = hasCanonicalShape(token);
  if (ok) {
    std::memcpy(buf, token.data(), textSize);
    buf[textSize] = '\0';
    ok = ether_aton_r(buf, &parsed) != nullptr;
  }
  if (!ok) Xel::throwParseError("cannot read an Ethernet address", start, end);
  *out = EthAddr::fromBytes(parsed.ether_addr_octet);
}

}  // namespace Pelno
