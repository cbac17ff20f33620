// What an adapter writes onto its log: the full state when installed, each
// change after, the records' bytes, and what it does while the log has no
// room, is blocked, has failed, or is applying records of its own; and how
// adapters come and go: installed, found, replaced, remounted, torn down.
#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/attrlog/Decoder.h>
#include <FhrpConf/attrlog/LogTable.h>
#include <Pelno/Text.h>
#include <Xel/Demuxer.h>
#include <Xel/Exception.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plain_replica.h"
#include "random_changes.h"

namespace {

using namespace Routing::Fhrp;
using attrlog::Decoder;
using Op = Decoder::Op;
using Xel::EntityId;
using Xel::Ptr;
using Xel::StreamAdapter;
using Xel::U32;
using Xel::U8;
using Xel::NboAttrLog::Demuxer;
using Xel::NboAttrLog::Out;
using Router = VrrpVirtualRouterConfig;

Pelno::IpAddr ip(unsigned last) {
  return Pelno::IpAddr::fromHostOrder(0xc0000200u + last);  // 192.0.2.0/24
}

// One decoded record, as far as a test compares it.
struct Rec {
  std::string attr;
  Op op;
  std::string key, value;
  friend bool operator==(Rec const&, Rec const&) = default;
  friend std::ostream& operator<<(std::ostream& os, Rec const& r) {
    return os << r.attr << " " << Decoder::opName(r.op) << " " << r.key << " " << r.value;
  }
};

class FlowOut : public ::testing::Test {
 protected:
  Ptr<Out> out = Out::outNew();
  Ptr<Demuxer> log = Demuxer::demuxerNew(out);
  Decoder decoder;

