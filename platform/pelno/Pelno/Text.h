// Reading a whole text as one value of a network type.
//
// Each value type of this library reads with sequenceToValue, declared next
// to the type, which may stop in the middle of a longer text. fromString is
// for the common case where the text is meant to be exactly one value:
// anything but white space after the value is an error.
//
// TYPICAL USAGE
//   auto addr = Pelno::fromString<Pelno::IpAddr>("192.0.2.1");
//   auto pair = Pelno::fromString<VirtualIp::VrfIpPair>("('red', 192.0.2.1)");
#pragma once

#include "Xel/String8.h"
#include "Xel/Text.h"

namespace Pelno {

// Raises Xel::ParseException, quoting the text, when the text is not one
// value of type T.
template <class T>
T fromString(Xel::String8 const& text) {
  T value{};
  Xel::String8::IteratorConst pos = text.begin();
  Xel::String8::IteratorConst const end = text.end();
  sequenceToValue(pos, end, &value);
  Xel::requireEnd(pos, end);
  return value;
}

}  // namespace Pelno
