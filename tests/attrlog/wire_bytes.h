// Test support: attribute-log records written out by hand, field by field,
// as the wire format gives them, so that a test states the bytes it means.
#pragma once

#include <Xel/EntityId.h>
#include <Xel/Types.h>

#include <string>
#include <vector>

namespace attrlog_test {

using Xel::EntityId;
using Xel::U32;
using Xel::U8;

// Bytes written out by hand, field by field, as the wire format gives them.
struct Bytes : std::vector<U8> {
  Bytes& u8(U8 v) {
    push_back(v);
    return *this;
  }
  Bytes& u32(U32 v) {
    for (int shift = 24; shift >= 0; shift -= 8) push_back(static_cast<U8>(v >> shift));
    return *this;
  }
  Bytes& str(std::string const& s) {
    u32(static_cast<U32>(s.size()));
    insert(end(), s.begin(), s.end());
    return *this;
  }
  Bytes& id(EntityId e) { return u32(e.word0).u32(e.word1); }
  Bytes& operator+=(Bytes const& b) {
    insert(end(), b.begin(), b.end());
    return *this;
  }
  friend Bytes operator+(Bytes a, Bytes const& b) { return a += b; }
};

// A record: length, the six header fields, token 1, the payload, token 3.
inline Bytes record(EntityId e, int attr, U8 variable, U32 fixed, U32 tag, Bytes const& payload) {
  Bytes r;
  r.u32(static_cast<U32>(22 + 1 + payload.size() + 1)).id(e).u32(static_cast<U32>(attr));
  r.u8(variable).u32(fixed).u32(tag).u8(0).u8(1);
  r += payload;
  return r.u8(3);
}

inline Bytes marker(EntityId e, U32 collection, U32 type) {
  return record(e, 137, 1, 0, 0, Bytes().u32(collection).u32(type).u32(0));
}

}  // namespace attrlog_test
