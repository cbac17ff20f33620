// NboAttrLog: the attribute log's byte stream, its records and its room.
//
// OVERVIEW
//   The attribute log carries an entity's state and changes between
//   processes as records of primitive values. Every number travels in
//   network byte order (most significant byte first), so that peers agree
//   whatever their hosts' byte order:
//
//     bool           1 byte, 0 or 1
//     unsigned short 2 bytes
//     unsigned int   4 bytes
//     int            4 bytes, two's complement
//     String8        its length as an unsigned int, then its bytes
//     EntityId       word0, then word1, each as an unsigned int
//     TypeId         the type's full name as a String8
//
//   A record is framed so that a reader can find its end without knowing
//   what it holds (docs/wire-format.md draws every kind):
//
//     u32 length        bytes that follow, up to and including the end token
//     MsgHeader         entity id (2 x u32), attribute id (i32), variable-size
//                       flag (u8), fixed size (u32), creation tag (u32), 0 (u8)
//     u8  1             TransactToken::payloadBegin
//     ...               the payload
//     u8  3             TransactToken::payloadEnd
//
//   Out::nextHeaderIs opens a record; writing the end token closes it.
//
// ROOM AND BACK-PRESSURE
//   An Out is a buffer in front of a transport that takes its bytes away
//   (bytesDel). Its capacity bounds how much may wait there; room() is what
//   is left. A writer asks hasSufficientBuffer() (writable, and room for a
//   record of maxMessageSize() bytes) before writing a record and defers
//   the change when the answer is no; nothing is ever refused for lack of
//   room, so a writer that does not ask still loses nothing.
//
//   A transport that cannot take bytes for now (not connected, paused)
//   makes the log not writable: records must not be started, and a writer
//   that finds the log so treats the write as blocked. A transport that has
//   failed for good says why (failureIs): the log is then not writable
//   either, and starting a record raises Exception with the reason.
//
//   Only complete records are handed to the transport: bytes() ends at the
//   last end token. Bytes written outside any record (plain primitives, as
//   the value types' tests write them) count as complete at once. A record
//   left open by an exception is dropped when the next one starts.
//
// OWNERSHIP
//   An Out is counted: whoever writes to it shares it through Ptr<Out>. An In
//   is a plain reader that borrows its bytes; they must outlive it.
//
// ERRORS
//   Reading past the end, a bool byte other than 0 and 1, or a record whose
//   framing does not hold raises RangeException naming the offset; the
//   reader's position is left where the failed value began.
//
// THREAD SAFETY
//   Neither is synchronised.
//
// TYPICAL USAGE
//   Xel::Ptr<Xel::NboAttrLog::Out> out = Xel::NboAttrLog::Out::outNew();
//   out->nextHeaderIs({.entityId = {2, 0}, .attrId = 261, .fixedSize = 4});
//   out << Xel::NboAttrLog::TransactToken::payloadBegin << 150u
//       << Xel::NboAttrLog::TransactToken::payloadEnd;
//   Xel::NboAttrLog::RecordReader reader(out->bytes());
//   Xel::NboAttrLog::Record r;
//   while (reader.next(&r)) handle(r.header, r.payload);
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

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

// The two tokens that bracket a record's payload.
enum class TransactToken : U8 { payloadBegin = 1, payloadEnd = 3 };

// Attribute ids and tags the log gives a meaning of its own.
inline constexpr int syncModeAttrId = 135;
inline constexpr int entityCreationAttrId = 136;
inline constexpr int transactionMarkerAttrId = 137;
inline constexpr U32 childCreationTag = 151;
// The entity id of entity-creation records: no entity has it.
inline constexpr EntityId creationEntityId{1, 0};

// Kinds of transaction marker (transactionMarkerAttrId records).
enum class AttrTransactionType : U32 { start = 0, abort = 1, end = 2 };

