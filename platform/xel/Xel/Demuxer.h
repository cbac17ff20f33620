// Demuxer: one attribute log's adapters, their entity ids and their flush.
//
// OVERVIEW
//   Every adapter on a log is held by the log's demultiplexer under the
//   entity id it goes by there (its reactor table). The demultiplexer gives
//   out those ids and drives the scheduled flush: an adapter that defers a
//   change makes sure it has a flow-out (createFlowOut), which queues it;
//   flowOutRun then calls each queued adapter's handleAttrFlowOut, resuming
//   where it stopped, while the log has room and the budget lasts.
//
//   The budget bounds one run: every continueFlowOut() an adapter asks
//   (before each attribute or collection member after the first it writes)
//   spends one step, so a transport can flush in slices and interleave
//   other work, and a test can stop a flush at any point. A run with a
//   budget of 0 still makes one step.
//
//   Entity ids are pairs (n, 0) with n even and from 2 on; (1, 0) names
//   entity-creation records, and odd numbers are left for ids shared by
//   several logs.
//
//   A child announced during a run has its state written right after its
//   announcement (flowOutNested); whatever stops that is left queued, and
//   adapters queued while a flush runs run next, in the order they were
//   queued. A tree's full state thus goes out depth first, each entity
//   touched once while it is in the cache, and few flow-outs wait at any
//   one time.
//
// IMPLEMENTATION DETAILS
//   The reactor table is a vector indexed by n / 2 for the ids (n, 0) this
//   demultiplexer gives out, which are dense, and a hash map for any other
//   id (ids a peer gave out): a full state of a million entities makes a
//   million lookups and insertions, none of which then hashes or allocates
//   a node. Ids are never given out twice, so entities that come and go
//   leave the vector ever emptier; once most of it is empty its adapters
//   move to the hash map and new ids start a fresh vector, so the table
//   stays in proportion to the adapters it holds.
//
// OWNERSHIP
//   The demultiplexer holds its log and one reference to each adapter; the
//   log points back to it without owning it. Destroying the demultiplexer
//   takes every adapter off the log.
//
// THREAD SAFETY
//   None: one thread drives a log.
//
// TYPICAL USAGE
//   auto log = Xel::NboAttrLog::Demuxer::demuxerNew(Xel::NboAttrLog::Out::outNew());
//   config->xelNboAttrLogSaIs(Xel_BitSet(), 0, log->out(), nullptr);
//   log->flowOutRun();                 // the full state, as far as room allows
//   send(log->out()->bytes());
#pragma once

#include <deque>
#include <span>
#include <unordered_map>
#include <vector>

#include "Xel/Dir.h"
#include "Xel/EntityId.h"
#include "Xel/Export.h"
#include "Xel/FlowIn.h"
#include "Xel/FlowOut.h"
#include "Xel/MsgChannel.h"
#include "Xel/NboAttrLog.h"
#include "Xel/Ptr.h"
#include "Xel/PtrInterface.h"
#include "Xel/StreamAdapter.h"

namespace Xel::NboAttrLog {

class XEL_EXPORT Demuxer : public PtrInterface {
 public:
  static constexpr U32 unlimitedBudget = 0xffffffffu;

  // Precondition: `out` has no demultiplexer yet.
  static Ptr<Demuxer> demuxerNew(Ptr<Out> const& out);
  // The demultiplexer of `out`, or null.
  static Demuxer* demuxerFor(Out const* out) noexcept;

  Ptr<Out> const& out() const noexcept { return out_; }

  EntityId entityIdNew() noexcept;

  // The adapter going by `id`, or null.
  StreamAdapter* reactor(EntityId id) const noexcept;
  // Holds `sa` under its entity id, giving it a new one if it has none.
  void reactorIs(StreamAdapter* sa);
  // Takes the adapter going by `id` off the log.
  void reactorDel(EntityId id);
  U32 reactors() const noexcept { return reactorCount_; }
  // Calls visit(StreamAdapter&) for each adapter on the log, in no
  // particular order. The visit must not add or remove adapters.
  template <class Visit>
  void forEachReactor(Visit&& visit) const {
    for (Ptr<StreamAdapter> const& sa : dense_) {
      if (sa) visit(*sa);
    }
    for (auto const& [id, sa] : sparse_) visit(*sa);
  }

