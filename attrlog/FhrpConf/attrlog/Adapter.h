// Adapter: how every entity of the model is written onto an attribute log.
//
// OVERVIEW
//   Each entity type has a generated adapter, T::XelNboAttrLogSa, derived
//   from this class: named handlers and writers of one line each over the
//   type's attribute table. Everything they do is here, once, read off the
//   table's rows: which attributes are written, in which order, how each
//   value travels, which bit remembers a deferred change.
//
//   When installed on an entity (T::xelNboAttrLogSaIs), the adapter owes
//   the log the entity's full state: an entity-creation record, then every
//   written attribute in id order, each collection's contents between a
//   start and an end marker, each child announced by a child-creation
//   record after which the child's own adapter writes the child's state.
//   The demultiplexer's scheduled flush (handleAttrFlowOut) writes it.
//
//   Afterwards every change reaches the adapter before any other notifiee.
//   In direct mode (the default) it writes the record at once when the log
//   has room, and otherwise defers it: a dirty bit, or the member's key in
//   the collection's dirty-key set, for the next scheduled flush. A record
//   always carries the value the entity holds when it is written, so
//   changes made while a record waits collapse into one. Nothing is lost:
//   a write that fails (an exception from the log) or is blocked leaves the
//   change due.
//
//   The order of checks in every handler and writer, with attribute A:
//     1. silenced: nothing (and the answer is "not done")
//     2. A's record being applied from the log (handlingFlowInFor): nothing
//     3. active (the change came from the log), suspended, or flow-out not
//        enabled: nothing, and active is cleared
//     4. no log: nothing
//     5. read-only, and not convertible to writable: doThrowReadOnly
//     6. write now, or defer (direct mode, or prepareImmediateTransmission)
//   active is cleared on every way out from step 3 on.
//
//   Reading is the other way round (Reader.cc, Reading.h): a record from
//   the peer is read whole and applied through the entity's ordinary
//   setters and collection operations, with `active` set, so that the
//   entity's notifiees hear of it as of any change and the adapter's own
//   handler does not write it back (and clears `active`, so that a change a
//   notifiee then makes is written as usual).
//
//   Strings travel in pieces (TextIter): a text starts only with 49152
//   bytes of room (or, in a smaller buffer, with the buffer empty), and a
//   flush stops between pieces when the room falls below maxMessageSize();
//   the flow-out keeps the text and the offset, and holds at most one such
//   text at a time.
//
// OWNERSHIP
//   See Xel/StreamAdapter.h. The adapter also owns its nested notifiee, the
//   one registered on the entity, which points back to it until the
//   adapter goes.
//
// THREAD SAFETY
//   Runs on the thread that changes the entity and drives its log.
#pragma once

#include <FhrpConf/Export.h>
#include <FhrpConf/attrlog/FlowOut.h>
#include <FhrpConf/entity/AttrTable.h>
#include <FhrpConf/entity/Notification.h>
#include <Xel/Demuxer.h>
#include <Xel/Entity.h>
#include <Xel/NboAttrLog.h>
#include <Xel/Ptr.h>
#include <Xel/StreamAdapter.h>

namespace Routing::Fhrp::attrlog {

class Adapter;

// The nested notifiee's link back to its adapter, cleared when the adapter
// goes (a delivery may still hold the notifiee then).
class AdapterLink {
 public:
  Adapter* xelReactorAdapter() const noexcept { return adapter_; }
  void xelReactorAdapterIs(Adapter* adapter) noexcept { adapter_ = adapter; }

 protected:
  explicit AdapterLink(Adapter* adapter) noexcept : adapter_(adapter) {}
  ~AdapterLink() = default;

 private:
  Adapter* adapter_;
};

class FHRPCONF_EXPORT Adapter : public Xel::Entity::XelNboAttrLogSa {
 public:
  using Out = Xel::NboAttrLog::Out;
  using AttrInfo = entity::AttrInfo;

  // Text needs this much room before its first piece is written.
  static constexpr std::size_t roomForText = 49152;

  entity::TypeInfo const& typeInfo() const noexcept { return type_; }
  // The entity, as the table's access functions take it.
  void const* object() const noexcept { return object_; }
  FlowOut* logFlowOut() const noexcept { return static_cast<FlowOut*>(flowOut()); }
  Xel::Entity* xelNotifierEntity() override { return entity_; }
  Xel::Entity const* xelNotifierEntity() const override { return entity_; }
  Xel::String8 name() const override { return entity_ ? entity_->name() : Xel::String8(); }

