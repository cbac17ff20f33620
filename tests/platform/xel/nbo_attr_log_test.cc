#include <Xel/Demuxer.h>
#include <Xel/EntityId.h>
#include <Xel/Exception.h>
#include <Xel/NboAttrLog.h>
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

namespace {

using Xel::String8;
using Xel::NboAttrLog::In;
using Xel::NboAttrLog::Out;

std::vector<Xel::U8> bytesOf(Xel::Ptr<Out> const& out) {
  return {out->bytes().begin(), out->bytes().end()};
}

// Reading fails with a RangeException whose message contains `part`, and
// leaves the position where the failed value began.
template <class Read>
void expectShortRead(In& in, Read read, std::string const& part) {
  std::size_t const before = in.position();
  try {
    read(in);
    ADD_FAILURE() << "read past the end";
  } catch (Xel::RangeException const& e) {
    EXPECT_NE(std::string(e.message().view()).find(part), std::string::npos) << e.message();
  }
  EXPECT_EQ(in.position(), before);
}

TEST(XelNboAttrLog, PrimitivesAreWrittenMostSignificantByteFirstAndReadBack) {
  Xel::Ptr<Out> out = Out::outNew();
  std::string const withNul("a\0b\xff", 4);
  out << true << false << static_cast<unsigned short>(0x1234) << 0x89abcdefu << -2 << INT_MIN
      << String8(withNul) << String8() << "ab" << Xel::EntityId{1, 0x01020304};
  EXPECT_EQ(bytesOf(out),
            (std::vector<Xel::U8>{1,    0,    0x12, 0x34, 0x89, 0xab, 0xcd, 0xef, 0xff, 0xff, 0xff,
                                  0xfe, 0x80, 0,    0,    0,    0,    0,    0,    4,    'a',  0,
                                  'b',  0xff, 0,    0,    0,    0,    0,    0,    0,    2,    'a',
                                  'b',  0,    0,    0,    1,    1,    2,    3,    4}));
  In in(out->bytes());
  EXPECT_TRUE(in.nextBool());
  EXPECT_FALSE(in.nextBool());
  EXPECT_EQ(in.nextU16(), 0x1234);
  EXPECT_EQ(in.nextU32(), 0x89abcdefu);
  EXPECT_EQ(in.nextInt(), -2);
  EXPECT_EQ(in.nextInt(), INT_MIN);
  EXPECT_EQ(in.nextString8(), String8(withNul));
  EXPECT_EQ(in.nextString8(), String8());
  EXPECT_EQ(in.nextString8(), String8("ab"));
  EXPECT_EQ(in.nextEntityId(), (Xel::EntityId{1, 0x01020304}));
  EXPECT_TRUE(in.atEnd());
  EXPECT_EQ(in.position(), out->byteCount());
}

TEST(XelNboAttrLog, ReadingPastTheEndIsRefusedWithoutMoving) {
  std::vector<Xel::U8> const bytes{0, 0, 0, 9, 'x', 'y', 1};
  In in(bytes);
  expectShortRead(
      in, [](In& i) { i.nextString8(); }, "String8 of 9 bytes at offset 0, 3 left");
  EXPECT_EQ(in.nextU16(), 0);
  expectShortRead(
      in, [](In& i) { i.nextEntityId(); }, "8 bytes wanted at offset 2, 5 left");
  char buf[8];
  expectShortRead(
      in, [&](In& i) { i.nextBytes(buf, 6); }, "6 bytes wanted");
  EXPECT_EQ(in.nextU16(), 9);
  EXPECT_EQ(in.nextU16(), ('x' << 8) | 'y');
  EXPECT_TRUE(in.nextBool());
  expectShortRead(
      in, [](In& i) { i.nextBool(); }, "1 bytes wanted at offset 7, 0 left");

  // A length word near 2^32 must not wrap the check on a 32-bit host.
  std::vector<Xel::U8> const huge{0xff, 0xff, 0xff, 0xfe, 'z'};
  In hugeIn(huge);
  expectShortRead(
      hugeIn, [](In& i) { i.nextString8(); }, "of 4294967294 bytes");
}

TEST(XelNboAttrLog, ABoolByteIsZeroOrOne) {
  std::vector<Xel::U8> const bytes{2};
  In in(bytes);
  expectShortRead(
      in, [](In& i) { i.nextBool(); }, "byte 2 at offset 0 is not a bool");
}

TEST(XelNboAttrLog, EntityIdsCompareAndHashByBothWords) {
  Xel::EntityId const a{1, 0}, b{1, 0}, c{0, 1}, d{1, 1};
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.hash(), b.hash());
  EXPECT_NE(a, c);
  EXPECT_LT(c, a);
  EXPECT_LT(a, d);
  EXPECT_NE(a.hash(), c.hash());
}

}  // namespace

// The demultiplexer finds each adapter by its id, whichever space the id
// comes from (a writer's own, a reader's peer's), while adapters come and
// go in any order, through the table's moves between its array and its
// hash map.
TEST(XelNboAttrLog, AdaptersAreFoundByTheirIdsInBothSpacesThroughChurn) {
  using Xel::EntityId;
  using Xel::NboAttrLog::Demuxer;
  struct Probe : Xel::StreamAdapter {
    explicit Probe(Xel::Ptr<Out> const& out) : StreamAdapter(out) {}
  };
  auto const log = Demuxer::demuxerNew(Out::outNew());
  std::vector<Xel::Ptr<Probe>> live;
  std::mt19937 random(18);
  for (Xel::U32 i = 1; i <= 40000; ++i) {
    Xel::Ptr<Probe> const probe(new Probe(log->out()));
    probe->entityIdIs(EntityId{2 * i, i % 5 == 0 ? 0 : Demuxer::upperIdSpace});
    log->reactorIs(probe.ptr());
    live.push_back(probe);
    // Three in four steps also take one away: the table empties behind
    // the newest ids.
    if (random() % 4 != 0) {
      std::size_t const gone = random() % live.size();
      log->reactorDel(live[gone]->entityId());
      EXPECT_EQ(log->reactor(live[gone]->entityId()), nullptr);
      live[gone] = live.back();
      live.pop_back();
    }
  }
  for (auto const& probe : live) ASSERT_EQ(log->reactor(probe->entityId()), probe.ptr());
}
