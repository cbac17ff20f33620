// What a replica does with the records it reads: every type's state built
// again, texts assembled from their pieces, collections resynchronised,
// the replica's own notifiees told and their changes written back once,
// and bad input refused with the replica left as it was.
#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/attrlog/Decoder.h>
#include <FhrpConf/reflect/ValueText.h>
#include <Xel/Demuxer.h>
#include <Xel/Exception.h>
#include <Xel/XelType.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "plain_replica.h"
#include "random_changes.h"
#include "wire_bytes.h"

namespace {

using namespace Routing::Fhrp;
using attrlog_test::Bytes;
using attrlog_test::marker;
using attrlog_test::RandomChanges;
using attrlog_test::record;
using attrlog_test::render;
using Xel::EntityId;
using Xel::Ptr;
using Xel::StreamAdapter;
using Xel::U8;
using Xel::NboAttrLog::Demuxer;
using Xel::NboAttrLog::Out;
using Router = VrrpVirtualRouterConfig;

// A sender's log read by a receiver in the same process.
struct Link {
  Ptr<Demuxer> send = Demuxer::demuxerNew(Out::outNew());
  Ptr<Demuxer> recv = Demuxer::demuxerNew(Out::outNew());

  EntityId publish(Xel::Entity& e) {
    return e.xelNboAttrLogSaIs(Xel_BitSet(), 0, send->out(), nullptr)->entityId();
  }
  // Everything the sender owes, written and read.
  void pump() {
    send->flowOutRun();
    read(send->out()->bytes());
    send->out()->bytesDel(send->out()->byteCount());
  }
  void read(std::span<U8 const> bytes) { ASSERT_EQ(recv->flowInRun(bytes), bytes.size()); }
  template <class T>
  Ptr<T> replica(char const* name) const {
    return Ptr<T>(dynamic_cast<T*>(recv->dir()->entry(name)));
  }
  // What the receiver wrote back: "<attribute id> <u32 value>" a record.
  std::vector<std::string> written() const {
    std::vector<std::string> lines;
    Xel::NboAttrLog::RecordReader reader(recv->out()->bytes());
    Xel::NboAttrLog::Record r;
    while (reader.next(&r)) {
      Xel::NboAttrLog::In in(r.payload);
      lines.push_back(std::to_string(r.header.attrId) + " " + std::to_string(in.nextU32()));
    }
    return lines;
  }
};

// Each change of a replica's router, as "<attribute> <key or value>".
struct RouterLog : Router::NotifieeConst {
  explicit RouterLog(Router* r) {
    isRegisteredNotifieeIs(true);
    notifierIs(Ptr<Xel::PtrInterface const>(r));
  }
  Router const& r() const { return *static_cast<Router const*>(notifier()); }
  void onPriority() override {
    seen.push_back("priority " + std::to_string(r().priority()));
    if (onPriorityDo) onPriorityDo();
  }
  void onDescription() override { seen.push_back("description " + r().description().stdString()); }
  using Router::NotifieeConst::onSecondaryAddrs;
  using Router::NotifieeConst::onVrrpTrackedObject;
  void onSecondaryAddrs(Pelno::IpAddr key) override {
    seen.push_back("secondaryAddrs " + reflect::fieldText(key).stdString());
  }
  void onVrrpTrackedObject(Xel::String8 key) override {
    seen.push_back("vrrpTrackedObject " + key.stdString());
  }
  void onAuthType() override { seen.push_back("authType"); }
  std::vector<std::string> seen;
  std::function<void()> onPriorityDo;
};

Pelno::IpAddr ip(unsigned last) {
  return Pelno::IpAddr::fromHostOrder(0xc0000200u + last);  // 192.0.2.0/24
}

TEST(FlowIn, EveryTypesFullStateIsRebuiltAttributeByAttribute) {
  RandomChanges changes(2026);
  std::vector<Ptr<Xel::Entity>> roots{configFactory("config"), vrrpIpAddrsFactory("v4"),
                                      vrrpIp6AddrsFactory("v6"), dynVarpConfigFactory("dyn"),
                                      dynVarpConfigErrorFactory("errors")};
  for (auto const& root : roots) {
    for (int i = 0; i < (root == roots.front() ? 3000 : 200); ++i) changes.change(*root);
  }
  // The first entity of each type, written on its own with all below it.
  std::set<std::string> types;
  for (auto const& root : roots) {
    for (Xel::Entity* e : RandomChanges::entities(*root)) {
      std::string const type = attrlog_test::typeOf(*e).fullName;
      if (!types.insert(type).second) continue;
      Link link;
      link.publish(*e);
      link.pump();
      ASSERT_EQ(link.recv->dir()->entries(), 1u) << type;
      Ptr<Xel::Entity> const copy = link.recv->dir()->entryList().front();
      EXPECT_NE(copy.ptr(), e);
      EXPECT_EQ(render(*copy), render(*e)) << type;
      EXPECT_EQ(link.recv->out()->byteCount(), 0u) << type << " echoed";
    }
  }
  std::size_t entityTypes = 0;
  for (auto const& name : Xel::XelType::typeNodeNames()) {
    auto const* t = attrlog::Decoder::typeNamed(name);
    entityTypes += t && t->kind == entity::TypeKind::entity ? 1 : 0;
  }
  EXPECT_EQ(types.size(), entityTypes) << testing::PrintToString(types);
}

class Replica : public ::testing::Test {
 protected:
  Replica() {
    intf = config->vrrpConfigIs("vrrp")->vrrpIntfConfigIs(Pelno::IntfId("Ethernet1"));
    router = intf->virtualRouterConfigIs(VrId(5));
    router->secondaryAddrsIs(ip(1), true);
    router->vrrpTrackedObjectIs("uplink")->trackPriorityDecrementIs(20);
    router->descriptionIs("first");
    link.publish(*config);
    link.pump();
    copy = link.replica<Config>("config");
    copyRouter = copy->vrrpConfig()
                     ->vrrpIntfConfig(Pelno::IntfId("Ethernet1"))
                     ->virtualRouterConfig(VrId(5));
    routerId = router->xelNboAttrLogSa(link.send->out())->entityId();
    intfId = intf->xelNboAttrLogSa(link.send->out())->entityId();
    vrrpId = config->vrrpConfig()->xelNboAttrLogSa(link.send->out())->entityId();
    watch = Ptr<RouterLog>(new RouterLog(copyRouter.ptr()));
  }
  StreamAdapter& copyAdapter() { return *copyRouter->xelNboAttrLogSa(link.recv->out()); }
  // The sender's records since the last pump, one by one.
  std::vector<Bytes> records() {
    std::vector<Bytes> all;
    Xel::NboAttrLog::RecordReader reader(link.send->out()->bytes());
    Xel::NboAttrLog::Record r;
    std::size_t at = 0;
    while (reader.next(&r)) {
      auto const bytes = link.send->out()->bytes();
      all.emplace_back();
      all.back().assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(reader.position()));
      at = reader.position();
    }
    link.send->out()->bytesDel(link.send->out()->byteCount());
    return all;
  }