// A record's header, field by field in wire order.
struct MsgHeader {
  EntityId entityId;
  // Negated for the deletion of a collection member or of a child.
  int attrId = 0;
  // 0 when the payload is one fixed-size primitive (or nothing), else 1.
  U8 variableSize = 0;
  // The payload's size when variableSize is 0, else 0.
  U32 fixedSize = 0;
  // childCreationTag on a child-creation record, else 0.
  U32 creationTag = 0;
  U8 trailing = 0;

  // Bytes on the wire, with the length word that frames the record.
  static constexpr std::size_t wireSize = 4 + 8 + 4 + 1 + 4 + 4 + 1;
  friend bool operator==(MsgHeader const&, MsgHeader const&) = default;
};

// Names a type on the log by its full name ("Routing::Fhrp::TrackedObject").
struct TypeId {
  String8 name;
};

class Out;
class In;
class Demuxer;

// A text being written in pieces: the text (kept alive) and how much of it
// has been written. Each piece is one record's payload:
//
//   u32 total size of the text, u32 offset of the piece, String8 piece
//
// so a reader knows a text is complete when offset + piece size reaches the
// total, and that a piece at offset 0 starts the text afresh.
class XEL_EXPORT TextIter {
 public:
  // The text of one piece, at most: a piece's record (16424 bytes with its
  // framing) stays well under maxMessageSize(), and two go out before a
  // writer that began with room for a whole message runs short.
  static constexpr U32 pieceSize = 16384;

  explicit TextIter(String8 text) noexcept : text_(static_cast<String8&&>(text)) {}

  String8 const& text() const noexcept { return text_; }
  U32 offset() const noexcept { return offset_; }
  bool atEnd() const noexcept { return offset_ >= text_.size(); }

  // Writes the next piece and moves past it. A text of no characters is
  // one empty piece.
  friend XEL_EXPORT Ptr<Out> const& operator<<(Ptr<Out> const& out, TextIter& it);

 private:
  String8 text_;
  U32 offset_ = 0;
};

// The writing end of an attribute log; see the overview above.
class XEL_EXPORT Out : public PtrInterface {
 public:
  static constexpr std::size_t unlimited = SIZE_MAX;

  static Ptr<Out> outNew(std::size_t capacity = unlimited);

  // The largest record a writer plans for: it asks for this much room
  // before writing one.
  static constexpr std::size_t maxMessageSize() noexcept { return 32768; }

  std::size_t capacity() const noexcept { return capacity_; }
  void capacityIs(std::size_t capacity) noexcept { capacity_ = capacity; }
  // Capacity not taken by bytes waiting for the transport (0 when over).
  std::size_t room() const noexcept {
    std::size_t const waiting = size_ - head_;
    return capacity_ > waiting ? capacity_ - waiting : 0;
  }
  bool writable() const noexcept { return writable_ && failure_.empty(); }
  void writableIs(bool writable) noexcept { writable_ = writable; }
  // Whether a peer is at the other end: a log whose transport has ended is
  // not (a log without a transport, written to memory, counts as one).
  bool connected() const noexcept { return connected_ && failure_.empty(); }
  void connectedIs(bool connected) noexcept { connected_ = connected; }
  // Whether a record of maxMessageSize() bytes may be written now.
  bool hasSufficientBuffer() const noexcept { return writable() && room() >= maxMessageSize(); }
  // Why the transport failed, or empty while it has not.
  String8 const& failure() const noexcept { return failure_; }
  void failureIs(String8 reason);

