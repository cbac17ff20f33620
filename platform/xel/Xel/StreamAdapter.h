// StreamAdapter: the base of objects that carry an entity's changes onto an
// attribute log (Entity::XelNboAttrLogSa and the model's adapters).
//
// OVERVIEW
//   An adapter serves one entity on one log. It is a notifiee bound to the
//   entity (holding a counted reference to it unless it is weak); the
//   entity's changes reach it through a nested notifiee of the entity's own
//   type, registered in the entity's list, whose reactor (xelReactor()) is
//   the adapter. A notifiee whose reactor is a stream adapter joins its
//   notifier's list at the head, ahead of every ordinary observer, so that
//   a change reaches the log before any observer can react to it and
//   change the entity again.
//
//   The adapter's state word says how it writes (bits below); its entity
//   id names the entity on the log; its flow-out records what it owes the
//   log while the log has no room. The log's demultiplexer holds the
//   adapter, gives it its entity id, and drives its scheduled flush.
//
//   State bits:
//     readOnly (0x4)         writing needs convertedToWritable(), else
//                            doThrowReadOnly
//     readOnlyProxy (0x8)    the adapter stands in for a read-only peer
//     active (0x10)          a record is being applied from the log: the
//                            change it causes is not written back
//     suspended (0x20|0x100) nothing is written
//     weak (0x40)            the adapter holds no reference to its entity
//     silenced (0x2000)      every change handler returns at once
//     directMode (0x100000)  write when there is room, else defer
//     handlingScheduledFlowOut (0x400000)  inside a scheduled flush: write
//                            without asking about room
//     flowOutEnabled (0x4000000)  must be set for anything to be written
//     deferAll (0x8000000)   in direct mode, defer even with room
//
// OWNERSHIP
//   The demultiplexer holds each adapter on its log; the adapter holds its
//   log, its flow-out and (unless weak) its entity, and points back to the
//   demultiplexer without owning it. Taking the adapter off the log
//   (doRemountSelf with an empty log) clears all three links.
//
// THREAD SAFETY
//   An adapter runs on the thread that changes its entity and drives its
//   log; it takes no lock.
#pragma once

#include "Xel/BitSet.h"
#include "Xel/Entity.h"
#include "Xel/EntityId.h"
#include "Xel/Export.h"
#include "Xel/FlowIn.h"
#include "Xel/FlowOut.h"
#include "Xel/MsgChannel.h"
#include "Xel/NboAttrLog.h"
#include "Xel/Notifiee.h"
#include "Xel/Ptr.h"

namespace Xel {

namespace NboAttrLog {
class Demuxer;
}

class XEL_EXPORT StreamAdapter : public PtrInterface::NotifieeConst {
 public:
  static constexpr U32 readOnlyBit = 0x4;
  static constexpr U32 readOnlyProxyBit = 0x8;
  static constexpr U32 activeBit = 0x10;
  static constexpr U32 childSuspendedBit = 0x20;
  static constexpr U32 suspendedBits = 0x20 | 0x100;
  static constexpr U32 weakBit = 0x40;
  static constexpr U32 silencedBit = 0x2000;
  static constexpr U32 directModeBit = 0x100000;
  static constexpr U32 handlingScheduledFlowOutBit = 0x400000;
  static constexpr U32 flowOutEnabledBit = 0x4000000;
  static constexpr U32 deferAllBit = 0x8000000;
  // A new adapter writes when the log has room and defers otherwise.
  static constexpr U32 initialState = flowOutEnabledBit | directModeBit;
  // What a child's adapter takes over from its parent's.
  static constexpr U32 inheritedFlagsMask() noexcept { return 0xFFFFC3CFu; }

  U32 state() const noexcept { return state_; }
  void stateIs(U32 state) noexcept { state_ = state; }
  bool stateHas(U32 bits) const noexcept { return (state_ & bits) != 0; }
  void stateBitsIs(U32 bits, bool on) noexcept { state_ = on ? state_ | bits : state_ & ~bits; }

  EntityId entityId() const noexcept { return entityId_; }
  void entityIdIs(EntityId id) noexcept { entityId_ = id; }
  // Takes `id` on `demuxer`'s log and goes onto the log under it. An id the
  // peer gave (`announced`: the peer announced the entity and has its
  // state) makes the adapter owe the log nothing; any other id leaves the
  // entity's full state due.
  void doEntityIdIs(EntityId id, NboAttrLog::Demuxer* demuxer, bool announced);
  // The log, or null once the adapter is off it: nothing is then written.
  NboAttrLog::Out* nboAttrLogOut() const noexcept { return out_.ptr(); }
  Ptr<NboAttrLog::Out> const& nboAttrLogOutPtr() const noexcept { return out_; }
  NboAttrLog::Demuxer* streamDemuxer() const noexcept { return demuxer_; }
  // What the adapter owes its log, or null when it owes nothing.
  NboAttrLog::FlowOut* flowOut() const noexcept { return flowOut_.ptr(); }

