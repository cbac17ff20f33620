#include "Xel/NboAttrLog.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace Xel::NboAttrLog {

namespace {

U32 u32At(U8 const* b) noexcept {
  return static_cast<U32>(b[0]) << 24 | static_cast<U32>(b[1]) << 16 | static_cast<U32>(b[2]) << 8 |
         static_cast<U32>(b[3]);
}

// The header's fields after the length word, and the two tokens.
constexpr std::size_t headerFields = MsgHeader::wireSize - 4;
constexpr std::size_t framingAfterLength = headerFields + 2;

}  // namespace

Ptr<Out> Out::outNew(std::size_t capacity) {
  return Ptr<Out>(new Out(capacity));
}

Out::~Out() {
  std::free(data_);
}

void Out::failureIs(String8 reason) {
  failure_ = static_cast<String8&&>(reason);
}

void Out::grow(std::size_t more) {
  // Bytes the transport has taken are reclaimed before the buffer grows.
  if (head_ > 0) {
    std::memmove(data_, data_ + head_, size_ - head_);
    size_ -= head_;
    committed_ -= head_;
    if (recordOpen()) recordStart_ -= head_;
    head_ = 0;
    if (capacityLeft() >= more) return;
  }
  std::size_t const wanted = std::max({allocated_ * 2, size_ + more, std::size_t{256}});
  auto* grown = static_cast<U8*>(std::realloc(data_, wanted));
  if (!grown) throw std::bad_alloc();
  data_ = grown;
  allocated_ = wanted;
}

void Out::recordRefusedOrDropped() {
  if (!failure_.empty()) throwException(String8("NboAttrLog::Out: ") + failure_);
  if (!writable_)
    throwInternalException("NboAttrLog::Out: record started on a log that is not writable");
  // A record an exception left open never reaches the transport.
  size_ = recordStart_;
  recordStart_ = noRecord;
}

void Out::recordNotOpen() {
  throwInternalException("NboAttrLog::Out: end token outside a record");
}

void Out::currentPayloadSectionIs(U8 section) {
  u8Append(section);
}

void Out::bytesDel(std::size_t n) noexcept {
  head_ += std::min(n, committed_ - head_);
  if (head_ == size_) bytesDelAll();
}

void Out::bytesDelAll() noexcept {
  head_ = committed_ = size_ = 0;
  recordStart_ = noRecord;
  // A burst (a large full state on a log without a capacity) does not keep
  // its memory once the transport has taken it.
  if (allocated_ > shrinkAbove) {
    std::free(data_);
    data_ = nullptr;
    allocated_ = 0;
  }
}

Ptr<Out> const& operator<<(Ptr<Out> const& out, String8 const& v) {
  U32 const size = static_cast<U32>(v.size());
  // The length word holds 32 bits; a longer string would be cut silently.
  if (size != v.size()) throwRangeException("NboAttrLog::Out: String8 over 4 GiB");
  out->u32Append(size);
  out->bytesAppend(v.data(), v.size());
  return out;
}

Ptr<Out> const& operator<<(Ptr<Out> const& out, TextIter& it) {
  U32 const total = static_cast<U32>(it.text_.size());
  if (total != it.text_.size()) throwRangeException("NboAttrLog::Out: String8 over 4 GiB");
  U32 const piece = std::min(total - it.offset_, TextIter::pieceSize);
  out->u32Append(total);
  out->u32Append(it.offset_);
  out->u32Append(piece);
  out->bytesAppend(it.text_.data() + it.offset_, piece);
  it.offset_ += piece;
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

U8 In::nextU8() {
  U8 const b = *need(1);
  position_ += 1;
  return b;
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
  if (size > stringLimit_) {
    throwRangeException(
        format("NboAttrLog::In: String8 of %u bytes at offset %zu is longer than "
               "the %u a reader accepts",
               size, position_, stringLimit_));
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

bool RecordReader::next(Record* r) {
  std::size_t const left = bytes_.size() - position_;
  if (left == 0) return false;
  auto fail = [this](String8 const& what) {
    throwRangeException(format("record at offset %zu: ", position_) + what);
  };
  if (left < 4) fail(format("truncated length word (%zu of 4 bytes)", left));
  U8 const* b = bytes_.data() + position_;
  U32 const length = u32At(b);
  if (length < framingAfterLength) {
    fail(format("length %u is shorter than a header and its tokens (%zu bytes)", length,
                framingAfterLength));
  }
  // Compared without adding to `length`, which may be near 2^32.
  if (length > left - 4)
    fail(format("truncated: %u bytes announced, %zu present", length, left - 4));
  MsgHeader& h = r->header;
  h.entityId = EntityId{u32At(b + 4), u32At(b + 8)};
  h.attrId = static_cast<int>(u32At(b + 12));
  h.variableSize = b[16];
  h.fixedSize = u32At(b + 17);
  h.creationTag = u32At(b + 21);
  h.trailing = b[25];
  std::size_t const payloadSize = length - framingAfterLength;
  if (h.variableSize > 1)
    fail(format("variable-size flag %u is neither 0 nor 1", unsigned{h.variableSize}));
  if (h.trailing != 0) fail(format("trailing header byte %u is not 0", unsigned{h.trailing}));
  if (b[26] != static_cast<U8>(TransactToken::payloadBegin)) {
    fail(format("byte %u where the payload's begin token 1 belongs", unsigned{b[26]}));
  }
  if (b[4 + length - 1] != static_cast<U8>(TransactToken::payloadEnd)) {
    fail(format("byte %u where the record's end token 3 belongs", unsigned{b[4 + length - 1]}));
  }
  if (h.variableSize == 0 && h.fixedSize != payloadSize) {
    fail(format("fixed size %u, but the payload holds %zu bytes", h.fixedSize, payloadSize));
  }
  if (h.variableSize == 1 && h.fixedSize != 0) {
    fail(format("variable-size record with fixed size %u", h.fixedSize));
  }
  r->offset = position_;
  r->payload = bytes_.subspan(position_ + 27, payloadSize);
  position_ += 4 + std::size_t{length};
  return true;
}

}  // namespace Xel::NboAttrLog