  // The flow-out of `sa`, made with start `start` if it has none; either
  // way `sa` is queued for the next run.
  FlowOut* createFlowOut(StreamAdapter* sa, ConnectDesc const& desc, bool resync,
                         AttributeId start);
  // Whether a flush may go on: budget left and room in the log. Spends one
  // step of the budget when it answers yes.
  bool continueFlowOut() noexcept {
    if (budget_ == 0 || !out_->hasSufficientBuffer()) return false;
    if (budget_ != unlimitedBudget) --budget_;
    return true;
  }
  U32 flowOutBudget() const noexcept { return budget_; }
  void flowOutBudgetIs(U32 steps) noexcept { budget_ = steps; }
  // Runs the queued adapters' scheduled flushes, first queued first, until
  // nothing is due (true), or the budget is spent, the log has no room, a
  // write is blocked, or no queued adapter can write anything now (false;
  // the next run resumes where this one stopped). An adapter that can
  // write nothing now (a text waiting for more room than there is, an
  // adapter suspended with changes due) lets the others go first. A run
  // started from inside a run returns false at once.
  bool flowOutRun(U32 budget = unlimitedBudget);
  bool flowOutPending() const noexcept { return !queue_.empty(); }
  // Runs `sa`'s flush now, inside a run that is flushing another adapter:
  // a parent writes a child's state right after announcing it, while the
  // child is still in the cache. Stops where a run would; the child stays
  // queued for what is left.
  void flowOutNested(StreamAdapter& sa);

  // Reading (DemuxerFlowIn.cc) ------------------------------------------

  // What the reader takes from its peer, at most. Each bounds what a
  // broken or hostile peer can make this side hold or do; a record that
  // would pass one is refused with a message naming the limit
  // ("... longer than the 65536 a reader accepts") and changes nothing.
  // The defaults stand well above any configuration a writer of the
  // model sends.
  // The longest record a reader accepts unless told otherwise.
  static constexpr std::size_t maxRecordSize = std::size_t{1} << 24;
  struct Limits {
    // A record's length word.
    std::size_t recordSize = maxRecordSize;
    // A String8 inside a record: a name, a key, a member's value, a piece
    // of a text.
    U32 stringSize = U32{1} << 16;
    // A text that arrives in pieces, whole.
    U32 textSize = TextIn::maxSize;
    // The members of one collection (values or children).
    U32 collectionSize = U32{1} << 22;
    // The entities on the log, with an adapter each.
    U32 entities = U32{1} << 24;
    // How deep below its root a child the peer creates may stand (a
    // root's child stands at depth 1).
    U32 depth = 32;
  };
  Limits const& limits() const noexcept { return limits_; }
  void limitsIs(Limits const& limits) noexcept { limits_ = limits; }
  // Raise with the limit's message when the peer's record would pass
  // one: a member added to a collection of `members` members; a child
  // created below `parent`.
  void collectionSizeCheck(U32 members, String8 const& collection) const;
  void depthCheck(Entity const& parent) const;
  // The word1 of ids given out from the upper space.
  static constexpr U32 upperIdSpace = 0x80000000u;

  // Applies the complete records at the start of `bytes` in order and
  // returns the bytes they took; a record cut short at the end is left for
  // the next call, with the rest of it. A record that cannot be applied
  // raises, its message prefixed with "record at offset N: " (N counted
  // from the start of `bytes`); the records before it stay applied, and
  // the entities are as they were before it.
  std::size_t flowInRun(std::span<U8 const> bytes);
  // The bytes of whole records the last flowInRun applied, also when it
  // raised: the record that failed starts there.
  std::size_t flowInConsumed() const noexcept { return flowInConsumed_; }
  // Applies one record: an entity's creation, a transaction marker, or a
  // record for the adapter going by its entity id.
  void flowInRecord(Record const& r);
  // Records applied, and records of an entity no adapter goes by (one the
  // peer wrote before it learnt that this side had removed it), dropped.
  U64 recordsApplied() const noexcept { return recordsApplied_; }
  U64 unknownEntities() const noexcept { return unknownEntities_; }
  // Enumerators the peer sent that this side's enumerations lack.
  U64 unknownEnums() const noexcept { return unknownEnums_; }
  void unknownEnumsInc(U32 n) noexcept { unknownEnums_ += n; }
  // Records being applied now (more than one when a handler feeds the log
  // records of its own).
  U32 flowInDepth() const noexcept { return flowInDepth_; }

  // The flow-in state of entity `id`: found, made, dropped. Only an
  // entity with an adapter on the log has one.
  FlowIn* flowIn(EntityId id) const noexcept;
  FlowIn* flowInIs(EntityId id);
  void flowInDel(EntityId id) noexcept;

