// FlowIn: what a reader keeps of an entity between the records that apply
// to it together.
//
// OVERVIEW
//   Most records stand alone: one value, one member, one child. Two kinds
//   span several records, and the reader keeps their state here, one
//   FlowIn per entity id, held by the log's demultiplexer:
//
//     a text arriving in pieces   the text received so far (TextIn), which
//                                 the entity does not see until the last
//                                 piece is in
//     a collection's contents     which collection, between its start and
//                                 end markers (the members' deletion marks
//                                 live on the members themselves)
//
//   A FlowIn exists from the first piece or the start marker until the
//   text is complete or the transaction ends. The adapter of the entity
//   holds it, so that finding it costs no more than finding the adapter.
//
// ERRORS
//   A piece that does not continue the text received so far, or a text
//   longer than the reader's limit, raises RangeException; the text
//   received so far is left as it was.
//
// THREAD SAFETY
//   Used by the thread that drives the log.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Xel/Assert.h"
#include "Xel/Export.h"
#include "Xel/NboAttrLog.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Xel::NboAttrLog {

// How a record reached its adapter: the header and where the record stood.
// Passed through to the adapter's reader unchanged.
struct DeserializationOptions {
  MsgHeader header;
  std::size_t offset = 0;
};

// A text received in pieces (TextIter writes them): each piece says the
// text's total size and its own offset, and a piece at offset 0 starts the
// text afresh.
class XEL_EXPORT TextIn {
 public:
  // The longest text a reader accepts unless told otherwise.
  static constexpr U32 maxSize = U32{1} << 24;

  // One piece as read off the log.
  struct Piece {
    U32 total = 0;
    U32 offset = 0;
    String8 bytes;
  };
  // Reads a piece without taking it in.
  static Piece pieceRead(In& in);

  // Takes `piece` in, after checking that it continues a text of at most
  // `limit` bytes.
  void pieceIs(Piece const& piece, U32 limit = maxSize);
  bool complete() const noexcept { return started_ && text_.size() == total_; }
  std::size_t received() const noexcept { return text_.size(); }
  String8 text() const { return String8(text_); }

 private:
  std::string text_;
  U32 total_ = 0;
  bool started_ = false;
};

// Reads one piece into `text`.
inline In& operator>>(In& in, TextIn& text) {
  text.pieceIs(TextIn::pieceRead(in));
  return in;
}

class XEL_EXPORT FlowIn {
 public:
  // The attribute being received: the text's, or the collection's.
  AttributeId aid() const noexcept { return aid_; }
  void aidIs(AttributeId aid) noexcept { aid_ = aid; }
  // Set when the end marker of aid()'s transaction has arrived.
  bool handlingTransaction() const noexcept { return handlingTransaction_; }
  void handlingTransactionIs(bool b) noexcept { handlingTransaction_ = b; }

  TextIn* iter() const noexcept { return iter_.get(); }
  void iterIs(std::unique_ptr<TextIn> iter) noexcept { iter_ = std::move(iter); }

  // Back to no attribute, no transaction and no text.
  void clear() noexcept {
    aid_ = 0;
    handlingTransaction_ = false;
    iter_.reset();
  }

 private:
  AttributeId aid_ = 0;
  bool handlingTransaction_ = false;
  std::unique_ptr<TextIn> iter_;
};

// The text a flow-in holds (at most one), made and dropped by the reader.
inline TextIn* xelFlowInIterator(FlowIn const& rrc) noexcept {
  return rrc.iter();
}
inline TextIn* xelFlowInIteratorIs(FlowIn& rrc) {
  XEL_ASSERT_TEXT(!rrc.iter(), "!rrc->iter()");
  rrc.iterIs(std::make_unique<TextIn>());
  return rrc.iter();
}
inline void xelFlowInIteratorDel(FlowIn& rrc) noexcept {
  rrc.iterIs(nullptr);
}

}  // namespace Xel::NboAttrLog