  std::vector<U8> taken() {
    std::vector<U8> b(out->bytes().begin(), out->bytes().end());
    out->bytesDelAll();
    return b;
  }
  // Decodes and takes what the log holds.
  std::vector<Decoder::Item> items() {
    std::vector<U8> const bytes = taken();
    std::vector<Decoder::Item> result;
    Xel::NboAttrLog::RecordReader reader(bytes);
    Xel::NboAttrLog::Record r;
    while (reader.next(&r)) result.push_back(decoder.decode(r));
    return result;
  }
  std::vector<Rec> recs() {
    std::vector<Rec> result;
    for (auto const& i : items()) {
      result.push_back({i.attr ? i.attr->name : "", i.op, std::string(i.key.view()),
                        std::string(i.value.view())});
    }
    return result;
  }
  template <class T>
  Ptr<typename T::XelNboAttrLogSa> install(Ptr<T> const& e) {
    auto sa = e->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
    return Ptr<typename T::XelNboAttrLogSa>(static_cast<typename T::XelNboAttrLogSa*>(sa.ptr()));
  }
  // A router already written in full, with nothing owed.
  Ptr<Router> writtenRouter(Ptr<Router::XelNboAttrLogSa>* sa = nullptr) {
    Ptr<Router> vr = vrrpVirtualRouterConfigFactory(VrId(5));
    auto adapter = install(vr);
    EXPECT_TRUE(log->flowOutRun());
    items();
    if (sa) *sa = adapter;
    return vr;
  }
};

// Each case changes a router while the log has no room, then lets the
// flush run: the changes to one attribute or key go out as one record,
// with what the router holds at the flush.
TEST_F(FlowOut, ChangesMadeWhileTheLogIsFullCollapseIntoOneRecordEach) {
  struct Case {
    char const* name;
    void (*before)(Router&);
    void (*starved)(Router&);
    std::vector<Rec> flushed;
  };
  std::vector<Case> const cases{
      {"set twice",
       nullptr,
       [](Router& r) {
         r.priorityIs(150);
         r.priorityIs(160);
       },
       {{"priority", Op::set, "", "160"}}},
      {"add then remove a member",
       nullptr,
       [](Router& r) {
         r.secondaryAddrsIs(ip(7), true);
         r.secondaryAddrsDel(ip(7));
       },
       {{"secondaryAddrs", Op::removed, "192.0.2.7", ""}}},
      {"remove then add a member",
       [](Router& r) { r.secondaryAddrsIs(ip(7), true); },
       [](Router& r) {
         r.secondaryAddrsDel(ip(7));
         r.secondaryAddrsIs(ip(7), false);
       },
       {{"secondaryAddrs", Op::member, "192.0.2.7", "false"}}},
      {"add then remove a child",
       nullptr,
       [](Router& r) {
         r.vrrpTrackedObjectIs("t1");
         r.vrrpTrackedObjectDel("t1");
       },
       {{"vrrpTrackedObject", Op::deleted, "'t1'", ""}}},
      {"a text set twice",
       nullptr,
       [](Router& r) {
         r.descriptionIs("first");
         r.descriptionIs("backup router");
       },
       {{"description", Op::piece, "", "backup router"}}},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    Ptr<Router> vr = vrrpVirtualRouterConfigFactory(VrId(5));
    if (c.before) c.before(*vr);
    install(vr);
    ASSERT_TRUE(log->flowOutRun());
    items();
    out->capacityIs(0);
    c.starved(*vr);
    EXPECT_EQ(out->byteCount(), 0u);
    out->capacityIs(Out::unlimited);
    ASSERT_TRUE(log->flowOutRun());
    EXPECT_EQ(recs(), c.flushed);
    vr->xelNboAttrLogSaDel(out);
  }
  EXPECT_EQ(log->reactors(), 0u) << "no adapter left behind by a child that came and went";
}

TEST_F(FlowOut, EachWayOfWritingDecidesBetweenNowAndTheNextFlush) {
  Ptr<Router::XelNboAttrLogSa> sa;
  Ptr<Router> vr = writtenRouter(&sa);
  // Direct mode with room: each change at once.
  vr->priorityIs(150);
  vr->priorityIs(160);
  EXPECT_EQ(recs(),
            (std::vector<Rec>{{"priority", Op::set, "", "150"}, {"priority", Op::set, "", "160"}}));
  // Defer-all: to the flush, even with room.
  sa->stateBitsIs(StreamAdapter::deferAllBit, true);
  vr->priorityIs(170);
  EXPECT_TRUE(recs().empty());
  EXPECT_TRUE(log->flowOutPending());
  ASSERT_TRUE(log->flowOutRun());
  EXPECT_EQ(recs(), (std::vector<Rec>{{"priority", Op::set, "", "170"}}));
  // Outside direct mode: a plain change when the log allows it, a text
  // always with the flush.
  sa->stateBitsIs(StreamAdapter::deferAllBit | StreamAdapter::directModeBit, false);
  vr->priorityIs(180);
  vr->descriptionIs("later");
  EXPECT_EQ(recs(), (std::vector<Rec>{{"priority", Op::set, "", "180"}}));
  ASSERT_TRUE(log->flowOutRun());
  EXPECT_EQ(recs(), (std::vector<Rec>{{"description", Op::piece, "", "later"}}));
  out->capacityIs(0);
  vr->priorityIs(190);
  out->capacityIs(Out::unlimited);
  ASSERT_TRUE(log->flowOutRun());
  EXPECT_EQ(recs(), (std::vector<Rec>{{"priority", Op::set, "", "190"}}));
}

TEST_F(FlowOut, AnInterruptedCollectionResumesAtItsBookmark) {
  Ptr<Router> vr = vrrpVirtualRouterConfigFactory(VrId(5));
  for (unsigned i = 0; i < 9; ++i) vr->secondaryAddrsIs(ip(i), i % 2 == 0);
  auto sa = install(vr);
  // One step at a time: the flush stops after every member of the
  // collection, and resumes at the member after it.
  std::vector<std::string> bookmarked;
  while (!log->flowOutRun(0)) {
    auto* fo = sa->flowOut();
    if (fo && fo->bookmark()) {
      auto const* b = static_cast<Xel::NboAttrLog::BookmarkOf<Pelno::IpAddr>*>(fo->bookmark());
      bookmarked.push_back(std::string(Pelno::valueToStrep(b->key).view()));
    }
  }
  std::vector<std::string> written, order;
  for (auto const& r : recs()) {
    if (r.attr == "secondaryAddrs" && r.op == Op::member) written.push_back(r.key);
  }
  for (auto it = vr->secondaryAddrsIteratorConst(); it; it.advance()) {
    order.push_back(std::string(Pelno::valueToStrep(it->xelKey()).view()));
  }
  EXPECT_EQ(written, order) << "every member once, in the collection's order";
  EXPECT_EQ(bookmarked, std::vector<std::string>(order.begin() + 1, order.end()));

  // Members changed while a flush stands at a bookmark: the one it stands
  // at removed, one added before it. Nothing is lost or written twice, and
  // a replica's collection is the router's.
  vr->xelNboAttrLogSaDel(out);
  Ptr<Demuxer> const replica = Demuxer::demuxerNew(Out::outNew());
  sa = install(vr);
  bool changed = false;
  while (!log->flowOutRun(0)) {
    auto* fo = sa->flowOut();
    if (!changed && fo && fo->bookmark()) {
      changed = true;
      auto const* b = static_cast<Xel::NboAttrLog::BookmarkOf<Pelno::IpAddr>*>(fo->bookmark());
      vr->secondaryAddrsDel(b->key);
      vr->secondaryAddrsIs(ip(20), true);
    }
    replica->flowInRun(out->bytes());
    out->bytesDelAll();
  }
  replica->flowInRun(out->bytes());
  EXPECT_EQ(attrlog_test::render(*replica->dir()->entryList().front()), attrlog_test::render(*vr));
}

TEST_F(FlowOut, ALongTextGoesInPiecesAndResumesWhereItStopped) {
  Ptr<Router::XelNboAttrLogSa> sa;
  Ptr<Router> vr = writtenRouter(&sa);
  std::string text(50000, 'x');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);