  // True while a record for attribute `aid` is being applied to the entity:
  // a text whose pieces are still arriving. A change to it meanwhile is not
  // written: the text arriving replaces it.
  bool handlingFlowInFor(AttributeId aid) const noexcept {
    return flowInAttr_ != 0 && flowInAttr_ == aid;
  }
  void handlingFlowInForIs(AttributeId aid) noexcept { flowInAttr_ = aid; }
  // Whether a change of `aid` may be written now; `noRoom` says the caller
  // already knows the log is short of room. When not, the adapter is
  // scheduled for a flush (a flow-out is made if there is none).
  bool prepareImmediateTransmission(AttributeId aid, bool noRoom);
  // Whether a scheduled flush may go on to the next attribute or member
  // (defined in Xel/Demuxer.h).
  inline bool continueFlowOut();
  // Starts a record on the log. False when the log is not writable for now:
  // the write is blocked (the flow-out's blocked bit) and is to be retried.
  bool recordBegin(NboAttrLog::MsgHeader const& header) {
    NboAttrLog::Out& out = *out_;
    // A log that failed for good says so when the record starts; one that
    // only cannot take bytes now blocks the write for a later retry.
    if (!out.writable() && out.failure().empty()) return recordBlocked();
    *out.headerPlace(header, 1) = static_cast<U8>(NboAttrLog::TransactToken::payloadBegin);
    return true;
  }
  // Writes a transaction marker for collection `aid`; false when blocked.
  bool sendTransactionMarker(AttributeId aid, NboAttrLog::AttrTransactionType type, U32 n);
  // A read-only adapter may be allowed to write after all; the base never is.
  virtual bool convertedToWritable(bool force) const;
  // Raises Exception for a write of `attr` through a read-only adapter.
  [[noreturn]] void doThrowReadOnly(String8 const& attr) const;

  // The scheduled flush of the framework's own attributes (ids below the
  // model's): the entity-creation record, when it is due. Returns 0 when
  // done, else the id to retry.
  virtual AttributeId handleAttrFlowOut(AttributeId aid);
  // Drops what a flush kept to resume the current attribute.
  virtual void freeResyncState(Ptr<NboAttrLog::FlowOut> const& flowOut);
  // A new flow-out for which every attribute from `start` on is due.
  virtual Ptr<NboAttrLog::FlowOut> flowOutIs(Ptr<NboAttrLog::Out> const& out,
                                             NboAttrLog::ConnectDesc const& desc, bool resync,
                                             AttributeId start);
  // Writes the entity-creation record (an entity written on its own).
  virtual void doSerializeOrphan();
  // Moves the adapter to `out`; with an empty pointer, takes it off its log.
  virtual void doRemountSelf(Ptr<NboAttrLog::Out> const& out);

  // Reading ------------------------------------------------------------

  // How far the peer says its state is in step with this entity's: a
  // resync begins (resyncing: every collection's members are marked) and
  // ends (synced: those not sent again go).
  enum class SyncMode : U32 { unsynced = 0, synced = 1, resyncing = 2 };
  // `n` as a SyncMode; RangeException for a number that names none.
  static SyncMode SyncModeInstance(U32 n);
  SyncMode syncMode() const noexcept { return syncMode_; }
  virtual void syncModeIs(SyncMode mode);

  // Applies one record of attribute `aid` (a negated id, as its unsigned
  // word, removes a member or a child) read from `in`, or, with `in` null,
  // from the log's reverseLog(). The base knows no attribute: see
  // doBaseXelNboAttrLogSaMsg.
  virtual void handleAttrDeserialization(AttributeId aid,
                                         NboAttrLog::DeserializationOptions const& options,
                                         unsigned int n, NboAttrLog::In* in);
  // A transaction marker for collection `aid`. The base ends the entity's
  // flow-in state when `aid`'s transaction ends or is given up.
  virtual void handleAttrTransaction(AttributeId aid, NboAttrLog::AttrTransactionType type,
                                     unsigned int n);
  // A record of an attribute the adapter's type does not read: raises
  // RangeException naming the id and logTypeName().
  [[noreturn]] void doBaseXelNboAttrLogSaMsg(AttributeId aid,
                                             NboAttrLog::DeserializationOptions const& options,
                                             unsigned int n, NboAttrLog::In* in);
  // Whether a read-only proxy may take a record of `aid` from its peer.
  virtual bool readOnlyRemoteOk(AttributeId aid) const;
  // The entity's type, for messages.
  virtual String8 logTypeName() const;
  // The entry of the log's message channel for this adapter's entity, or
  // null when the peer did not announce it.
  MsgChannel::Constrainer::XelEntry* msgChannelEntry() noexcept {
    return hasMsgChannelEntry_ ? &msgChannelEntry_ : nullptr;
  }
  MsgChannel::Constrainer::XelEntry const* msgChannelEntry() const noexcept {
    return hasMsgChannelEntry_ ? &msgChannelEntry_ : nullptr;
  }
  void msgChannelEntryIs() noexcept { hasMsgChannelEntry_ = true; }

