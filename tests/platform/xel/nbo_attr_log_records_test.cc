// Records on the log: framing, what reaches the transport, room and
// failure, the reader's checks, and the demultiplexer that holds a log's
// adapters. (Text pieces are pinned with the adapters that write them.)
#include <Xel/Demuxer.h>
#include <Xel/Exception.h>
#include <Xel/NboAttrLog.h>
#include <Xel/StreamAdapter.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Xel::EntityId;
using Xel::Ptr;
using Xel::String8;
using Xel::U8;
using namespace Xel::NboAttrLog;

std::vector<U8> bytesOf(Ptr<Out> const& out) {
  return {out->bytes().begin(), out->bytes().end()};
}

// A record of attribute 261 of entity (2, 0) holding the number `n`.
void writeRecord(Ptr<Out> const& out, Xel::U32 n) {
  out->nextHeaderIs({.entityId = {2, 0}, .attrId = 261, .fixedSize = 4});
  out << TransactToken::payloadBegin << n << TransactToken::payloadEnd;
}

template <class E>
void expectThrow(std::function<void()> const& f, std::string const& message) {
  try {
    f();
    ADD_FAILURE() << "nothing thrown, expected: " << message;
  } catch (E const& e) {
    EXPECT_EQ(std::string(e.message().view()), message);
  }
}

TEST(XelNboAttrLogRecord, IsFramedByItsLengthHeaderAndTokens) {
  Ptr<Out> const out = Out::outNew();
  out->nextHeaderIs({.entityId = {2, 7}, .attrId = -291, .variableSize = 1, .creationTag = 151});
  out << TransactToken::payloadBegin << String8("t1") << TransactToken::payloadEnd;
  EXPECT_EQ(bytesOf(out),
            (std::vector<U8>{0, 0, 0, 30, 0, 0, 0, 2,   0, 0, 0, 7, 0xff, 0xff, 0xfe, 0xdd, 1,
                             0, 0, 0, 0,  0, 0, 0, 151, 0, 1, 0, 0, 0,    2,    't',  '1',  3}));
  EXPECT_EQ(out->recordsCompleted(), 1u);
}

TEST(XelNboAttrLogRecord, OnlyCompleteRecordsReachTheTransport) {
  Ptr<Out> const out = Out::outNew();
  writeRecord(out, 1);
  std::size_t const one = out->byteCount();
  out->nextHeaderIs({.entityId = {2, 0}, .attrId = 261, .fixedSize = 4});
  out << TransactToken::payloadBegin;
  EXPECT_TRUE(out->recordOpen());
  EXPECT_EQ(out->byteCount(), one) << "an open record is not handed over";
  // An exception left that record open: the next one drops it.
  writeRecord(out, 2);
  EXPECT_EQ(out->byteCount(), 2 * one);
  out->bytesDel(one + 3);
  EXPECT_EQ(out->byteCount(), one - 3);
  EXPECT_EQ(out->bytesCompleted(), 2 * one);
  RecordReader reader(out->bytes().subspan(one - 3));
  Record r;
  EXPECT_FALSE(reader.next(&r));
  expectThrow<Xel::InternalException>([&] { out << TransactToken::payloadEnd; },
                                      "NboAttrLog::Out: end token outside a record");
}

TEST(XelNboAttrLogRecord, RoomIsTheCapacityLessWhatWaitsForTheTransport) {
  Ptr<Out> const out = Out::outNew(Out::maxMessageSize() + 20);
  EXPECT_TRUE(out->hasSufficientBuffer());
  writeRecord(out, 1);  // 32 bytes
  EXPECT_EQ(out->room(), Out::maxMessageSize() + 20 - 32);
  EXPECT_FALSE(out->hasSufficientBuffer());
  // Nothing is refused for lack of room.
  out->capacityIs(40);
  for (int i = 0; i < 3; ++i) writeRecord(out, 1);
  EXPECT_EQ(out->room(), 0u);
  EXPECT_EQ(out->byteCount(), 128u);
  out->bytesDelAll();
  EXPECT_EQ(out->room(), 40u);
  out->capacityIs(Out::unlimited);
  EXPECT_TRUE(out->hasSufficientBuffer());
  out->writableIs(false);
  EXPECT_FALSE(out->hasSufficientBuffer());
  expectThrow<Xel::InternalException>(
      [&] { writeRecord(out, 1); },
      "NboAttrLog::Out: record started on a log that is not writable");
  out->writableIs(true);
  out->failureIs("connection reset by peer");
  EXPECT_FALSE(out->writable());
  expectThrow<Xel::Exception>([&] { writeRecord(out, 1); },
                              "NboAttrLog::Out: connection reset by peer");
  out->failureIs(String8());
  writeRecord(out, 1);
  EXPECT_EQ(out->recordsCompleted(), 5u);
}