  // Too little room to begin (20001 bytes wait for the transport in a
  // buffer of 60000): nothing written, the text kept at offset 0.
  out->capacityIs(60000);
  std::vector<U8> const waiting(20001, 0);
  out->bytesAppend(waiting.data(), waiting.size());
  vr->descriptionIs(Xel::String8(text));
  EXPECT_EQ(out->byteCount(), waiting.size());
  ASSERT_NE(sa->flowOut()->valueIter(), nullptr);
  EXPECT_EQ(sa->flowOut()->valueIter()->offset(), 0u);
  EXPECT_FALSE(log->flowOutRun());
  EXPECT_EQ(out->byteCount(), waiting.size());

  // Room for a beginning: pieces until the room falls below a message.
  out->bytesDel(waiting.size());
  EXPECT_FALSE(log->flowOutRun());
  auto first = items();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(sa->flowOut()->valueIter()->offset(), 32768u);
  // The rest, from the saved position.
  EXPECT_TRUE(log->flowOutRun());
  auto rest = items();
  first.insert(first.end(), rest.begin(), rest.end());
  std::string received;
  for (auto const& piece : first) {
    EXPECT_EQ(piece.op, Op::piece);
    EXPECT_EQ(piece.textTotal, text.size());
    EXPECT_EQ(piece.textOffset, received.size());
    received += piece.value.view();
  }
  EXPECT_EQ(received, text);
  EXPECT_EQ(first.size(), 4u);

  // Changed while half written: the next piece begins the new text.
  vr->descriptionIs(Xel::String8(text + "!"));
  EXPECT_FALSE(log->flowOutRun());
  EXPECT_EQ(items().back().textOffset, 16384u);
  vr->descriptionIs("short");
  EXPECT_TRUE(log->flowOutRun());
  auto const last = items();
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0].textOffset, 0u);
  EXPECT_EQ(last[0].value, "short");

  // A buffer smaller than a text needs to begin: it begins when the buffer
  // is empty, and goes out whole as the transport keeps taking.
  out->capacityIs(40000);
  out->bytesAppend(waiting.data(), 1);
  vr->descriptionIs(Xel::String8(text));
  EXPECT_FALSE(log->flowOutRun());
  EXPECT_EQ(out->byteCount(), 1u);
  out->bytesDelAll();
  std::size_t pieces = 0;
  while (!log->flowOutRun()) pieces += items().size();
  pieces += items().size();
  EXPECT_EQ(pieces, 4u);
}