  // Sets (or clears) state bits while it lasts, and puts back what was
  // there on every way out.
  class StateAnchor {
   public:
    StateAnchor(StreamAdapter& sa, U32 bits, bool on) noexcept
        : sa_(sa), bits_(bits), was_(sa.state() & bits) {
      sa_.stateBitsIs(bits, on);
    }
    ~StateAnchor() { sa_.stateIs((sa_.state() & ~bits_) | was_); }
    StateAnchor(StateAnchor const&) = delete;
    StateAnchor& operator=(StateAnchor const&) = delete;

   private:
    StreamAdapter& sa_;
    U32 bits_;
    U32 was_;
  };
  // `active` while a record is applied (it is clear before).
  class IsActiveAnchor : public StateAnchor {
   public:
    explicit IsActiveAnchor(StreamAdapter& sa) noexcept : StateAnchor(sa, activeBit, true) {}
  };

  bool isStreamAdapter() const override;

  ~StreamAdapter() override;

 protected:
  explicit StreamAdapter(Ptr<NboAttrLog::Out> const& out) noexcept : out_(out) {}

 private:
  friend class NboAttrLog::Demuxer;

  bool recordBlocked() noexcept;

  U32 state_ = initialState;
  SyncMode syncMode_ = SyncMode::unsynced;
  bool hasMsgChannelEntry_ = false;
  MsgChannel::Constrainer::XelEntry msgChannelEntry_;
  // The demultiplexer's flow-in state of this adapter's entity id.
  bool flowInLive_ = false;
  NboAttrLog::FlowIn flowIn_;
  AttributeId flowInAttr_ = 0;
  EntityId entityId_;
  Ptr<NboAttrLog::Out> out_;
  NboAttrLog::Demuxer* demuxer_ = nullptr;
  Ptr<NboAttrLog::FlowOut> flowOut_;
  // The demultiplexer whose queue holds the adapter, or null.
  NboAttrLog::Demuxer* queuedOn_ = nullptr;
};

// Whether a notifiee with this reactor belongs at the head of a list.
inline bool isStreamAdapter(PtrInterface const* reactor) noexcept {
  return dynamic_cast<StreamAdapter const*>(reactor) != nullptr;
}

// The adapter of one entity on one log.
class XEL_EXPORT Entity::XelNboAttrLogSa : public StreamAdapter {
 public:
  // The entity served.
  virtual Entity* xelNotifierEntity() = 0;
  virtual Entity const* xelNotifierEntity() const = 0;
  // The notification flags the adapter was installed with.
  Xel_BitSet notificationFlags() const noexcept { return xel_bitSet(); }
  void notificationFlagsIs(Xel_BitSet flags) { xel_bitSetIs(flags); }
  // Gives a child's adapter the parent's way of writing (the state bits
  // under inheritedFlagsMask(), except handlingScheduledFlowOut).
  void doFixChildFlags(StreamAdapter& child) const noexcept;
  // Calls the change handler of attribute `aid` (a collection's with the
  // key `key` points to); an id without a handler does nothing.
  virtual void doNotification(AttributeId aid, void* key);
  // Installs (or finds) the adapter of `child`, held by this adapter's
  // entity under child attribute `aid`, for `out`, this adapter's log, and
  // announces the child there. The base has no child attributes: null.
  virtual Ptr<XelNboAttrLogSa> childAttrLogIs(AttributeId aid, Xel_BitSet flags, Entity* child,
                                              Ptr<NboAttrLog::Out> const& out);
  // Whether a parent's adapter installed this one for its child (it then
  // leaves the log when the child leaves its parent).
  bool xelInstalledByParent() const noexcept { return installedByParent_; }
  void xelInstalledByParentIs(bool b) noexcept { installedByParent_ = b; }

  ~XelNboAttrLogSa() override;

 protected:
  XelNboAttrLogSa(Xel_BitSet flags, unsigned int n, Ptr<NboAttrLog::Out> const& out,
                  PtrInterface* owner);

 private:
  bool installedByParent_ = false;
};

}  // namespace Xel