  Link link;
  Ptr<Config> config = configFactory("config");
  Ptr<VrrpIntfConfig> intf;
  Ptr<Router> router;
  Ptr<Config> copy;
  Ptr<Router> copyRouter;
  EntityId routerId, intfId, vrrpId;
  Ptr<RouterLog> watch;
};

TEST_F(Replica, ATextInPiecesReachesTheReplicaOnceAndWhole) {
  std::string const text(2 * 16384 + 100, 'x');
  router->descriptionIs(Xel::String8(text));
  auto const pieces = records();
  ASSERT_EQ(pieces.size(), 3u);
  link.read(pieces[0]);
  link.read(pieces[1]);
  EXPECT_EQ(copyRouter->description(), "first");
  EXPECT_TRUE(watch->seen.empty());
  link.read(pieces[2]);
  EXPECT_EQ(copyRouter->description().stdString(), text);
  EXPECT_EQ(watch->seen, std::vector<std::string>{"description " + text});

  // A start or an abort between pieces gives the partial text up: the
  // third piece no longer follows anything.
  for (Xel::U32 type : {0u, 1u}) {
    link.read(pieces[0]);
    link.read(pieces[1]);
    link.read(marker(routerId, 287, type));
    EXPECT_THAT([&] { link.read(pieces[2]); },
                testing::ThrowsMessage<Xel::RangeException>(testing::HasSubstr(
                    "a text piece at offset 32768 of 32868 bytes follows 0 bytes of 0")));
  }
  EXPECT_EQ(watch->seen.size(), 1u);
}