TEST_F(FlowOut, TheScheduledFlushSaysWhereToResume) {
  Ptr<Router::XelNboAttrLogSa> sa;
  Ptr<Router> vr = writtenRouter(&sa);
  for (unsigned i = 0; i < 4; ++i) vr->secondaryAddrsIs(ip(i), true);
  items();
  log->createFlowOut(sa.ptr(), {}, false, 0x7fffffff);
  auto& fo = static_cast<Router::XelNboAttrLogSa::FlowOut&>(*sa->flowOut());
  struct Case {
    char const* name;
    Xel::AttributeId from;
    U32 budget;
    std::function<void()> before;
    Xel::AttributeId resume;
  };
  std::vector<Case> const cases{
      {"an id the type does not write", 260, 100, nullptr, 0},
      {"below the first id, no budget left after the framework's own", 0, 0, nullptr, 259},
      {"a plain attribute, then no budget", 261, 0, [&] { fo.xelIsPriorityDirtyIs(true); }, 263},
      {"a collection stopped inside", 277, 2, [&] { fo.xelSecondaryAddrsHasSyncedIs(false); }, 277},
      {"a collection complete, more due after it", 277, 0,
       [&] { fo.xelIsDescriptionDirtyIs(true); }, 279},
      {"a collection complete, nothing due", 277, 0, nullptr, 0},
      {"the last attribute, then no budget", 291, 0, nullptr, 0},
      {"blocked", 261, 100,
       [&] {
         fo.xelIsPriorityDirtyIs(true);
         out->writableIs(false);
       },
       261},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.before) c.before();
    log->flowOutBudgetIs(c.budget);
    EXPECT_EQ(sa->handleAttrFlowOut(c.from), c.resume);
    out->writableIs(true);
    log->flowOutBudgetIs(Demuxer::unlimitedBudget);
    while (sa->handleAttrFlowOut(0) != 0) {
    }
    items();
  }
  EXPECT_FALSE(fo.hasDirtyAttributes());
}

TEST_F(FlowOut, AnExceptionFromTheLogLeavesTheChangeDue) {
  Ptr<Router::XelNboAttrLogSa> sa;
  Ptr<Router> vr = writtenRouter(&sa);
  sa->stateBitsIs(StreamAdapter::deferAllBit, true);
  vr->priorityIs(150);
  out->failureIs("connection reset by peer");
  // A failed log is not writable: the flush does not start...
  EXPECT_FALSE(log->flowOutRun());
  // ... and a flush that writes anyway meets the failure.
  EXPECT_THAT([&] { sa->handleAttrFlowOut(261); },
              testing::ThrowsMessage<Xel::Exception>("NboAttrLog::Out: connection reset by peer"));
  EXPECT_FALSE(sa->stateHas(StreamAdapter::activeBit | StreamAdapter::handlingScheduledFlowOutBit));
  EXPECT_TRUE(static_cast<Router::XelNboAttrLogSa::FlowOut*>(sa->flowOut())->xelIsPriorityDirty());
  EXPECT_EQ(out->byteCount(), 0u);
  out->failureIs(Xel::String8());
  ASSERT_TRUE(log->flowOutRun());
  EXPECT_EQ(recs(), (std::vector<Rec>{{"priority", Op::set, "", "150"}}));
}

TEST_F(FlowOut, ChangesTheAdapterMustNotWriteAreDroppedOrRefused) {
  Ptr<Router::XelNboAttrLogSa> sa;
  Ptr<Router> vr = writtenRouter(&sa);
  U32 priority = 100;
  auto change = [&] { vr->priorityIs(++priority); };
  // Applying a record: the change it makes is not written back, and the
  // next one is.
  sa->stateBitsIs(StreamAdapter::activeBit, true);
  change();
  EXPECT_FALSE(sa->stateHas(StreamAdapter::activeBit));
  change();
  EXPECT_EQ(recs().size(), 1u);
  // A record of this attribute being applied: nothing; another attribute
  // is written.
  sa->handlingFlowInForIs(261);
  change();
  vr->advIntervalIs(200);
  EXPECT_EQ(recs(), (std::vector<Rec>{{"advInterval", Op::set, "", "200"}}));
  sa->handlingFlowInForIs(0);
  // Silenced, suspended or not enabled: nothing written, nothing owed.
  for (U32 bits : {StreamAdapter::silencedBit, StreamAdapter::childSuspendedBit, U32{0x100}}) {
    sa->stateBitsIs(bits, true);
    change();
    sa->stateBitsIs(bits, false);
  }
  sa->stateBitsIs(StreamAdapter::flowOutEnabledBit, false);
  change();
  sa->stateBitsIs(StreamAdapter::flowOutEnabledBit, true);
  EXPECT_TRUE(recs().empty());
  EXPECT_FALSE(log->flowOutPending());
  // Read-only: refused with the attribute named; through the setter the
  // delivery reports it and goes on.
  sa->stateBitsIs(StreamAdapter::readOnlyBit, true);
  EXPECT_THAT(
      [&] { sa->doNotification(261, nullptr); },
      testing::ThrowsMessage<Xel::Exception>("attribute log adapter is read-only: no write of "
                                             "Routing::Fhrp::VrrpVirtualRouterConfig::priority"));
  testing::internal::CaptureStderr();
  change();
  EXPECT_NE(testing::internal::GetCapturedStderr().find("failed on attribute 261"),
            std::string::npos);
  EXPECT_EQ(vr->priority(), priority);
  EXPECT_TRUE(recs().empty());
}

