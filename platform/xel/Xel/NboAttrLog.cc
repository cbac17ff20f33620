#include "Xel/NboAttrLog.h"

#include <cstring>

#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace Xel::NboAttrLog {

namespace {

void appendU32(Ptr<Out> const& out, U32 v) {
  U8 const b[4] = {static_cast<U8>(v >> 24), static_cast<U8>(v >> 16), static_cast<U8>(v >> 8),
                   static_cast<U8>(v)};
  out->bytesAppend(b, sizeof b);
}

U32 u32At(U8 const* b) noexcept {
  return static_cast<U32>(b[0]) << 24 | static_cast<U32>(b[1]) << 16 | static_cast<U32>(b[2]) << 8 |
         static_cast<U32>(b[3]);
}

}  // namespace

Ptr<Out> Out::outNew() {
  return Ptr<Out>(new Out());
}

Out::~Out() = default;

void Out::bytesAppend(void const* data, std::size_t size) {
  auto const* b = static_cast<U8 const*>(data);
  bytes_.insert(bytes_.end(), b, b + size);
}

Ptr<Out> const& operator<<(Ptr<Out> const& out, bool v) {
  U8 const b = v ? 1 : 0;
  out->bytesAppend(&b, 1);
  return out;
}

Ptr<Out> const& operator<<(Ptr<Out> const& out, unsigned short v) {
  U8 const b[2] = {static_cast<U8>(v >> 8), static_cast<U8>(v)};
  out->bytesAppend(b, sizeof b);
  return out;
}

Ptr<Out> const& operator<<(Ptr<Out> const& out, unsigned int v) {
  appendU32(out, v);
  return out;
}

Ptr<Out> const& operator<<(Ptr<Out> const& out, int v) {
  // Conversion to unsigned is modulo 2^32: the two's complement bits.
  appendU32(out, static_cast<U32>(v));
  return out;
}

Ptr<Out> const& operator<<(Ptr<Out> const& out, String8 const& v) {
  U32 const size = static_cast<U32>(v.size());
  // The length word holds 32 bits; a longer string would be cut silently.
  if (size != v.size()) throwRangeException("NboAttrLog::Out: String8 over 4 GiB");
  appendU32(out, size);
  out->bytesAppend(v.data(), v.size());
  return out;
}

Ptr<Out> const& operator<<(Ptr<Out> const& out, EntityId const& v) {
  appendU32(out, v.word0);
  appendU32(out, v.word1);
  return out;
}

U8 const* In::need(std::size_t size) const {
  if (size > remaining()) {
    throwRangeException(format("NboAttrLog::In: %zu bytes wanted at offset %zu, %zu left", size,
                               position_, remaining()));
  }
  return bytes_.data() + position_;
}

bool In::nextBool() {
  U8 const b = *need(1);
  if (b > 1) {
    throwRangeException(
        format("NboAttrLog::In: byte %u at offset %zu is not a bool", unsigned{b}, position_));
  }
  position_ += 1;
  return b == 1;
}

U16 In::nextU16() {
  U8 const* b = need(2);
  position_ += 2;
  return static_cast<U16>(b[0] << 8 | b[1]);
}

U32 In::nextU32() {
  U32 const v = u32At(need(4));
  position_ += 4;
  return v;
}

int In::nextInt() {
  // Conversion of an out-of-range unsigned value to int wraps modulo 2^32.
  return static_cast<int>(nextU32());
}

String8 In::nextString8() {
  U32 const size = u32At(need(4));
  // Checked apart from the length word: on a 32-bit host 4 + size can wrap.
  if (size > remaining() - 4) {
    throwRangeException(format("NboAttrLog::In: String8 of %u bytes at offset %zu, %zu left", size,
                               position_, remaining() - 4));
  }
  U8 const* chars = bytes_.data() + position_ + 4;
  position_ += 4 + std::size_t{size};
  return String8(reinterpret_cast<char const*>(chars), size);
}

EntityId In::nextEntityId() {
  U8 const* b = need(8);
  position_ += 8;
  return EntityId{u32At(b), u32At(b + 4)};
}

void In::nextBytes(void* out, std::size_t size) {
  U8 const* b = need(size);
  std::memcpy(out, b, size);
  position_ += size;
}

}  // namespace Xel::NboAttrLog