TEST_F(Replica, AReceiversNotifieeEditsWithoutEchoAndItsEditIsWrittenOnce) {
  // The agent caps the priority and sets a delay whenever it changes.
  watch->onPriorityDo = [&] {
    if (copyRouter->priority() > 120) copyRouter->priorityIs(120);
    copyRouter->preemptDelayIs(7);
  };
  router->priorityIs(150);
  link.pump();
  EXPECT_EQ(copyRouter->priority(), 120u);
  EXPECT_EQ(link.written(), (std::vector<std::string>{"261 120", "269 7"}));
  // Read back by the sender, the agent's edits land there, and go no further.
  link.send->flowInRun(link.recv->out()->bytes());
  EXPECT_EQ(router->priority(), 120u);
  EXPECT_EQ(router->preemptDelay(), 7u);
  EXPECT_EQ(link.send->out()->byteCount(), 0u);
  // A value equal to the replica's own changes nothing and tells no one.
  watch->seen.clear();
  link.recv->out()->bytesDel(link.recv->out()->byteCount());
  link.read(record(routerId, 261, 0, 4, 0, Bytes().u32(120)));
  EXPECT_TRUE(watch->seen.empty());
  EXPECT_EQ(link.recv->out()->byteCount(), 0u);
}

TEST_F(Replica, AChildAnnouncedAsAnotherEntityReplacesTheOneOfItsKey) {
  Bytes const announce = record(intfId, 259, 1, 0, 151, Bytes().u32(5).id({1000, 0}));
  Router const* const old = copyRouter.ptr();
  link.read(announce);
  Ptr<Router> const now =
      copy->vrrpConfig()->vrrpIntfConfig(Pelno::IntfId("Ethernet1"))->virtualRouterConfig(VrId(5));
  EXPECT_NE(now.ptr(), old);
  EXPECT_EQ(now->xelNboAttrLogSa(link.recv->out())->entityId(), (EntityId{1000, 0}));
  EXPECT_EQ(link.recv->reactor(routerId), nullptr);
  // Announced again under the same id, it stays.
  link.read(announce);
  EXPECT_EQ(
      copy->vrrpConfig()->vrrpIntfConfig(Pelno::IntfId("Ethernet1"))->virtualRouterConfig(VrId(5)),
      now);
  EXPECT_EQ(link.recv->out()->byteCount(), 0u);
}

// An enumerator this side lacks, or a record of an entity no adapter goes
// by (the peer wrote it before it learnt of a removal): counted, dropped.
TEST_F(Replica, WhatThisSideDoesNotKnowIsCountedAndNotApplied) {
  auto const before = render(*copy);
  link.read(record(routerId, 283, 1, 0, 0, Bytes().u32(9)));
  link.read(record({998, 0}, 261, 0, 4, 0, Bytes().u32(140)));
  EXPECT_EQ(render(*copy), before);
  EXPECT_EQ(link.recv->unknownEnums(), 1u);
  EXPECT_EQ(link.recv->unknownEntities(), 1u);
  link.read(record(routerId, 283, 1, 0, 0, Bytes().u32(1)));
  EXPECT_EQ(copyRouter->authType(), Pelno::vrrpAuthText);
  EXPECT_EQ(watch->seen, std::vector<std::string>{"authType"});
}

TEST_F(Replica, ARecordGivenToTheAdapterIsAnsweredWithTheLocalValue) {
  Bytes const payload = Bytes().u32(99);
  Xel::NboAttrLog::In in(payload);
  copyAdapter().handleAttrDeserialization(261, {}, 0, &in);
  EXPECT_EQ(copyRouter->priority(), 100u);
  EXPECT_EQ(link.written(), std::vector<std::string>{"261 100"});
  // Outside a read the log has no reverse direction: nothing to apply.
  copyAdapter().handleAttrDeserialization(261, {}, 0, nullptr);
  EXPECT_EQ(link.written().size(), 1u);
}

TEST_F(Replica, AnAbortKeepsTheMarksForTheNextEnd) {
  link.read(marker(routerId, 277, 0) + marker(routerId, 277, 1));
  EXPECT_TRUE(copyRouter->secondaryAddrs(ip(1)));
  link.read(marker(routerId, 277, 2));
  EXPECT_FALSE(copyRouter->secondaryAddrs(ip(1)));
  EXPECT_EQ(watch->seen, std::vector<std::string>{"secondaryAddrs 192.0.2.1"});
}