  // The change handler of a single-valued attribute, a string or a single
  // child: writes its record now or defers it.
  void onAttr(AttrInfo const& a);
  // The string writer: writes the text of `a` in pieces from where it
  // stopped; true when the whole text is written.
  bool writeString(AttrInfo const& a);
  // The child-log operation: installs `child`'s adapter for this log (or
  // reuses it) and writes the child-creation record with `key` (a child
  // collection's key; null for a single child, announced by its name, or
  // for a member whose key is to be read off the child itself).
  // Null when the log blocked the record: nothing was installed.
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> childLogIs(AttrInfo const& a, Xel_BitSet flags,
                                                    Xel::Entity* child, void const* key,
                                                    unsigned int n, Xel::Ptr<Out> const& out,
                                                    Xel::PtrInterface* owner);
  // The child-log operation of child attribute `aid`, the key read off the
  // child; null for an attribute that holds no children.
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> childAttrLogIs(Xel::AttributeId aid, Xel_BitSet flags,
                                                        Xel::Entity* child,
                                                        Xel::Ptr<Out> const& out) override;
  // The child's adapter for this adapter's log, or null.
  Xel::Entity::XelNboAttrLogSa* childLog(Xel::Entity const* child) const;
  // Takes the child's adapter (and its descendants') off this log.
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> childLogDel(Xel::Entity* child);

  // Pausing the adapter pauses its nested notifiee: changes made meanwhile
  // are not seen.
  void hasNotificationActiveIs(bool active) override;
  // A zombie adapter brings no change to its log: its nested notifiee hears
  // nothing, and the adapter carries the deletion mark.
  void xelDoZombieReactors(bool zombie) override;
  // The entity is being destroyed: off the log, and no pointer left to it.
  void entityGoneIs();
  Xel::AttributeId handleAttrFlowOut(Xel::AttributeId aid) override;
  void freeResyncState(Xel::Ptr<Xel::NboAttrLog::FlowOut> const& flowOut) override;
  Xel::Ptr<Xel::NboAttrLog::FlowOut> flowOutIs(Xel::Ptr<Out> const& out,
                                               Xel::NboAttrLog::ConnectDesc const& desc,
                                               bool resync, Xel::AttributeId start) override;
  void doSerializeOrphan() override;
  void doNotification(Xel::AttributeId aid, void* key) override;
  void doRemountSelf(Xel::Ptr<Out> const& out) override;

  // Reading (Reader.cc) -------------------------------------------------

  void handleAttrDeserialization(Xel::AttributeId aid,
                                 Xel::NboAttrLog::DeserializationOptions const& options,
                                 unsigned int n, Xel::NboAttrLog::In* in) override;
  void handleAttrTransaction(Xel::AttributeId aid, Xel::NboAttrLog::AttrTransactionType type,
                             unsigned int n) override;
  // A type with collections follows the peer's resync: a resync beginning
  // marks every collection's members, its end removes those not sent again.
  void syncModeIs(SyncMode mode) override;
  Xel::String8 logTypeName() const override { return Xel::String8(type_.fullName); }
  // While the adapter applies a record, and its log is not inside a nested
  // application: each collection's start marker (sync mode resyncing) or
  // end marker (any other), in id order.
  void collectionTransactions();

  // For the collection templates (Collections.h) ----------------------

  // Clears `active` when it ends, as every handler does from step 3 on.
  class ActiveClear {
   public:
    explicit ActiveClear(Adapter& sa) noexcept : sa_(sa) {}
    ~ActiveClear() { sa_.stateBitsIs(activeBit, false); }
    ActiveClear(ActiveClear const&) = delete;
    ActiveClear& operator=(ActiveClear const&) = delete;

   private:
    Adapter& sa_;
  };
  // Steps 1 to 5 of a handler for attribute `a`: go on, or stop with
  // "not done" (refused) or "nothing to do" (idle).
  enum class Gate { go, refused, idle };
  Gate gate(AttrInfo const& a) const;
  // Whether nothing in the adapter's own state holds a change back: not
  // silenced, applying, or suspended, flow-out on, and a log to write to.
  bool open() const {
    return !stateHas(silencedBit | activeBit | suspendedBits) && stateHas(flowOutEnabledBit) &&
           nboAttrLogOut();
  }