  // Opens a record with `header`. A record still open (an exception left
  // it) is dropped first.
  // Precondition: the log is writable; a failed log raises its failure.
  void nextHeaderIs(MsgHeader const& h) { headerPlace(h, 0); }
  // nextHeaderIs, then `extra` bytes of the record for the caller to fill
  // at the place returned (the begin token and a fixed-size payload, say):
  // one reservation for what is usually written in several.
  U8* headerPlace(MsgHeader const& h, std::size_t extra) {
    if (!writable_ || !failure_.empty() || recordOpen()) recordRefusedOrDropped();
    recordStart_ = size_;
    U8* const p = appendPlace(MsgHeader::wireSize + extra);
    putU32(p, 0);  // the length, known when the record ends
    putU32(p + 4, h.entityId.word0);
    putU32(p + 8, h.entityId.word1);
    putU32(p + 12, static_cast<U32>(h.attrId));
    p[16] = h.variableSize;
    putU32(p + 17, h.fixedSize);
    putU32(p + 21, h.creationTag);
    p[25] = h.trailing;
    return p + MsgHeader::wireSize;
  }
  bool recordOpen() const noexcept { return recordStart_ != noRecord; }
  // Marks the start of a numbered section of the payload (entity-creation
  // records): one byte, the number.
  void currentPayloadSectionIs(U8 section);

  // Complete records (and bytes written outside any record) not yet taken
  // by the transport, in order.
  std::span<U8 const> bytes() const noexcept { return {data_ + head_, committed_ - head_}; }
  std::size_t byteCount() const noexcept { return committed_ - head_; }
  // The transport took the first `n` bytes of bytes().
  void bytesDel(std::size_t n) noexcept;
  // Forgets everything waiting, the open record included.
  void bytesDelAll() noexcept;
  // Everything ever completed, taken or not: bytes and records.
  U64 bytesCompleted() const noexcept { return completedBytes_; }
  U64 recordsCompleted() const noexcept { return completedRecords_; }

  void bytesAppend(void const* data, std::size_t size) {
    std::memcpy(appendPlace(size), data, size);
    appended();
  }
  void u32Append(U32 v) {
    putU32(appendPlace(4), v);
    appended();
  }
  void u8Append(U8 v) {
    *appendPlace(1) = v;
    appended();
  }
  // `v` in network byte order at `p`, in one store: built byte by byte
  // and read back whole, it would stall the processor's store forwarding.
  static void putU32(U8* p, U32 v) noexcept {
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
  }
  // Closes the open record (the end token has been appended).
  void recordEnd() {
    if (!recordOpen()) recordNotOpen();
    putU32(data_ + recordStart_, static_cast<U32>(size_ - recordStart_ - 4));
    recordStart_ = noRecord;
    commit();
    ++completedRecords_;
    onRecordComplete();
  }

  // The records arriving from the peer at the other end, positioned at the
  // payload of the one being applied; null between records and on a log
  // that only writes.
  In* reverseLog() const noexcept { return reverseLog_; }
  void reverseLogIs(In* in) noexcept { reverseLog_ = in; }
  // The peer's name, as the transport knows it, for messages.
  String8 const& peerName() const noexcept { return peerName_; }
  void peerNameIs(String8 name) noexcept { peerName_ = static_cast<String8&&>(name); }

  ~Out() override;

 protected:
  explicit Out(std::size_t capacity) noexcept : capacity_(capacity) {}

  // Told after each record completes: a transport may take bytes now, or
  // find it cannot take more and make the log not writable. Writers check
  // writability before every record, so a change here takes effect at once.
  virtual void onRecordComplete() {}

 private:
  friend class Demuxer;
  static constexpr std::size_t noRecord = SIZE_MAX;
  // A buffer larger than this is freed when the transport empties it.
  static constexpr std::size_t shrinkAbove = std::size_t{1} << 22;

  std::size_t capacityLeft() const noexcept { return allocated_ - size_; }
  void grow(std::size_t more);
  // nextHeaderIs on a log that refuses records raises; a record left open
  // by an exception is dropped.
  void recordRefusedOrDropped();
  [[noreturn]] static void recordNotOpen();
  // Room for `size` more bytes at the end: where they go.
  U8* appendPlace(std::size_t size) {
    if (capacityLeft() < size) grow(size);
    U8* const place = data_ + size_;
    size_ += size;
    return place;
  }
  // Bytes appended outside a record are complete at once.
  void appended() noexcept {
    if (!recordOpen()) commit();
  }
  void commit() noexcept {
    completedBytes_ += size_ - committed_;
    committed_ = size_;
  }