TEST_F(FlowOut, AChildsAdaptersLeaveTheLogWithTheChild) {
  Ptr<Config> config = configFactory("config");
  Pelno::IntfId const eth1(Xel::String8("Ethernet1"));
  Ptr<VrrpIntfConfig> intf = config->vrrpConfigIs("vrrp")->vrrpIntfConfigIs(eth1);
  intf->virtualRouterConfigIs(VrId(1))->vrrpTrackedObjectIs("t1");
  install(config);
  ASSERT_TRUE(log->flowOutRun());
  items();
  EXPECT_EQ(log->reactors(), 5u);
  // While the deletion waits for room, the departed subtree's adapters are
  // already gone: none of them writes again.
  out->capacityIs(0);
  config->vrrpConfig()->vrrpIntfConfigDel(eth1);
  EXPECT_EQ(log->reactors(), 2u);
  EXPECT_EQ(intf->xelNboAttrLogSa(out), nullptr);
  intf->virtualRouterConfig(VrId(1))->priorityIs(1);
  out->capacityIs(Out::unlimited);
  ASSERT_TRUE(log->flowOutRun());
  EXPECT_EQ(recs(), (std::vector<Rec>{{"vrrpIntfConfig", Op::deleted, "'Ethernet1'", ""}}));
  // Replacing a single child takes the old one's adapters off too.
  config->vrrpConfigIs("other");
  EXPECT_EQ(log->reactors(), 2u);
  EXPECT_EQ(recs().front().op, Op::created);
}

TEST_F(FlowOut, InstallingFindsReplacesAndRefuses) {
  Ptr<TrackedObject> t = trackedObjectFactory("t1");
  EXPECT_FALSE(static_cast<Xel::Entity const&>(*t).xelNboAttrLogSa(out));
  auto const sa = t->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
  EXPECT_EQ(t->xelNboAttrLogSaIs(Xel_BitSet(0x3), 0, out, nullptr), sa);
  EXPECT_EQ(sa->notificationFlags().value() & Xel_BitSet::notificationBitMask(), 0x3u);
  EXPECT_EQ(t->xelNboAttrLogSa(out), sa.ptr());
  EXPECT_TRUE(t->xelHasAttrLogInterface());
  Ptr<Out> const other = Out::outNew();
  EXPECT_EQ(t->xelNboAttrLogSa(other), nullptr);
  t->xelNboAttrLogSaDel(other);
  EXPECT_EQ(log->reactors(), 1u);
  auto refused = [&](Ptr<Out> const& o, char const* message) {
    try {
      t->xelNboAttrLogSaIs(Xel_BitSet(), 0, o, nullptr);
      ADD_FAILURE() << "installed";
    } catch (Xel::RangeException const& e) {
      EXPECT_EQ(e.message(), message);
    }
  };
  refused(nullptr, "null ValidPtr");
  refused(other, "NboAttrLog::Out has no demultiplexer");
  t->xelNboAttrLogSaDel(out);
  EXPECT_EQ(log->reactors(), 0u);
  EXPECT_EQ(sa->nboAttrLogOut(), nullptr);
}

// An adapter of another kind for the same log replaces the one there; one
// of the model's kind (or derived from it) is found again as it is.
TEST_F(FlowOut, AnAdapterOfAnotherKindReplacesTheOneOnTheLog) {
  class Other : public TrackedObject::XelNboAttrLogSa {
   public:
    using XelNboAttrLogSa::XelNboAttrLogSa;
  };
  Ptr<TrackedObject> t = trackedObjectFactory("t1");
  auto const mine = t->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
  auto const other = attrlog::adapterIs<Other>(*t, Xel_BitSet(), 0, out, nullptr);
  EXPECT_NE(other, mine);
  EXPECT_EQ(mine->nboAttrLogOut(), nullptr);
  EXPECT_EQ(t->xelNboAttrLogSa(out), other.ptr());
  EXPECT_EQ(t->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr), other);
  EXPECT_EQ(log->reactors(), 1u);
}