  // Raises unless the peer may bring an entity under `id`: an id no adapter
  // on the log goes by (or the one `holder`'s adapter goes by already), and
  // none that this side gives out or the log reserves; and, unless `holder`
  // has an adapter on the log already, while the log holds fewer entities
  // than its limit.
  void peerIdCheck(EntityId id, Entity const* holder) const;
  // Raises NameInUseException when `existing` goes by another entity id
  // than `id` on this log: the peer's entity of that key is a new one.
  void checkEphemeralEntityDeletion(Entity* existing, EntityId id, bool deleting);

  // The entities the peer announces on their own (roots): a named one by
  // its name, any other by its type's full name and its key's bytes on the
  // log in hex ("Routing::Fhrp::TrackedObject 00 00 00 02 74 31"). A reader
  // that holds a tree already puts it here first.
  Dir* dir() const noexcept { return dir_.ptr(); }
  void dirIs(Ptr<Dir> const& dir);
  MsgChannel::Constrainer& msgConstrainer() noexcept { return constrainer_; }

  // Ids this side gives out carry `word1` (0 or upperIdSpace) in their
  // second word, so that they never meet the ids the peer gives out. A
  // side that has not chosen takes the upper space if it reads a record
  // before it gives out an id, else the lower one.
  // Precondition: no id has been given out yet.
  void idSpaceIs(U32 word1);
  U32 idSpace() const noexcept { return idSpace_; }

  ~Demuxer() override;

 private:
  explicit Demuxer(Ptr<Out> const& out);

  struct IdHash {
    std::size_t operator()(EntityId const& id) const noexcept { return id.hash(); }
  };

  // How one adapter's flush ended: it owes nothing; it must stop (no
  // budget, no room, blocked); or it could write nothing at all now.
  enum class Outcome { done, stopped, stuck };

  // Clears the adapter's links to this log.
  void takeOff(StreamAdapter& sa) noexcept;
  Outcome flowOutRun(StreamAdapter& sa);
  // Reads an entity-creation record: the entity, bound or made, and its
  // adapter under the id the peer gave it.
  void entityCreation(In& in, std::span<U8 const> payload);
  void transactionMarker(StreamAdapter& sa, In& in);
  // Puts the adapters queued during a flush at the front of the queue.
  void requeue();
  // Moves `sa`, at the front, to the back of the queue.
  void rotate(Ptr<StreamAdapter> const& sa);
  // The index of `id` in the dense table (SIZE_MAX for an id it cannot hold).
  std::size_t denseIndex(EntityId id) const noexcept;
  // The table's slot that holds `id`, or null.
  Ptr<StreamAdapter>* find(EntityId id) noexcept;
  void denseShrink();

  Ptr<Out> out_;
  // dense_[i] holds the adapter of id ((denseBase_ + i) * 2, denseSpace_).
  std::vector<Ptr<StreamAdapter>> dense_;
  std::size_t denseBase_ = 0;
  U32 denseSpace_ = 0;
  std::size_t denseLive_ = 0;
  std::unordered_map<EntityId, Ptr<StreamAdapter>, IdHash> sparse_;
  U32 reactorCount_ = 0;
  std::deque<Ptr<StreamAdapter>> queue_;
  // Queued while an adapter at the front of queue_ is being flushed.
  std::vector<Ptr<StreamAdapter>> queuedDuringRun_;
  bool running_ = false;
  U32 nextId_ = 2;
  U32 nextIdHigh_ = 0;
  U32 idSpace_ = 0;
  bool idGiven_ = false;
  bool idSpaceChosen_ = false;
  U32 budget_ = 0;

  Ptr<Dir> dir_;
  MsgChannel::Constrainer constrainer_;
  Limits limits_;
  U64 recordsApplied_ = 0;
  U64 unknownEntities_ = 0;
  U64 unknownEnums_ = 0;
  U32 flowInDepth_ = 0;
  std::size_t flowInConsumed_ = 0;
};

// Every demultiplexer of the process, for the rare walk over all of them
// (an entity id shared by several logs).
class XEL_EXPORT DemuxerManager {
 public:
  // The live demultiplexers, in the order they were made.
  std::vector<Demuxer*> nboDemuxerIterator() const;
  // `d` held, or null once it has gone: a walk over the list above may
  // make a handler run that destroys one.
  Ptr<Demuxer> demuxerHeld(Demuxer* d) const;

 private:
  friend class Demuxer;
  void demuxerIs(Demuxer* d);
  void demuxerDel(Demuxer* d);
};
XEL_EXPORT DemuxerManager& globalNboAttrLogDemuxerManager();

}  // namespace Xel::NboAttrLog

namespace Xel {

inline bool StreamAdapter::continueFlowOut() {
  return demuxer_ && demuxer_->continueFlowOut();
}

}  // namespace Xel