TEST_F(Replica, AnAdapterThatMayNotTakeTheRecordRefusesIt) {
  Bytes const priority = record(routerId, 261, 0, 4, 0, Bytes().u32(130));
  copyAdapter().stateBitsIs(StreamAdapter::activeBit, true);
  EXPECT_THAT([&] { link.read(priority); },
              testing::ThrowsMessage<Xel::InternalException>(
                  testing::StrEq("record at offset 0: entity reactor is already active")));
  copyAdapter().stateBitsIs(StreamAdapter::activeBit, false);
  EXPECT_EQ(copyRouter->priority(), 100u);
  EXPECT_TRUE(watch->seen.empty());

  auto& configAdapter = *copy->xelNboAttrLogSa(link.recv->out());
  configAdapter.stateBitsIs(StreamAdapter::readOnlyProxyBit, true);
  link.recv->out()->peerNameIs("front-end");
  EXPECT_THAT(
      [&] { link.read(record(configAdapter.entityId(), 262, 0, 1, 0, Bytes().u8(1))); },
      testing::ThrowsMessage<Xel::InternalException>(testing::StrEq(
          "record at offset 0: write-update from readonly proxy: config peerName: front-end")));
  EXPECT_FALSE(copy->allowDuplicate());
}

// Bad input, each case on a replica that already holds a tree: a clear
// error, and the replica exactly as it was before the record.
TEST_F(Replica, BadInputIsRefusedAndLeavesTheReplicaAsItWas) {
  Bytes const name300 = Bytes().str(std::string(101, 'v'));
  struct Case {
    char const* what;
    Bytes bytes;
    char const* message;
  };
  Case const cases[] = {
      {"a payload cut short", record(routerId, 276, 1, 0, 0, Bytes().u8(192).u8(0)),
       "NboAttrLog::In: 4 bytes wanted at offset 0, 2 left"},
      {"an attribute the type does not write", record(routerId, 300, 0, 4, 0, Bytes().u32(1)),
       "attribute id 300 is not written by Routing::Fhrp::VrrpVirtualRouterConfig"},
      {"a removal of a plain attribute", record(routerId, -261, 0, 4, 0, Bytes().u32(1)),
       "attribute id -261 is not written by Routing::Fhrp::VrrpVirtualRouterConfig"},
      {"a virtual router id above 256",
       record(intfId, 259, 1, 0, 151, Bytes().u32(257).id({900, 0})),
       "VrId::value < VrId::min or > VrId::max not allowed"},
      {"a virtual router announced with an id above 256",
       record({1, 0}, 136, 1, 0, 0,
              Bytes()
                  .u8(1)
                  .str("Routing::Fhrp::VrrpVirtualRouterConfig")
                  .u8(3)
                  .u32(300)
                  .u8(4)
                  .id({900, 0})),
       "VrId::value < VrId::min or > VrId::max not allowed"},
      {"a child announced as no entity", record(intfId, 259, 1, 0, 151, Bytes().u32(6).id({0, 0})),
       "entity id 0.0 is not one the peer gives out"},
      {"a child announced under an id the reader gives out",
       record(intfId, 259, 1, 0, 151, Bytes().u32(6).id({2, 0x80000000})),
       "entity id 2.2147483648 is not one the peer gives out"},
      {"a root whose name the directory holds for another type",
       record(
           {1, 0}, 136, 1, 0, 0,
           Bytes().u8(1).str("Routing::Fhrp::VrrpConfig").u8(3).str("config").u8(4).id({900, 0})),
       "the directory holds another type's entity named config"},
      {"a string longer than its record",
       record(routerId, 291, 1, 0, 151, Bytes().u32(1000).u8('x').id({900, 0})),
       "NboAttrLog::In: String8 of 1000 bytes at offset 0, 9 left"},
      {"a VRF name over 100 bytes", record(vrrpId, 259, 1, 0, 0, name300),
       "VrfName::bytes > 100 not allowed"},
      {"a wrong fixed size", record(routerId, 261, 0, 1, 0, Bytes().u8(1)),
       "a record of priority (261) with variable-size flag 0, fixed size 1 and creation tag 0; "
       "it travels with 0, 4 and 0"},
      {"bytes after the value", record(routerId, 277, 1, 0, 0, Bytes().u32(0xc0000209).u8(1).u8(0)),
       "1 bytes left over after the payload of secondaryAddrs (277)"},
      {"a piece overrunning its text",
       record(routerId, 287, 1, 0, 0, Bytes().u32(3).u32(0).str("toolong")),
       "a text piece of 7 bytes at offset 0 overruns the text's 3"},
      {"an entity of an unknown type",
       record({1, 0}, 136, 1, 0, 0, Bytes().u8(1).str("Routing::Fhrp::Nothing").u8(3)),
       "entity creation of unknown type Routing::Fhrp::Nothing"},
      {"an entity announced under an id in use",
       record({1, 0}, 136, 1, 0, 0,
              Bytes().u8(1).str("Routing::Fhrp::TrackedObject").u8(3).str("t9").u8(4).id(routerId)),
       "is in use on this log"},
      {"a child announced under an id in use",
       record(intfId, 259, 1, 0, 151, Bytes().u32(6).id(routerId)), "is in use on this log"},
      {"a marker of no known type", marker(routerId, 277, 7),
       "transaction marker of unknown type 7"},
      {"a marker of a plain attribute", marker(routerId, 261, 0),
       "a transaction marker for attribute id 261, neither a collection nor a text of "
       "Routing::Fhrp::VrrpVirtualRouterConfig"},
      {"a sync mode of no known number", record(routerId, 135, 0, 4, 0, Bytes().u32(9)),
       "SyncMode has no enumerator numbered 9"},
      {"a broken frame",
       Bytes().u32(24).u32(0).u32(0).u32(261).u8(0).u32(0).u32(0).u8(5).u8(1).u8(3),
       "trailing header byte 5 is not 0"},
      {"a length no record may have", Bytes().u32(0x7fffffff),
       "length 2147483647 exceeds the 16777216 a reader accepts"},
  };
  auto const before = render(*copy);
  for (Case const& c : cases) {
    try {
      link.read(c.bytes);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (Xel::Exception const& e) {
      EXPECT_THAT(e.message().stdString(), testing::StartsWith("record at offset 0: ")) << c.what;
      EXPECT_THAT(e.message().stdString(), testing::HasSubstr(c.message)) << c.what;
    }
    EXPECT_EQ(render(*copy), before) << c.what;
  }
  EXPECT_TRUE(watch->seen.empty());
  EXPECT_EQ(link.recv->out()->byteCount(), 0u);
  // The log reads on: a good record after them all applies, and the
  // reader knows where a bad one starts.
  Bytes const good = record(routerId, 261, 0, 4, 0, Bytes().u32(140));
  EXPECT_THROW(link.read(good + cases[1].bytes), Xel::RangeException);
  EXPECT_EQ(link.recv->flowInConsumed(), good.size());
  EXPECT_EQ(copyRouter->priority(), 140u);
}

// Every record of a log, its length word shortened to cut its payload at
// each byte: each a clear error, and the replica as it was. Then the
// whole record, so that the next applies where the log means it to.
TEST_F(Replica, ARecordCutShortAnywhereIsRefusedAndChangesNothing) {
  router->priorityIs(150);
  router->descriptionIs("second");
  router->secondaryAddrsIs(ip(2), true);
  router->secondaryAddrsDel(ip(1));
  router->vrrpTrackedObjectIs("core")->trackActionIsShutdownIs(true);
  intf->virtualRouterConfigIs(VrId(6))->authTypeIs(Pelno::vrrpAuthText);
  unsigned char const mac[] = {0x02, 0, 0, 0, 0, 0x99};
  config->varpConfigIs("varp")->virtualMacIs(Pelno::EthAddr::fromBytes(mac));
  Ptr<VrrpIpAddrs> const addrs = vrrpIpAddrsFactory("v4");
  addrs->addrsIs(ip(3), true);
  link.publish(*addrs);
  link.send->flowOutRun();
  std::size_t cuts = 0;
  for (Bytes const& whole : records()) {
    for (std::size_t kept = 0; kept + 4 < whole.size(); ++kept) {
      auto const before = render(*copy);
      std::size_t const dirBefore = link.recv->dir()->entries();
      Xel::U32 const adaptersBefore = link.recv->reactors();
      Bytes cut = Bytes().u32(static_cast<Xel::U32>(kept));
      cut.insert(cut.end(), whole.begin() + 4,
                 whole.begin() + 4 + static_cast<std::ptrdiff_t>(kept));
      EXPECT_THAT([&] { link.read(cut); }, testing::ThrowsMessage<Xel::Exception>(
                                               testing::StartsWith("record at offset 0: ")))
          << kept << " bytes of " << whole.size() - 4;
      ASSERT_EQ(render(*copy), before) << kept << " bytes of " << whole.size() - 4;
      ASSERT_EQ(link.recv->dir()->entries(), dirBefore);
      ASSERT_EQ(link.recv->reactors(), adaptersBefore);
      ++cuts;
    }
    link.read(whole);
  }
  EXPECT_GT(cuts, 500u);
  EXPECT_EQ(render(*copy), render(*config));
  EXPECT_EQ(render(*link.replica<VrrpIpAddrs>("v4")), render(*addrs));
  EXPECT_EQ(link.recv->out()->byteCount(), 0u);
}

// A log cut at any byte: the reader applies the records wholly before the
// cut and leaves the rest, and given the rest it builds the same tree.
TEST_F(Replica, ALogCutAtAnyByteReadsOnFromTheCut) {
  router->ip6AddrsIs(Pelno::Ip6Addr(), true);
  config->varpConfigIs("varp")
      ->varpIntfConfigIs(Pelno::IntfId("Vlan200"))
      ->virtualIpAddrIs(Pelno::IpAddrWithMask(), true);
  Link source;
  source.publish(*config);
  source.send->flowOutRun();
  std::span<U8 const> const log = source.send->out()->bytes();
  std::vector<std::size_t> ends{0};
  Xel::NboAttrLog::RecordReader reader(log);
  for (Xel::NboAttrLog::Record r; reader.next(&r);) ends.push_back(reader.position());
  for (std::size_t cut = 0; cut <= log.size(); ++cut) {
    Link link;
    std::size_t const took = link.recv->flowInRun(log.first(cut));
    ASSERT_EQ(took, *std::prev(std::upper_bound(ends.begin(), ends.end(), cut))) << cut;
    link.read(log.subspan(took));
    ASSERT_EQ(render(*link.replica<Config>("config")), render(*config)) << "cut at " << cut;
  }
}

// Each limit refuses the record that would pass it, leaving the replica as
// it was, and takes it when raised by one.
TEST_F(Replica, ALimitRefusesTheRecordThatWouldPassIt) {
  auto child = [&](EntityId at, std::string const& name, Xel::U32 id) {
    return record(at, 291, 1, 0, 151, Bytes().str(name).id({id, 0}));
  };
  struct Case {
    char const* what;
    // Sets the limit to `n`; the record passes n = refusedAt.
    std::function<void(Demuxer::Limits&, Xel::U32 n)> set;
    Xel::U32 refusedAt;
    Bytes bytes;
    char const* message;
  };
  Case const cases[] = {
      {"record size", [](auto& l, Xel::U32 n) { l.recordSize = n; }, 44,
       child(routerId, "long-name", 900), "length 45 exceeds the 44 a reader accepts"},
      {"string size", [](auto& l, Xel::U32 n) { l.stringSize = n; }, 8,
       child(routerId, "ninechars", 902),
       "String8 of 9 bytes at offset 0 is longer than the 8 a reader accepts"},
      {"text size", [](auto& l, Xel::U32 n) { l.textSize = n; }, 4,
       record(routerId, 287, 1, 0, 0, Bytes().u32(5).u32(0).str("fifth")),
       "a text of 5 bytes is longer than the 4 a reader accepts"},
      {"collection size", [](auto& l, Xel::U32 n) { l.collectionSize = n; }, 1,
       record(routerId, 277, 1, 0, 0, Bytes().u32(0xc0000202).u8(1)),
       "secondaryAddrs (277) holds 1 members, the most a reader accepts"},
      {"child collection size", [](auto& l, Xel::U32 n) { l.collectionSize = n; }, 3,
       child(routerId, "third", 904), "vrrpTrackedObject (291) holds 3 members"},
      {"entities", [&](auto& l, Xel::U32 n) { l.entities = link.recv->reactors() + n; }, 0,
       child(routerId, "fourth", 906), "entities, the most a reader accepts"},
      {"depth", [](auto& l, Xel::U32 n) { l.depth = n; }, 3, child(routerId, "fifth", 908),
       "a child below its root deeper than the 3 levels a reader accepts"},
  };
  for (Case const& c : cases) {
    auto const before = render(*copy);
    Demuxer::Limits limits;
    c.set(limits, c.refusedAt);
    link.recv->limitsIs(limits);
    try {
      link.read(c.bytes);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (Xel::Exception const& e) {
      EXPECT_THAT(e.message().stdString(), testing::HasSubstr(c.message)) << c.what;
    }
    EXPECT_EQ(render(*copy), before) << c.what;
    limits = {};
    c.set(limits, c.refusedAt + 1);
    link.recv->limitsIs(limits);
    EXPECT_NO_THROW(link.read(c.bytes)) << c.what;
    EXPECT_NE(render(*copy), before) << c.what;
  }
  link.recv->limitsIs({});
}

// Ids each just past the room a reader keeps for the ids it holds do not
// make it double that room every time.
TEST_F(Replica, IdsFarApartTakeRoomInProportionToTheEntities) {
  std::uint64_t room = 0;
  int made = 0;
  for (std::uint64_t at = 4095; 2 * at < (std::uint64_t{1} << 32); at = room + 4095, ++made) {
    room = std::max(at + 1, 2 * room);
    link.read(record({1, 0}, 136, 1, 0, 0,
                     Bytes()
                         .u8(1)
                         .str("Routing::Fhrp::TrackedObject")
                         .u8(3)
                         .str("t" + std::to_string(made))
                         .u8(4)
                         .id({static_cast<Xel::U32>(2 * at), 0})));
  }
  EXPECT_GT(made, 15);
  EXPECT_EQ(link.recv->dir()->entries(), static_cast<std::size_t>(made) + 1);
}

TEST_F(Replica, ALocalChangeStillWaitingGivesWayToThePeers) {
  link.recv->out()->capacityIs(0);
  copyRouter->priorityIs(111);  // waits for room
  link.read(record(routerId, 261, 0, 4, 0, Bytes().u32(130)));
  link.recv->out()->capacityIs(Out::unlimited);
  link.recv->flowOutRun();
  EXPECT_EQ(copyRouter->priority(), 130u);
  EXPECT_TRUE(link.written().empty()) << "the peer's own value sent back";
}

// A sync-mode record for an entity whose id several logs share: every
// adapter of it follows the mode, and the reading one resynchronises the
// entity's collections without writing them back.
TEST(FlowInSyncMode, AResyncMarksEveryCollectionAndItsEndSweepsThem) {
  Link one, two;
  EntityId const shared{3, 0};
  Bytes const create =
      record({1, 0}, 136, 1, 0, 0,
             Bytes().u8(1).str("Routing::Fhrp::VrrpIpAddrs").u8(3).str("odd").u8(4).id(shared));
  auto member = [&](unsigned last) {
    return record(shared, 258, 1, 0, 0, Bytes().u32(0xc0000200u + last).u8(1));
  };
  auto mode = [&](Xel::U32 m) { return record(shared, 135, 0, 4, 0, Bytes().u32(m)); };
  one.read(create + member(1) + member(2));
  Ptr<VrrpIpAddrs> const addrs = one.replica<VrrpIpAddrs>("odd");
  two.recv->dir()->entryIs(addrs);
  two.read(create);
  EXPECT_EQ(two.replica<VrrpIpAddrs>("odd"), addrs);

  one.read(mode(2) + member(2) + mode(1));
  EXPECT_FALSE(addrs->addrs(ip(1)));
  EXPECT_TRUE(addrs->addrs(ip(2)));
  for (Link const* l : {&one, &two}) {
    auto const* sa = addrs->xelNboAttrLogSa(l->recv->out());
    EXPECT_EQ(sa->syncMode(), StreamAdapter::SyncMode::synced);
    EXPECT_FALSE(sa->stateHas(StreamAdapter::silencedBit));
  }
  // Nothing goes back to the peer the resync came from; the other log's
  // peer learns of the removal.
  EXPECT_EQ(one.recv->out()->byteCount(), 0u);
  EXPECT_EQ(two.recv->out()->bytes().size(), 32u);
  EXPECT_EQ(addrs->xelNboAttrLogSa(one.recv->out())->msgChannelEntry()->mode(), 3u);
}

}  // namespace