// Remounting an adapter takes those of everything below it off the log,
// single children and every kind of child collection included; the rest of
// the tree stays, and a child made later is announced with an adapter of
// its own.
TEST_F(FlowOut, RemountingTakesEveryDescendantsAdapterOffTheLog) {
  Pelno::IntfId const eth1(Xel::String8("Ethernet1"));
  Ptr<Config> config = configFactory("config");
  Ptr<VrrpConfig> const vrrp = config->vrrpConfigIs("vrrp");
  vrrp->vrrpIntfConfigIs(eth1)->virtualRouterConfigIs(VrId(1))->vrrpTrackedObjectIs("t1");
  vrrp->newVirtualIp6LinkLocalAddr(
      Pelno::fromString<VirtualIp::VrfIpPair>("('default', 2001:db8::1)"));
  Ptr<VarpConfig> const varp = config->varpConfigIs("varp");
  varp->varpIntfConfigIs(eth1);
  install(config);
  ASSERT_TRUE(log->flowOutRun());
  items();
  EXPECT_EQ(log->reactors(), 8u);

  vrrp->xelNboAttrLogSa(out)->doRemountSelf(nullptr);
  for (Xel::Entity* e : attrlog_test::RandomChanges::entities(*vrrp)) {
    EXPECT_EQ(e->xelNboAttrLogSa(out), nullptr) << e->name();
  }
  EXPECT_EQ(log->reactors(), 3u);
  EXPECT_TRUE(recs().empty());

  Ptr<VarpIntfConfig> const eth2 = varp->varpIntfConfigIs(Pelno::IntfId("Ethernet2"));
  Xel::Entity::XelNboAttrLogSa const* const sa = eth2->xelNboAttrLogSa(out);
  ASSERT_NE(sa, nullptr);
  EXPECT_TRUE(sa->xelInstalledByParent());
  EXPECT_EQ(recs().front(), (Rec{"varpIntfConfig", Op::created, "'Ethernet2'", ""}));
  // From the root, through both its single children.
  config->xelNboAttrLogSa(out)->doRemountSelf(nullptr);
  EXPECT_EQ(log->reactors(), 0u);
}

// The type's descriptor installs a child's adapter through the adapter of
// the child's parent, and announces the child; an attribute that holds no
// children goes to the base descriptor, which installs nothing.
TEST_F(FlowOut, TheTypeDescriptorInstallsAChildsAdapterThroughItsParent) {
  Ptr<Router::XelNboAttrLogSa> parent;
  Ptr<Router> const vr = writtenRouter(&parent);
  Ptr<TrackedObject> const t = vr->vrrpTrackedObjectIs("t1");
  parent->vrrpTrackedObjectNboAttrLogAdapterDel(t);
  items();
  ASSERT_EQ(t->xelNboAttrLogSa(out), nullptr);

  // The descriptor goes by the attribute's name.
  auto named = [](char const* name) {
    return Ptr<Xel::XelAttr const>(
        new Xel::XelAttr(nullptr, Xel::Name(name), nullptr, nullptr, {}, 0, 0));
  };
  Xel::XelType const* const type = Router::_fwkType();
  EXPECT_EQ(type->childAttrLogIs(named("priority"), t, out), nullptr);
  EXPECT_TRUE(items().empty());
  auto const sa = type->childAttrLogIs(named("vrrpTrackedObject"), t, out);
  ASSERT_TRUE(sa);
  EXPECT_EQ(t->xelNboAttrLogSa(out), sa.ptr());
  EXPECT_EQ(parent->vrrpTrackedObjectNboAttrLogAdapter(t), sa.ptr());
  EXPECT_EQ(recs().front(), (Rec{"vrrpTrackedObject", Op::created, "'t1'", ""}));
}

// An entity going by an id several logs share (odd) is found through any
// log that holds it, and through none once that log has no peer; its
// adapters that the peers announced share a message channel.
TEST_F(FlowOut, AnAdapterGoingByASharedIdIsFoundThroughItsLogs) {
  Ptr<TrackedObject> const t = trackedObjectFactory("t1");
  Ptr<Out> const other = Out::outNew();
  Ptr<Demuxer> const otherLog = Demuxer::demuxerNew(other);
  auto const one = t->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
  auto const two = t->xelNboAttrLogSaIs(Xel_BitSet(), 0, other, nullptr);
  Xel::Entity& e = *t;
  EXPECT_EQ(e.xelNboAttrLogSa(nullptr), nullptr) << "no shared id yet";
  EXPECT_EQ(e.xelNboAttrLogSaForMsgChannel(one), nullptr);
  for (auto [sa, demuxer] : {std::pair{one, log}, std::pair{two, otherLog}}) {
    demuxer->reactorDel(sa->entityId());
    sa->doEntityIdIs({3, 0}, demuxer.ptr(), true);
  }
  EXPECT_EQ(e.xelNboAttrLogSa(other), two.ptr());
  EXPECT_EQ(e.xelNboAttrLogSaForMsgChannel(one), two);
  EXPECT_EQ(e.xelNboAttrLogSaForMsgChannel(two), one);
  out->connectedIs(false);
  EXPECT_EQ(e.xelNboAttrLogSa(nullptr), two.ptr());
  EXPECT_EQ(e.xelNboAttrLogSaForMsgChannel(two), nullptr);
  other->connectedIs(false);
  EXPECT_EQ(e.xelNboAttrLogSa(nullptr), nullptr);
}

