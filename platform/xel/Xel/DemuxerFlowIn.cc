// The reading half of the demultiplexer: records in, each to the adapter
// of its entity.
#include <algorithm>
#include <mutex>

#include "Xel/Demuxer.h"
#include "Xel/Exception.h"
#include "Xel/Text.h"
#include "Xel/XelType.h"

namespace Xel::NboAttrLog {

namespace {

U32 lengthAt(U8 const* b) noexcept {
  return static_cast<U32>(b[0]) << 24 | static_cast<U32>(b[1]) << 16 | static_cast<U32>(b[2]) << 8 |
         static_cast<U32>(b[3]);
}

String8 idText(EntityId id) {
  return format("%u.%u", id.word0, id.word1);
}

// Counts a record being applied, and makes the log's constrainer the
// thread's while it is.
class Applying {
 public:
  Applying(U32& depth, MsgChannel::Constrainer* c) noexcept : depth_(depth), scope_(c) { ++depth_; }
  ~Applying() { --depth_; }
  Applying(Applying const&) = delete;
  Applying& operator=(Applying const&) = delete;

 private:
  U32& depth_;
  MsgChannel::ConstrainerScope scope_;
};

// Points the log's reverse direction at the record being applied.
class ReverseLog {
 public:
  ReverseLog(Out& out, In* in) noexcept : out_(out), saved_(out.reverseLog()) {
    out_.reverseLogIs(in);
  }
  ~ReverseLog() { out_.reverseLogIs(saved_); }
  ReverseLog(ReverseLog const&) = delete;
  ReverseLog& operator=(ReverseLog const&) = delete;