TEST(XelNboAttrLogRecord, TheReaderRefusesEveryBrokenFrame) {
  Ptr<Out> const out = Out::outNew();
  writeRecord(out, 1);
  std::vector<U8> const good = bytesOf(out);
  struct Case {
    std::function<void(std::vector<U8>&)> breakIt;
    std::string message;
  };
  std::vector<Case> const cases{
      {[](auto& b) { b.resize(3); }, "record at offset 0: truncated length word (3 of 4 bytes)"},
      {[](auto& b) { b[3] = 23; },
       "record at offset 0: length 23 is shorter than a header and its tokens (24 bytes)"},
      {[](auto& b) { b.pop_back(); },
       "record at offset 0: truncated: 28 bytes announced, 27 present"},
      {[](auto& b) { b[16] = 2; }, "record at offset 0: variable-size flag 2 is neither 0 nor 1"},
      {[](auto& b) { b[25] = 9; }, "record at offset 0: trailing header byte 9 is not 0"},
      {[](auto& b) { b[26] = 2; },
       "record at offset 0: byte 2 where the payload's begin token 1 belongs"},
      {[](auto& b) { b.back() = 4; },
       "record at offset 0: byte 4 where the record's end token 3 belongs"},
      {[](auto& b) { b[20] = 5; },
       "record at offset 0: fixed size 5, but the payload holds 4 bytes"},
      {[](auto& b) { b[16] = 1; }, "record at offset 0: variable-size record with fixed size 4"},
  };
  for (Case const& c : cases) {
    std::vector<U8> bytes = good;
    c.breakIt(bytes);
    SCOPED_TRACE(c.message);
    RecordReader reader(bytes);
    Record r;
    expectThrow<Xel::RangeException>([&] { reader.next(&r); }, c.message);
    EXPECT_EQ(reader.position(), 0u);
  }
  // The offset is the broken record's.
  std::vector<U8> twice = good;
  twice.insert(twice.end(), good.begin(), good.end() - 1);
  RecordReader reader(twice);
  Record r;
  ASSERT_TRUE(reader.next(&r));
  EXPECT_EQ(r.payload.size(), 4u);
  expectThrow<Xel::RangeException>(
      [&] { reader.next(&r); }, "record at offset 32: truncated: 28 bytes announced, 27 present");
}

// An adapter with nothing to write, to fill a demultiplexer's table.
struct Adapter : Xel::StreamAdapter {
  explicit Adapter(Ptr<Out> const& out) : StreamAdapter(out) {}
};

TEST(XelDemuxer, GivesOutIdsHoldsAdaptersAndTakesThemOffWhenItGoes) {
  Ptr<Out> const out = Out::outNew();
  expectThrow<Xel::RangeException>([] { Demuxer::demuxerNew(nullptr); }, "null ValidPtr");
  Ptr<Demuxer> demux = Demuxer::demuxerNew(out);
  EXPECT_EQ(Demuxer::demuxerFor(out.ptr()), demux.ptr());
  expectThrow<Xel::RangeException>([&] { Demuxer::demuxerNew(out); },
                                   "NboAttrLog::Out already has a demultiplexer");
  Ptr<Adapter> a(new Adapter(out)), b(new Adapter(out));
  demux->reactorIs(a.ptr());
  demux->reactorIs(b.ptr());
  EXPECT_EQ(a->entityId(), (EntityId{2, 0}));
  EXPECT_EQ(b->entityId(), (EntityId{4, 0}));
  EXPECT_EQ(demux->reactor({4, 0}), b.ptr());
  EXPECT_EQ(a->streamDemuxer(), demux.ptr());
  demux->reactorDel({4, 0});
  EXPECT_EQ(demux->reactor({4, 0}), nullptr);
  EXPECT_EQ(b->nboAttrLogOut(), nullptr);
  EXPECT_EQ(b->references(), 1u);
  // A queued adapter with nothing due is passed by.
  EXPECT_NE(demux->createFlowOut(a.ptr(), {}, false, 0x7fffffff), nullptr);
  EXPECT_TRUE(demux->flowOutPending());
  EXPECT_TRUE(demux->flowOutRun());
  EXPECT_EQ(a->flowOut(), nullptr);
  // Each go-on spends one step of the budget, and needs room.
  demux->flowOutBudgetIs(2);
  EXPECT_TRUE(demux->continueFlowOut());
  EXPECT_TRUE(demux->continueFlowOut());
  EXPECT_FALSE(demux->continueFlowOut());
  demux->flowOutBudgetIs(Demuxer::unlimitedBudget);
  out->capacityIs(0);
  EXPECT_FALSE(demux->continueFlowOut());
  demux = nullptr;
  EXPECT_EQ(a->nboAttrLogOut(), nullptr);
  EXPECT_EQ(a->streamDemuxer(), nullptr);
  EXPECT_EQ(Demuxer::demuxerFor(out.ptr()), nullptr);
}

TEST(XelDemuxer, KeepsFindingItsAdaptersThroughChurn) {
  Ptr<Out> const out = Out::outNew();
  Ptr<Demuxer> const demux = Demuxer::demuxerNew(out);
  // Many adapters come and go; a few stay, the first among them.
  std::vector<Ptr<Adapter>> kept;
  for (int i = 0; i < 20000; ++i) {
    Ptr<Adapter> a(new Adapter(out));
    demux->reactorIs(a.ptr());
    if (i % 5000 == 0) {
      kept.push_back(a);
    } else {
      demux->reactorDel(a->entityId());
    }
  }
  EXPECT_EQ(demux->reactors(), kept.size());
  for (auto const& a : kept) EXPECT_EQ(demux->reactor(a->entityId()), a.ptr());
  Ptr<Adapter> const late(new Adapter(out));
  demux->reactorIs(late.ptr());
  EXPECT_EQ(late->entityId(), (EntityId{40002, 0}));
  EXPECT_EQ(demux->reactor(late->entityId()), late.ptr());
  // An id in use is not given to another adapter.
  Ptr<Adapter> const twin(new Adapter(out));
  twin->entityIdIs(late->entityId());
  expectThrow<Xel::InternalException>([&] { demux->reactorIs(twin.ptr()); },
                                      "NboAttrLog::Demuxer: entity id 40002.0 is in use");
  for (auto const& a : kept) demux->reactorDel(a->entityId());
  EXPECT_EQ(demux->reactors(), 1u);
}

}  // namespace