// A zombie adapter hears nothing and writes nothing, and is still found;
// brought back, it writes again.
TEST_F(FlowOut, AZombieAdapterWritesNothingUntilBroughtBack) {
  Ptr<TrackedObject> const t = trackedObjectFactory("t1");
  auto const sa = t->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
  ASSERT_TRUE(log->flowOutRun());
  items();
  auto const* nested = t->xelNotifiees().head();
  ASSERT_TRUE(nested && nested->isStreamAdapter());
  for (bool zombie : {true, false}) {
    sa->xelDoZombieReactors(zombie);
    EXPECT_EQ(sa->xelMarkedForDeletion(), zombie);
    EXPECT_EQ(nested->hasNotificationActive(), !zombie);
    EXPECT_EQ(t->xelNboAttrLogSa(out), sa.ptr());
    t->trackPriorityDecrementIs(zombie ? 5 : 6);
    EXPECT_EQ(recs().size(), zombie ? 0u : 1u);
  }
}

// A weak adapter does not keep its entity: when the entity's last owner
// lets go, its adapters and its children's leave the log.
TEST_F(FlowOut, AWeakAdapterLeavesTheLogWhenItsEntityGoes) {
  Ptr<Router> vr = vrrpVirtualRouterConfigFactory(VrId(5));
  vr->vrrpTrackedObjectIs("t1");
  auto const sa = vr->xelNboAttrLogSaIs(Xel_BitSet(StreamAdapter::weakBit), 0, out, nullptr);
  ASSERT_TRUE(log->flowOutRun());
  EXPECT_TRUE(sa->isWeakReference());
  EXPECT_TRUE(vr->vrrpTrackedObject("t1")->xelNboAttrLogSa(out)->stateHas(StreamAdapter::weakBit));
  EXPECT_EQ(log->reactors(), 2u);
  vr = nullptr;
  EXPECT_EQ(log->reactors(), 0u);
  EXPECT_EQ(sa->nboAttrLogOut(), nullptr);
}

// A transport that stops taking bytes after a number of records, and may
// try to run the flush from inside one.
class CountingOut : public Out {
 public:
  explicit CountingOut(int recordsBeforePause) : Out(Out::unlimited), left_(recordsBeforePause) {}
  Demuxer* reenter = nullptr;
  bool reentered = true;

 protected:
  void onRecordComplete() override {
    if (--left_ == 0) writableIs(false);
    if (reenter) reentered = reenter->flowOutRun();
  }

 private:
  int left_;
};

std::vector<Op> opsOf(std::vector<Decoder::Item> const& items, char const* attr) {
  std::vector<Op> ops;
  for (auto const& i : items) {
    if (i.attr && std::string(i.attr->name) == attr) ops.push_back(i.op);
  }
  return ops;
}

TEST_F(FlowOut, AnAdapterMovedToAnotherLogWritesItsStateThere) {
  Ptr<TrackedObject> t = trackedObjectFactory("t1");
  auto const sa = install(t);
  // The first log goes before the state was written.
  log = nullptr;
  EXPECT_EQ(sa->nboAttrLogOut(), nullptr);
  Ptr<Out> const other = Out::outNew();
  auto const otherLog = Demuxer::demuxerNew(other);
  sa->doRemountSelf(other);
  EXPECT_TRUE(otherLog->flowOutRun());
  EXPECT_EQ(other->recordsCompleted(), 3u) << "creation record and both attributes";
  EXPECT_EQ(sa->entityId(), (Xel::EntityId{2, 0}));
}

