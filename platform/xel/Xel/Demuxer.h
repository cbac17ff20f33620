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
//   budget of 0 writes the first thing due and stops.
//
//   Entity ids are pairs (n, 0) with n even and from 2 on; (1, 0) names
//   entity-creation records, and odd numbers are left for ids shared by
//   several logs.
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
#include <unordered_map>

#include "Xel/EntityId.h"
#include "Xel/Export.h"
#include "Xel/FlowOut.h"
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
  U32 reactors() const noexcept { return static_cast<U32>(reactors_.size()); }

  // The flow-out of `sa`, made with start `start` if it has none; either
  // way `sa` is queued for the next run.
  FlowOut* createFlowOut(StreamAdapter* sa, ConnectDesc const& desc, bool resync,
                         AttributeId start);
  // Whether a flush may go on: budget left and room in the log. Spends one
  // step of the budget when it answers yes.
  bool continueFlowOut() noexcept;
  U32 flowOutBudget() const noexcept { return budget_; }
  void flowOutBudgetIs(U32 steps) noexcept { budget_ = steps; }
  // Runs the queued adapters' scheduled flushes, first queued first, until
  // nothing is due (true), or the budget is spent, the log has no room or
  // a write is blocked (false; the next run resumes where this one
  // stopped).
  bool flowOutRun(U32 budget = unlimitedBudget);
  bool flowOutPending() const noexcept { return !queue_.empty(); }

  ~Demuxer() override;

 private:
  explicit Demuxer(Ptr<Out> const& out);

  struct IdHash {
    std::size_t operator()(EntityId const& id) const noexcept { return id.hash(); }
  };

  // Clears the adapter's links to this log.
  void takeOff(StreamAdapter& sa) noexcept;
  // One adapter's flush until it owes nothing (true) or must stop (false).
  bool flowOutRun(StreamAdapter& sa);

  Ptr<Out> out_;
  std::unordered_map<EntityId, Ptr<StreamAdapter>, IdHash> reactors_;
  std::deque<Ptr<StreamAdapter>> queue_;
  U32 nextId_ = 2;
  U32 budget_ = 0;
};

}  // namespace Xel::NboAttrLog
