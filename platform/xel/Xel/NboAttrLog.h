// NboAttrLog: the byte primitives of the attribute log.
//
// OVERVIEW
//   The attribute log carries an entity's state and changes between
//   processes as records of primitive values. Every number travels in
//   network byte order (most significant byte first), so that peers agree
//   whatever their hosts' byte order:
//
//     bool          1 byte, 0 or 1
//     unsigned short 2 bytes
//     unsigned int  4 bytes
//     int           4 bytes, two's complement
//     String8       its length as an unsigned int, then its bytes
//     EntityId      word0, then word1, each as an unsigned int
//
//   Out collects what is written into a buffer of its own; In reads values
//   back from bytes someone else holds. Value types write themselves with
//   operator<<(Ptr<Out> const&, T) and read themselves with a constructor
//   T(In*, StreamBogon) or a reader function next to the type.
//
// OWNERSHIP
//   An Out is counted: whoever writes to it shares it through Ptr<Out>. An In
//   is a plain reader that borrows its bytes; they must outlive it.
//
// ERRORS
//   Reading past the end, or a bool byte other than 0 and 1, raises
//   RangeException naming the offset; the reader's position is left where
//   the failed value began.
//
// THREAD SAFETY
//   Neither is synchronised.
//
// TYPICAL USAGE
//   Xel::Ptr<Xel::NboAttrLog::Out> out = Xel::NboAttrLog::Out::outNew();
//   out << true << 150u << Xel::String8("t1");
//   Xel::NboAttrLog::In in(out->bytes());
//   bool b = in.nextBool();
//   unsigned int n = in.nextU32();
//   Xel::String8 s = in.nextString8();
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "Xel/EntityId.h"
#include "Xel/Export.h"
#include "Xel/Ptr.h"
#include "Xel/PtrInterface.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Xel {

// Selects the constructor of a value type that reads the value from an
// attribute log, T(NboAttrLog::In*, StreamBogon), apart from its other
// constructors.
struct StreamBogon {};

namespace NboAttrLog {

// The writing end of an attribute log: a byte sink. Headers, framing and
// flow control build on it; everything written reaches the log through
// bytesAppend.
class XEL_EXPORT Out : public PtrInterface {
 public:
  static Ptr<Out> outNew();

  // Everything written so far, in order.
  std::span<U8 const> bytes() const noexcept { return bytes_; }
  std::size_t byteCount() const noexcept { return bytes_.size(); }

  void bytesAppend(void const* data, std::size_t size);
  // Forgets what was written, for a sink whose bytes have been taken away.
  void bytesDelAll() noexcept { bytes_.clear(); }

  ~Out() override;

 protected:
  Out() noexcept = default;

 private:
  std::vector<U8> bytes_;
};

XEL_EXPORT Ptr<Out> const& operator<<(Ptr<Out> const& out, bool v);
XEL_EXPORT Ptr<Out> const& operator<<(Ptr<Out> const& out, unsigned short v);
XEL_EXPORT Ptr<Out> const& operator<<(Ptr<Out> const& out, unsigned int v);
XEL_EXPORT Ptr<Out> const& operator<<(Ptr<Out> const& out, int v);
XEL_EXPORT Ptr<Out> const& operator<<(Ptr<Out> const& out, String8 const& v);
XEL_EXPORT Ptr<Out> const& operator<<(Ptr<Out> const& out, EntityId const& v);
// Text literals are written as String8; without this overload a pointer
// would quietly convert to bool.
inline Ptr<Out> const& operator<<(Ptr<Out> const& out, char const* v) {
  return out << String8(v);
}
// A byte would be promoted to int and take four; say which width is meant.
Ptr<Out> const& operator<<(Ptr<Out> const& out, char v) = delete;
Ptr<Out> const& operator<<(Ptr<Out> const& out, signed char v) = delete;
Ptr<Out> const& operator<<(Ptr<Out> const& out, unsigned char v) = delete;

// The reading end: values taken one after another from borrowed bytes.
class XEL_EXPORT In {
 public:
  explicit In(std::span<U8 const> bytes) noexcept : bytes_(bytes) {}

  // Offset of the next byte to read.
  std::size_t position() const noexcept { return position_; }
  std::size_t remaining() const noexcept { return bytes_.size() - position_; }
  bool atEnd() const noexcept { return position_ == bytes_.size(); }

  bool nextBool();
  U16 nextU16();
  U32 nextU32();
  int nextInt();
  String8 nextString8();
  EntityId nextEntityId();
  // Copies the next `size` bytes as they stand, for values whose bytes are
  // already in wire order (addresses).
  void nextBytes(void* out, std::size_t size);

 private:
  // The next `size` bytes, after checking that they are there; the caller
  // advances position_ once the value is known to be good.
  U8 const* need(std::size_t size) const;

  std::span<U8 const> bytes_;
  std::size_t position_ = 0;
};

}  // namespace NboAttrLog
}  // namespace Xel