TEST_F(FlowOut, AnAdapterThatCanWriteNothingDoesNotHoldUpTheOthers) {
  Ptr<TrackedObject> held = trackedObjectFactory("held"), free = trackedObjectFactory("free");
  auto const heldSa = install(held);
  heldSa->stateBitsIs(StreamAdapter::childSuspendedBit, true);
  install(free);
  EXPECT_FALSE(log->flowOutRun()) << "the suspended adapter still owes its attributes";
  auto const first = items();
  EXPECT_EQ(first.size(), 4u) << "its creation record, and all of the other's state";
  heldSa->stateBitsIs(StreamAdapter::childSuspendedBit, false);
  EXPECT_TRUE(log->flowOutRun());
  EXPECT_EQ(items().size(), 2u);
}

TEST_F(FlowOut, ABlockedEndMarkerIsWrittenAloneLater) {
  Ptr<CountingOut> const counting(new CountingOut(4));
  log = Demuxer::demuxerNew(counting);
  Ptr<VrrpIpAddrs> set = vrrpIpAddrsFactory("v4");
  set->addrsIs(ip(1), true);
  set->addrsIs(ip(2), true);
  set->xelNboAttrLogSaIs(Xel_BitSet(), 0, counting, nullptr);
  // Creation, start marker, two members: then the log takes no more.
  EXPECT_FALSE(log->flowOutRun());
  counting->writableIs(true);
  EXPECT_TRUE(log->flowOutRun());
  out = counting;
  EXPECT_EQ(opsOf(items(), "addrs"), (std::vector<Op>{Op::start, Op::member, Op::member, Op::end}));
}

TEST_F(FlowOut, AHalfWrittenCollectionKeepsItsPlaceWhileAnotherWaits) {
  Ptr<Router> vr = vrrpVirtualRouterConfigFactory(VrId(5));
  for (unsigned i = 0; i < 3; ++i) vr->secondaryAddrsIs(ip(i), true);
  vr->ip6AddrsIs(Pelno::Ip6Addr(), true);
  auto const sa = install(vr);
  while (!(sa->flowOut() && sa->flowOut()->bookmark())) log->flowOutRun(0);
  // A record of secondaryAddrs being applied: its flush stands aside, and
  // ip6Addrs, not begun, waits for it rather than take its bookmark.
  sa->handlingFlowInForIs(277);
  EXPECT_FALSE(log->flowOutRun());
  EXPECT_EQ(sa->flowOut()->bookmarkAttr(), 277u);
  sa->handlingFlowInForIs(0);
  EXPECT_TRUE(log->flowOutRun());
  auto const all = items();
  EXPECT_EQ(opsOf(all, "secondaryAddrs"),
            (std::vector<Op>{Op::start, Op::member, Op::member, Op::member, Op::end}));
  EXPECT_EQ(opsOf(all, "ip6Addrs"), (std::vector<Op>{Op::start, Op::member, Op::end}));
}

TEST_F(FlowOut, APausedAdapterIsStillFoundAndLeavesWithItsEntity) {
  Ptr<VrrpIntfConfig> intf = vrrpIntfConfigFactory(Pelno::IntfId(Xel::String8("Ethernet1")));
  Ptr<Router> vr = intf->virtualRouterConfigIs(VrId(1));
  install(intf);
  ASSERT_TRUE(log->flowOutRun());
  items();
  auto* const sa = vr->xelNboAttrLogSa(out);
  sa->hasNotificationActiveIs(false);
  EXPECT_EQ(vr->xelNboAttrLogSa(out), sa);
  EXPECT_EQ(vr->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr), sa);
  vr->priorityIs(1);
  EXPECT_TRUE(items().empty());
  sa->hasNotificationActiveIs(true);
  vr->priorityIs(2);
  EXPECT_EQ(items().size(), 1u);
  sa->hasNotificationActiveIs(false);
  intf->virtualRouterConfigDel(VrId(1));
  EXPECT_EQ(log->reactors(), 1u);
}

TEST_F(FlowOut, ARunStartedFromInsideARunLeavesTheQueueToTheOuterOne) {
  Ptr<CountingOut> const counting(new CountingOut(0));
  log = Demuxer::demuxerNew(counting);
  counting->reenter = log.ptr();
  trackedObjectFactory("t1")->xelNboAttrLogSaIs(Xel_BitSet(), 0, counting, nullptr);
  EXPECT_TRUE(log->flowOutRun());
  EXPECT_FALSE(counting->reentered);
  EXPECT_EQ(counting->recordsCompleted(), 3u);
  counting->reenter = nullptr;
}

}  // namespace