 private:
  Out& out_;
  In* saved_;
};

void sectionExpect(In& in, U8 section) {
  U8 const got = in.nextU8();
  if (got != section) {
    throwRangeException(
        format("entity creation with payload section %u where %u belongs", got, section));
  }
}

void endExpect(In& in, char const* what) {
  if (!in.atEnd())
    throwRangeException(format("%zu bytes left over after %s", in.remaining(), what));
}

}  // namespace

std::size_t Demuxer::flowInRun(std::span<U8 const> bytes) {
  RecordReader reader(bytes);
  for (;;) {
    std::size_t const done = reader.position();
    flowInConsumed_ = done;
    std::size_t const left = bytes.size() - done;
    // A record cut short waits for its rest; a length no record may have
    // would wait for ever.
    if (left < 4) return done;
    std::size_t const length = lengthAt(bytes.data() + done);
    if (length > limits_.recordSize) {
      throwRangeException(
          format("record at offset %zu: length %zu exceeds the %zu a reader accepts", done, length,
                 limits_.recordSize));
    }
    if (left - 4 < length) return done;
    Record r;
    reader.next(&r);
    flowInRecord(r);
  }
}

void Demuxer::flowInRecord(Record const& r) {
  // Unless told otherwise, the peer's ids are the lower space; a side that
  // reads before it has given out any id of its own takes the upper one.
  if (!idGiven_ && !idSpaceChosen_) idSpace_ = upperIdSpace;
  idSpaceChosen_ = true;
  Ptr<Demuxer> const self(this);
  Applying const applying(flowInDepth_, &constrainer_);
  In in(r.payload);
  in.stringLimitIs(limits_.stringSize);
  try {
    if (r.header.attrId == entityCreationAttrId) {
      if (r.header.entityId != creationEntityId) {
        throwRangeException("an entity creation under an entity id other than 1.0");
      }
      entityCreation(in, r.payload);
    } else {
      Ptr<StreamAdapter> const sa(reactor(r.header.entityId));
      if (!sa) {
        ++unknownEntities_;
        return;
      }
      if (r.header.attrId == transactionMarkerAttrId) {
        transactionMarker(*sa, in);
      } else {
        ReverseLog const reverse(*out_, &in);
        sa->handleAttrDeserialization(static_cast<AttributeId>(r.header.attrId),
                                      {.header = r.header, .offset = r.offset}, 0, nullptr);
      }
    }
  } catch (Exception const& e) {
    if (flowInDepth_ > 1) throw;
    rethrowAs(e, format("record at offset %zu: ", r.offset) + e.message());
  }
  ++recordsApplied_;
}

void Demuxer::transactionMarker(StreamAdapter& sa, In& in) {
  AttributeId const aid = in.nextU32();
  U32 const type = in.nextU32();
  U32 const n = in.nextU32();
  endExpect(in, "a transaction marker");
  if (type > static_cast<U32>(AttrTransactionType::end)) {
    throwRangeException(format("transaction marker of unknown type %u", type));
  }
  sa.handleAttrTransaction(aid, static_cast<AttrTransactionType>(type), n);
}

void Demuxer::entityCreation(In& in, std::span<U8 const> payload) {
  sectionExpect(in, 1);
  TypeId const type = in.nextTypeId();
  XelType const* const t = XelType::typeNode(type.name);
  if (!t) throwRangeException(String8("entity creation of unknown type ") + type.name);
  sectionExpect(in, 3);
  std::size_t const keyAt = in.position();
  Ptr<Entity> made = t->newEntity(&in, Xel_BitSet(), 0, nullptr);
  if (!made) throwRangeException(String8("type ") + type.name + " is not made from a log");
  // A named entity goes in the directory by its name; one with a key of
  // another type by its type and the key's bytes, which are the same each
  // time the peer announces it.
  String8 entry = made->name();
  if (entry.empty()) {
    entry = type.name;
    for (std::size_t i = keyAt; i < in.position(); ++i) entry += format(" %02x", payload[i]);
  }
  sectionExpect(in, 4);
  EntityId const id = in.nextEntityId();
  endExpect(in, "an entity creation");
  // The directory's entity of that name, if there is one, is the one the
  // peer means (a reader that restarted holds it already).
  Ptr<Entity> entity = made;
  if (Entity* held = dir_->entry(entry)) {
    if (held->fwkType() != made->fwkType()) {
      throwRangeException(String8("the directory holds another type's entity named ") + entry);
    }
    entity = Ptr<Entity>(held);
  }
  peerIdCheck(id, entity.ptr());
  if (reactor(id)) return;  // announced again
  {
    MsgChannel::DeserializingEidAnchor const anchor(id, nullptr);
    Ptr<Entity::XelNboAttrLogSa> const sa =
        entity->xelNboAttrLogSaIs(Xel_BitSet(), 0, out_, nullptr);
    if (sa->entityId() != id) {
      // Announced again under a new id (the peer put its adapter on the log
      // afresh): the entity stays, its adapter and those below it start
      // over, and the full state that follows brings them back.
      sa->doRemountSelf(nullptr);
      entity->xelNboAttrLogSaIs(Xel_BitSet(), 0, out_, nullptr);
    }
  }
  if (StreamAdapter* const sa = reactor(id)) {
    if (MsgChannel::Constrainer::XelEntry* e = sa->msgChannelEntry()) e->modeIs(1);
  }
  dir_->entryIs(entry, entity);
}

void Demuxer::peerIdCheck(EntityId id, Entity const* holder) const {
  if (StreamAdapter const* present = reactor(id)) {
    auto const* sa = dynamic_cast<Entity::XelNboAttrLogSa const*>(present);
    if (holder && sa && sa->xelNotifierEntity() == holder) return;
    throwRangeException(String8("entity id ") + idText(id) + " is in use on this log");
  }
  // The peer's ids are never this side's: those it gives out itself, and
  // the two the log reserves.
  if (id == EntityId{} || id == creationEntityId || (id.word1 & upperIdSpace) == idSpace_) {
    throwRangeException(String8("entity id ") + idText(id) + " is not one the peer gives out");
  }
  // An entity with an adapter here already (one the peer replaces or
  // announces afresh) adds none.
  if (reactorCount_ >= limits_.entities && !(holder && holder->xelNboAttrLogSa(out_))) {
    throwRangeException(
        format("the log holds %u entities, the most a reader accepts", reactorCount_));
  }
}

void Demuxer::collectionSizeCheck(U32 members, String8 const& collection) const {
  if (members >= limits_.collectionSize) {
    throwRangeException(collection +
                        format(" holds %u members, the most a reader accepts", members));
  }
}

void Demuxer::depthCheck(Entity const& parent) const {
  // The child stands one below `parent`; a root stands at depth 0.
  U32 depth = 1;
  for (Entity const* p = parent.parent(); p && depth <= limits_.depth; p = p->parent()) ++depth;
  if (depth > limits_.depth) {
    throwRangeException(
        format("a child below its root deeper than the %u levels a reader accepts", limits_.depth));
  }
}

FlowIn* Demuxer::flowIn(EntityId id) const noexcept {
  StreamAdapter* const sa = reactor(id);
  return sa && sa->flowInLive_ ? &sa->flowIn_ : nullptr;
}

FlowIn* Demuxer::flowInIs(EntityId id) {
  StreamAdapter* const sa = reactor(id);
  if (!sa)
    throwInternalException(String8("a flow-in state for entity id ") + idText(id) +
                           ", which no adapter goes by");
  sa->flowInLive_ = true;
  return &sa->flowIn_;
}

void Demuxer::flowInDel(EntityId id) noexcept {
  if (StreamAdapter* const sa = reactor(id)) {
    sa->flowInLive_ = false;
    sa->flowIn_.clear();
  }
}

void Demuxer::checkEphemeralEntityDeletion(Entity* existing, EntityId id, bool) {
  if (!existing) return;
  Entity::XelNboAttrLogSa const* const sa = existing->xelNboAttrLogSa(out_);
  if (sa && sa->entityId() != id) {
    throwNameInUseException(existing->name() + " goes by entity id " + idText(sa->entityId()) +
                            " on this log, not " + idText(id));
  }
}

void Demuxer::dirIs(Ptr<Dir> const& dir) {
  if (!dir) throwRangeException("null ValidPtr");
  dir_ = dir;
}

void Demuxer::idSpaceIs(U32 word1) {
  if (word1 != 0 && word1 != upperIdSpace) {
    throwRangeException(format("id space %#x is neither 0 nor %#x", word1, upperIdSpace));
  }
  if (idGiven_ && word1 != idSpace_) {
    throwRangeException("NboAttrLog::Demuxer: the id space is fixed once an id is given out");
  }
  idSpace_ = word1;
  idSpaceChosen_ = true;
}

// The manager ----------------------------------------------------------

namespace {
std::mutex managerMutex;
std::vector<Demuxer*>& managed() {
  static std::vector<Demuxer*> all;
  return all;
}
}  // namespace

DemuxerManager& globalNboAttrLogDemuxerManager() {
  static DemuxerManager manager;
  return manager;
}

std::vector<Demuxer*> DemuxerManager::nboDemuxerIterator() const {
  std::lock_guard const lock(managerMutex);
  return managed();
}

Ptr<Demuxer> DemuxerManager::demuxerHeld(Demuxer* d) const {
  std::lock_guard const lock(managerMutex);
  auto const& all = managed();
  return std::find(all.begin(), all.end(), d) == all.end() ? Ptr<Demuxer>() : Ptr<Demuxer>(d);
}

void DemuxerManager::demuxerIs(Demuxer* d) {
  std::lock_guard const lock(managerMutex);
  managed().push_back(d);
}

void DemuxerManager::demuxerDel(Demuxer* d) {
  std::lock_guard const lock(managerMutex);
  auto& all = managed();
  all.erase(std::find(all.begin(), all.end(), d));
}

}  // namespace Xel::NboAttrLog