  U8* data_ = nullptr;
  std::size_t allocated_ = 0;
  std::size_t size_ = 0;       // bytes held, the open record included
  std::size_t committed_ = 0;  // end of the last complete record
  std::size_t head_ = 0;       // start of the bytes the transport has not taken
  std::size_t recordStart_ = noRecord;
  std::size_t capacity_;
  bool writable_ = true;
  bool connected_ = true;
  String8 failure_;
  U64 completedBytes_ = 0;
  U64 completedRecords_ = 0;
  Demuxer* demuxer_ = nullptr;
  In* reverseLog_ = nullptr;
  String8 peerName_;
};

inline Ptr<Out> const& operator<<(Ptr<Out> const& out, bool v) {
  out->u8Append(v ? 1 : 0);
  return out;
}
inline Ptr<Out> const& operator<<(Ptr<Out> const& out, unsigned short v) {
  out->u8Append(static_cast<U8>(v >> 8));
  out->u8Append(static_cast<U8>(v));
  return out;
}
inline Ptr<Out> const& operator<<(Ptr<Out> const& out, unsigned int v) {
  out->u32Append(v);
  return out;
}
inline Ptr<Out> const& operator<<(Ptr<Out> const& out, int v) {
  // Conversion to unsigned is modulo 2^32: the two's complement bits.
  out->u32Append(static_cast<U32>(v));
  return out;
}
XEL_EXPORT Ptr<Out> const& operator<<(Ptr<Out> const& out, String8 const& v);
inline Ptr<Out> const& operator<<(Ptr<Out> const& out, EntityId const& v) {
  out->u32Append(v.word0);
  out->u32Append(v.word1);
  return out;
}
inline Ptr<Out> const& operator<<(Ptr<Out> const& out, TypeId const& v) {
  return out << v.name;
}
// The end token closes the record it ends.
inline Ptr<Out> const& operator<<(Ptr<Out> const& out, TransactToken token) {
  out->u8Append(static_cast<U8>(token));
  if (token == TransactToken::payloadEnd) out->recordEnd();
  return out;
}
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
  U8 nextU8();
  U16 nextU16();
  U32 nextU32();
  int nextInt();
  // Raises when the String8 is longer than stringLimit().
  String8 nextString8();
  EntityId nextEntityId();
  TypeId nextTypeId() { return TypeId{nextString8()}; }
  // Copies the next `size` bytes as they stand, for values whose bytes are
  // already in wire order (addresses).
  void nextBytes(void* out, std::size_t size);

  // The longest String8 the reader takes; a reader of a peer's records
  // lowers it to its demultiplexer's limit.
  U32 stringLimit() const noexcept { return stringLimit_; }
  void stringLimitIs(U32 bytes) noexcept { stringLimit_ = bytes; }

 private:
  // The next `size` bytes, after checking that they are there; the caller
  // advances position_ once the value is known to be good.
  U8 const* need(std::size_t size) const;

  std::span<U8 const> bytes_;
  std::size_t position_ = 0;
  U32 stringLimit_ = 0xffffffffu;
};

// One record as read off a log.
struct Record {
  MsgHeader header;
  // Where the record's length word stands in the bytes read.
  std::size_t offset = 0;
  // The bytes between the two tokens.
  std::span<U8 const> payload;
};

// Splits bytes into records, checking the framing of each: the length, the
// tokens, the header's flag and trailing byte, and that a fixed-size payload
// has the size its header gives. A malformed record raises RangeException
// "record at offset N: ..." and leaves the reader at that record.
class XEL_EXPORT RecordReader {
 public:
  explicit RecordReader(std::span<U8 const> bytes) noexcept : bytes_(bytes) {}

  // The next record into `r`; false when the bytes end cleanly.
  bool next(Record* r);
  std::size_t position() const noexcept { return position_; }

 private:
  std::span<U8 const> bytes_;
  std::size_t position_ = 0;
};

}  // namespace NboAttrLog
}  // namespace Xel
