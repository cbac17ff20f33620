// FlowOut: what an adapter still owes its log.
//
// OVERVIEW
//   An attribute-log adapter that cannot write a change at once (the log
//   has no room, or it is writing an entity's full state) records in its
//   flow-out what is due, and the demultiplexer's scheduled flush writes it
//   later. The base kept here holds what every adapter needs; the model's
//   adapters add one bit per attribute and one set of keys per collection.
//
//     attrId       where the scheduled flush resumes
//     bookmark     the key of the collection member a flush stopped before
//                  (a heap copy), or its end marker, and which collection
//                  (at most one)
//     valueIter    the text a flush stopped in the middle of, and how far it
//                  got (at most one)
//     data bits    blockedBit: the last write could not be made and the
//                  flush must stop and retry it; orphanDueBit: the entity's
//                  creation record is still to be written
//     pending aborts  collections whose full contents were begun and given
//                  up: each owes an abort marker
//
// OWNERSHIP
//   A flow-out is counted; its adapter holds it while anything is due. The
//   bookmark and the saved text are owned by the flow-out.
//
// THREAD SAFETY
//   Used by the thread that drives the adapter's log.
#pragma once

#include <memory>
#include <vector>

#include "Xel/Assert.h"
#include "Xel/Export.h"
#include "Xel/NboAttrLog.h"
#include "Xel/PtrInterface.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Xel::NboAttrLog {

// The framework's description of a connection's two ends, which a flow-out
// is created for; the model passes it through.
struct ConnectDesc {
  String8 local;
  String8 remote;
};

// Where a flush stopped inside a collection's full contents: past its last
// member, with only the end marker still to write (this base), or before
// the member of a key (BookmarkOf, a copy of the key of whatever type the
// collection has).
class XEL_EXPORT Bookmark {
 public:
  virtual ~Bookmark();
  virtual bool pastEnd() const noexcept { return true; }
};

template <class Key>
class BookmarkOf final : public Bookmark {
 public:
  explicit BookmarkOf(Key const& key) : key(key) {}
  bool pastEnd() const noexcept override { return false; }
  Key key;
};

class XEL_EXPORT FlowOut : public PtrInterface {
 public:
  static constexpr U8 orphanDueBit = 0x01;
  static constexpr U8 blockedBit = 0x10;

  explicit FlowOut(AttributeId start) noexcept : attrId_(start) {}
  ~FlowOut() override;

  AttributeId attrId() const noexcept { return attrId_; }
  void attrIdIs(AttributeId id) noexcept { attrId_ = id; }

  Bookmark* bookmark() const noexcept { return bookmark_.get(); }
  // The collection whose bookmark is held.
  AttributeId bookmarkAttr() const noexcept { return bookmarkAttr_; }
  // Precondition: no bookmark is held, or `b` is empty.
  void bookmarkIs(std::unique_ptr<Bookmark> b, AttributeId attr = 0) {
    if (b) XEL_ASSERT_TEXT(!bookmark_, "!rsc->bookmark()");
    bookmark_ = std::move(b);
    bookmarkAttr_ = bookmark_ ? attr : 0;
  }

  TextIter* valueIter() const noexcept { return valueIter_.get(); }
  // Takes the saved text out.
  std::unique_ptr<TextIter> valueIterDeq() noexcept {
    valueIterAttr_ = 0;
    return std::move(valueIter_);
  }
  // The attribute whose text valueIter() belongs to.
  AttributeId valueIterAttr() const noexcept { return valueIterAttr_; }
  // Precondition: no text is held, or `it` is empty.
  void valueIterIs(std::unique_ptr<TextIter> it, AttributeId attr) {
    if (it) XEL_ASSERT_TEXT(!valueIter_, "!rsc->valueIter()");
    valueIter_ = std::move(it);
    valueIterAttr_ = valueIter_ ? attr : 0;
  }

  U8 xelDataBits() const noexcept { return dataBits_; }
  void xelDataBitsIs(U8 bits) noexcept { dataBits_ = bits; }
  bool blocked() const noexcept { return dataBits_ & blockedBit; }
  void blockedIs(bool b) noexcept { dataBitIs(blockedBit, b); }
  bool orphanDue() const noexcept { return dataBits_ & orphanDueBit; }
  void orphanDueIs(bool b) noexcept { dataBitIs(orphanDueBit, b); }

  // Collections owing an abort marker, in the order they were given up.
  std::vector<AttributeId> const& pendingAborts() const noexcept { return pendingAborts_; }
  void pendingAbortIs(AttributeId id);
  void pendingAbortDel(AttributeId id);

  // Whether anything is still to be written: the base's own debts (aborts,
  // the creation record); the model's flow-outs add their bits and keys.
  virtual bool hasDirtyAttributes() const;

 private:
  void dataBitIs(U8 bit, bool on) noexcept { dataBits_ = on ? dataBits_ | bit : dataBits_ & ~bit; }

  AttributeId attrId_;
  AttributeId bookmarkAttr_ = 0;
  AttributeId valueIterAttr_ = 0;
  std::unique_ptr<Bookmark> bookmark_;
  std::unique_ptr<TextIter> valueIter_;
  std::vector<AttributeId> pendingAborts_;
  U8 dataBits_ = 0;
};

}  // namespace Xel::NboAttrLog