  // A handler's whole course for a change of `a`: the gate, then
  // `write()` now or `defer()`. `write` returns false when the log blocked
  // it; the change is then deferred, as it is when `write` throws. A
  // change applied from the log calls `forget()`: a local change of the
  // same attribute or member still waiting to be written is superseded,
  // and writing it now would send the peer its own value back.
  template <class Write, class Defer, class Forget>
  void handleChange(AttrInfo const& a, Write const& write, Defer const& defer,
                    Forget const& forget) {
    bool const applied = stateHas(activeBit);
    Gate const g = gate(a);
    if (g == Gate::refused) return;
    ActiveClear const clear(*this);
    if (g == Gate::idle) {
      if (applied) forget();
      return;
    }
    if (!writeNow(a)) {
      defer();
      return;
    }
    bool written;
    try {
      written = write();
    } catch (...) {
      defer();
      throw;
    }
    if (!written) defer();
  }

  // The flow-out, made if there is none, resuming no later than `a`; null
  // when the adapter is off its log.
  FlowOut* deferTo(AttrInfo const& a);
  // Starts a record of this entity about `a` (its removal when `removal`);
  // false when blocked.
  bool recordBegin(AttrInfo const& a, bool removal = false);
  // Writes the record of child member `key` of collection `a`: its
  // creation when `child` is there, else its deletion. False when blocked.
  bool writeChildMember(AttrInfo const& a, void const* key, Xel::Entity* child);

  // For the reading templates (Reading.h) -------------------------------

  // Raises when a payload of `a` has bytes after the record's value.
  void payloadEnd(Xel::NboAttrLog::In& in, AttrInfo const& a) const;
  // Apply a record read whole, as the peer's change: `active` set, so that
  // the change is not written back to the log it came from. A child's
  // key is its collection's key or, for a single child, its Xel::Name.
  void applyValue(AttrInfo const& a, void const* value);
  void applyMember(AttrInfo const& a, void const* key, void const* value);
  void applyRemoval(AttrInfo const& a, void const* key);
  // Makes or finds the child the peer announces under `key`, going by
  // entity id `eid` on the log, with its adapter.
  void applyChild(AttrInfo const& a, void const* key, Xel::EntityId eid);
  // Counts an enumerator this side does not know.
  void unknownEnum() noexcept;
  // Raises when adding `key` to collection `a` would take it past the
  // log's limit on members.
  void memberRoomCheck(AttrInfo const& a, void const* key) const;

 protected:
  // `object` is `entity` as the table's access functions take it.
  Adapter(Xel_BitSet flags, Xel::Entity* entity, void const* object, entity::TypeInfo const& type,
          unsigned int n, Xel::Ptr<Out> const& out, Xel::PtrInterface* owner);
  ~Adapter() override;

  // The type's own flow-out (with its dirty-key sets).
  virtual Xel::Ptr<FlowOut> newFlowOut(Xel::AttributeId start) const = 0;
  // Takes ownership of the nested notifiee; `link` is the notifiee itself.
  void xelAdapterNotifieeIs(Xel::Ptr<Xel::PtrInterface::NotifieeConst> const& notifiee,
                            AdapterLink* link);

 private:
  // Step 6: whether a change of `a` is written now rather than deferred.
  bool writeNow(AttrInfo const& a);
  // Writes the record of a single-valued attribute or single child.
  bool writeAttr(AttrInfo const& a);
  // Saves the text being written of `a` for the next flush.
  void textDefer(AttrInfo const& a, std::unique_ptr<Xel::NboAttrLog::TextIter> it);
  // Calls `visit` with every child the entity holds.
  template <class Visit>
  void forEachChild(Visit const& visit) const;
  // Raises unless the record's header is what the writer gives `a`.
  void headerCheck(AttrInfo const& a, bool removal, Xel::NboAttrLog::MsgHeader const& h) const;
  void readText(AttrInfo const& a, Xel::NboAttrLog::In& in, bool apply);
  void readSingleChild(AttrInfo const& a, Xel::NboAttrLog::In& in, bool removal, bool apply);
  void readSyncMode(Xel::NboAttrLog::In& in, bool apply);
  // The child under `key` of child attribute `a`, or null.
  Xel::Ptr<Xel::Entity> childAt(AttrInfo const& a, void const* key) const;
  void* mutableObject() const noexcept { return const_cast<void*>(object_); }

  Xel::Entity* entity_;
  void const* object_;
  entity::TypeInfo const& type_;
  Xel::Ptr<Xel::PtrInterface::NotifieeConst> notifiee_;
  AdapterLink* link_ = nullptr;
};

}  // namespace Routing::Fhrp::attrlog
