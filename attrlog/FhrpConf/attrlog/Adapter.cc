#include "FhrpConf/attrlog/Adapter.h"

#include <FhrpConf/reflect/Registration.h>
#include <Xel/Exception.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "FhrpConf/attrlog/Install.h"
#include "FhrpConf/attrlog/LogTable.h"

namespace Routing::Fhrp::attrlog {

using entity::AttrInfo;
using entity::AttrKind;
using Xel::AttributeId;
using Xel::NboAttrLog::TextIter;
using Xel::NboAttrLog::TransactToken;

namespace {

// The start of a flow-out that owes nothing yet.
constexpr AttributeId nothingDue = 0x7fffffff;

}  // namespace

Adapter::Adapter(Xel_BitSet flags, Xel::Entity* entity, void const* object,
                 entity::TypeInfo const& type, unsigned int n, Xel::Ptr<Out> const& out,
                 Xel::PtrInterface* owner)
    : XelNboAttrLogSa(flags, n, out, owner), entity_(entity), object_(object), type_(type) {
  // A weak adapter leaves the entity's life to its other owners; it leaves
  // the log when the entity goes (entityGone).
  if (stateHas(weakBit)) isWeakReferenceIs(true);
  notifierIs(Xel::Ptr<Xel::PtrInterface const>(entity));
}

Adapter::~Adapter() {
  // A delivery may still hold the nested notifiee: it must not call back,
  // not even from the entity's own destruction, which letting go of the
  // entity here may bring about.
  if (link_) link_->xelReactorAdapterIs(nullptr);
  isWeakReferenceIs(true);
}

void Adapter::xelAdapterNotifieeIs(Xel::Ptr<Xel::PtrInterface::NotifieeConst> const& notifiee,
                                   AdapterLink* link) {
  notifiee_ = notifiee;
  link_ = link;
}

void Adapter::hasNotificationActiveIs(bool active) {
  if (active != hasNotificationActive()) {
    Xel::Entity::XelNboAttrLogSa::hasNotificationActiveIs(active);
  }
  // Told either way: the notifiee may have been paused on its own
  // (onZeroReferences).
  if (notifiee_) notifiee_->hasNotificationActiveIs(active);
}

void Adapter::entityGoneIs() {
  doRemountSelf(nullptr);
  // The entity's last changes (its children going) reach no one.
  if (link_) link_->xelReactorAdapterIs(nullptr);
  link_ = nullptr;
  notifierIs(nullptr);
  entity_ = nullptr;
  object_ = nullptr;
}

void Adapter::xelDoZombieReactors(bool zombie) {
  if (zombie == xelMarkedForDeletion()) return;
  if (notifiee_) notifiee_->xelDoZombieReactors(zombie);
  xelMarkedForDeletionIs(zombie);
}

Adapter::Gate Adapter::gate(AttrInfo const& a) const {
  if (stateHas(silencedBit)) return Gate::refused;
  if (!stateHas(activeBit) && handlingFlowInFor(a.id)) return Gate::refused;
  if (!open()) return Gate::idle;
  if (stateHas(readOnlyBit) && !convertedToWritable(false)) {
    doThrowReadOnly(Xel::String8(type_.fullName) + Xel::String8("::") + Xel::String8(a.name));
  }
  return Gate::go;
}

bool Adapter::writeNow(AttrInfo const& a) {
  bool const room = nboAttrLogOut()->hasSufficientBuffer();
  // The entity-creation record comes first: until a flush has written it,
  // every change waits for that flush.
  Xel::NboAttrLog::FlowOut const* fo = flowOut();
  bool const creationDue = fo && fo->orphanDue();
  if (stateHas(directModeBit)) {
    if (stateHas(handlingScheduledFlowOutBit)) return true;
    return room && !stateHas(deferAllBit) && !creationDue;
  }
  if (!fo) streamDemuxer()->createFlowOut(this, {}, false, nothingDue);
  return prepareImmediateTransmission(a.id, !room) && !creationDue;
}

FlowOut* Adapter::deferTo(AttrInfo const& a) {
  Xel::NboAttrLog::Demuxer* const demuxer = streamDemuxer();
  if (!demuxer) return nullptr;
  auto* fo = static_cast<FlowOut*>(demuxer->createFlowOut(this, {}, false, nothingDue));
  // The next flush starts no later than `a`; whatever came due before the
  // point a flush stopped at is caught by its next pass.
  if (a.id < fo->attrId()) fo->attrIdIs(a.id);
  return fo;
}

bool Adapter::recordBegin(AttrInfo const& a, bool removal) {
  return StreamAdapter::recordBegin(recordHeader(a, removal, entityId()));
}

void Adapter::onAttr(AttrInfo const& a) {
  if (a.kind == AttrKind::string) {
    writeString(a);
    return;
  }
  handleChange(
      a, [&] { return writeAttr(a); },
      [&] {
        if (FlowOut* fo = deferTo(a)) fo->bitIs(a.logBit, true);
      },
      [&] {
        if (FlowOut* fo = logFlowOut()) fo->bitIs(a.logBit, false);
      });
}

bool Adapter::writeAttr(AttrInfo const& a) {
  if (a.kind == AttrKind::singleChild) {
    Xel::Ptr<Xel::Entity> child;
    a.access.get(object_, &child);
    if (!writeChildMember(a, nullptr, child.ptr())) return false;
  } else {
    if (!recordBegin(a)) return false;
    a.log.writeValue(nboAttrLogOutPtr(), object_);
    nboAttrLogOutPtr() << TransactToken::payloadEnd;
  }
  if (FlowOut* fo = logFlowOut()) fo->bitIs(a.logBit, false);
  return true;
}

bool Adapter::writeString(AttrInfo const& a) {
  bool const applied = stateHas(activeBit);
  Gate const g = gate(a);
  if (g == Gate::refused) return false;
  ActiveClear const clear(*this);
  if (g == Gate::idle) {
    // Applied from the log: a local text still waiting is superseded.
    FlowOut* const fo = logFlowOut();
    if (applied && fo) {
      fo->bitIs(a.logBit, false);
      if (fo->valueIter() && fo->valueIterAttr() == a.id) fo->valueIterDeq();
    }
    return true;
  }
  Out& out = *nboAttrLogOut();
  FlowOut* const fo = logFlowOut();
  bool const scheduled = stateHas(handlingScheduledFlowOutBit);
  bool const direct = stateHas(directModeBit);
  auto defer = [&] {
    if (FlowOut* f = deferTo(a)) f->bitIs(a.logBit, true);
    return false;
  };
  if (!scheduled) {
    if (!direct && fo) {
      // Outside direct mode a text goes out with the next flush.
      prepareImmediateTransmission(a.id, true);
      return defer();
    }
    if ((direct && (stateHas(deferAllBit) || !out.hasSufficientBuffer())) ||
        (fo && fo->orphanDue())) {
      return defer();
    }
  }
  Xel::String8 text;
  a.access.get(object_, &text);
  std::unique_ptr<TextIter> it;
  if (fo && fo->valueIter()) {
    // One text at a time: another half-written one is finished first.
    if (fo->valueIterAttr() != a.id) return defer();
    it = fo->valueIterDeq();
    // Changed since it was begun: begin the new text (a piece at offset 0
    // tells the reader to drop what it has).
    if (!(it->text() == text)) it.reset();
  }
  if (!it) it = std::make_unique<TextIter>(std::move(text));
  // A text begins with room for a good part of it: roomForText, or all a
  // smaller buffer can ever offer, so that it begins at all.
  if (it->offset() == 0 &&
      (!out.writable() || out.room() < std::min(roomForText, out.capacity()))) {
    textDefer(a, std::move(it));
    return false;
  }
  try {
    for (;;) {
      if (!recordBegin(a)) {
        textDefer(a, std::move(it));
        return false;
      }
      nboAttrLogOutPtr() << *it << TransactToken::payloadEnd;
      if (it->atEnd()) break;
      if ((scheduled && !continueFlowOut()) || !out.writable() ||
          out.room() < Out::maxMessageSize()) {
        textDefer(a, std::move(it));
        return false;
      }
    }
  } catch (...) {
    defer();
    throw;
  }
  if (FlowOut* f = logFlowOut()) f->bitIs(a.logBit, false);
  return true;
}

void Adapter::textDefer(AttrInfo const& a, std::unique_ptr<TextIter> it) {
  FlowOut* const fo = deferTo(a);
  if (!fo) return;
  fo->bitIs(a.logBit, true);
  fo->valueIterIs(std::move(it), a.id);
}

bool Adapter::writeChildMember(AttrInfo const& a, void const* key, Xel::Entity* child) {
  if (child) {
    Xel_BitSet const flags(state() & inheritedFlagsMask() & Xel_BitSet::notificationBitMask());
    return static_cast<bool>(childLogIs(a, flags, child, key, 1, nboAttrLogOutPtr(), nullptr));
  }
  // A single child's deletion carries nothing; a member's, its key.
  if (!recordBegin(a, true)) return false;
  if (a.kind != AttrKind::singleChild) a.keyCodec->write(nboAttrLogOutPtr(), key);
  nboAttrLogOutPtr() << TransactToken::payloadEnd;
  return true;
}

Xel::Ptr<Xel::Entity::XelNboAttrLogSa> Adapter::childLogIs(AttrInfo const& a, Xel_BitSet flags,
                                                           Xel::Entity* child, void const* key,
                                                           unsigned int n, Xel::Ptr<Out> const& out,
                                                           Xel::PtrInterface* owner) {
  if (out.ptr() != nboAttrLogOut()) {
    Xel::throwInternalException("a child's adapter goes on its parent adapter's log");
  }
  // A child whose creation record cannot be written now gets no adapter
  // yet: it must not write under an id the reader does not know.
  if (!out->writable() && out->failure().empty()) {
    if (FlowOut* fo = logFlowOut()) fo->blockedIs(true);
    return nullptr;
  }
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> csa(child->xelNboAttrLogSa(out));
  bool const made = !csa;
  if (made) {
    csa = child->xelNboAttrLogSaIs(flags, n, out, owner);
  } else {
    csa->notificationFlagsIs(flags);
  }
  // Announced by this record, the child needs no creation record of its
  // own, and leaves the log when it leaves its parent.
  if (Xel::NboAttrLog::FlowOut* fo = csa->flowOut()) fo->orphanDueIs(false);
  csa->xelInstalledByParentIs(true);
  doFixChildFlags(*csa);
  // Written by its parent, the child is no longer one a resync may sweep.
  csa->stateBitsIs(childSuspendedBit, false);
  child->xelMarkedForDeletionIs(false);
  try {
    recordBegin(a);
    Xel::Ptr<Out> const& log = nboAttrLogOutPtr();
    if (key) {
      a.keyCodec->write(log, key);
    } else if (a.kind == AttrKind::childCollection) {
      entity::AttrInfo const* const childKey = entity::keyAttr(reflect::typeInfoOf(*child));
      if (!childKey) Xel::throwInternalException("a collection's child has no key attribute");
      childKey->log.writeValue(log, dynamic_cast<void const*>(child));
    } else {
      log << child->name();
    }
    log << csa->entityId() << TransactToken::payloadEnd;
  } catch (...) {
    if (made) csa->doRemountSelf(nullptr);
    throw;
  }
  // Inside a flush, the new child's state follows its announcement at once.
  if (made && stateHas(handlingScheduledFlowOutBit)) {
    if (Xel::NboAttrLog::Demuxer* const demuxer = streamDemuxer()) demuxer->flowOutNested(*csa);
  }
  return csa;
}

Xel::Ptr<Xel::Entity::XelNboAttrLogSa> Adapter::childAttrLogIs(AttributeId aid, Xel_BitSet flags,
                                                               Xel::Entity* child,
                                                               Xel::Ptr<Out> const& out) {
  AttrInfo const* const a = writtenAttr(type_, aid);
  if (!a || !a->isChild() || !child) return nullptr;
  return childLogIs(*a, flags, child, nullptr, 1, out, nullptr);
}

Xel::Entity::XelNboAttrLogSa* Adapter::childLog(Xel::Entity const* child) const {
  if (!child || !nboAttrLogOut()) return nullptr;
  return const_cast<Xel::Entity*>(child)->xelNboAttrLogSa(nboAttrLogOutPtr());
}

Xel::Ptr<Xel::Entity::XelNboAttrLogSa> Adapter::childLogDel(Xel::Entity* child) {
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> const csa(childLog(child));
  if (csa) csa->doRemountSelf(nullptr);
  return csa;
}

template <class Visit>
void Adapter::forEachChild(Visit const& visit) const {
  for (AttrInfo const* a : type_.written) {
    if (a->kind == AttrKind::childCollection) {
      a->access.iterate(
          object_,
          [](void* context, void const*, void const* child) {
            (*static_cast<Visit const*>(context))(
                const_cast<Xel::Entity*>(static_cast<Xel::Entity const*>(child)));
            return true;
          },
          const_cast<Visit*>(&visit));
    } else if (a->kind == AttrKind::singleChild) {
      Xel::Ptr<Xel::Entity> child;
      a->access.get(object_, &child);
      if (child) visit(child.ptr());
    }
  }
}

AttributeId Adapter::handleAttrFlowOut(AttributeId aid) {
  StateAnchor const scheduled(*this, handlingScheduledFlowOutBit, true);
  if (FlowOut* const fo = logFlowOut()) {
    fo->blockedIs(false);
    while (!fo->pendingAborts().empty()) {
      AttributeId const id = fo->pendingAborts().front();
      if (!sendTransactionMarker(id, Xel::NboAttrLog::AttrTransactionType::abort, 0)) return aid;
      fo->pendingAbortDel(id);
    }
  }
  auto const written = type_.written;
  if (written.empty()) return StreamAdapter::handleAttrFlowOut(aid);
  std::size_t i = 0;
  if (aid < written.front()->id) {
    if (AttributeId const retry = StreamAdapter::handleAttrFlowOut(aid)) return retry;
    if (!continueFlowOut()) return written.front()->id;
  } else {
    while (i < written.size() && written[i]->id != aid) ++i;
    if (i == written.size()) return 0;
  }
  // In direct mode, when nothing in the adapter's state can hold a change
  // back, a due attribute goes straight to its writer: the handler's checks
  // would all pass (only the one for a record being applied depends on the
  // attribute).
  bool const direct = stateHas(directModeBit) && !stateHas(readOnlyBit) && open();
  for (; i < written.size(); ++i) {
    AttrInfo const& a = *written[i];
    // Read afresh for each attribute: the write before may have made one.
    FlowOut* const fo = logFlowOut();
    if (fo) fo->attrIdIs(a.id);
    bool const resumable = a.isCollection() || a.kind == AttrKind::string;
    bool complete = true;
    if (a.isCollection()) {
      complete = a.log.flush(*this, a);
    } else if (fo && fo->bit(a.logBit)) {
      // A text waits while another one is half-written; it is not
      // incomplete in this pass, which goes on past it.
      bool const waits =
          a.kind == AttrKind::string && fo->valueIter() && fo->valueIterAttr() != a.id;
      if (waits) {
      } else if (a.kind == AttrKind::string) {
        complete = writeString(a);
      } else if (direct && !handlingFlowInFor(a.id)) {
        writeAttr(a);
      } else {
        onAttr(a);
      }
    }
    FlowOut* const now = logFlowOut();
    if (!now) return 0;  // taken off the log by the write
    if (now->blocked()) return a.id;
    if (!continueFlowOut()) {
      AttributeId const next = i + 1 < written.size() ? written[i + 1]->id : 0;
      if (!resumable) return next;
      if (!complete) return a.id;
      return now->hasDirtyAttributes() ? next : 0;
    }
  }
  return 0;
}

void Adapter::freeResyncState(Xel::Ptr<Xel::NboAttrLog::FlowOut> const& flowOut) {
  if (!flowOut) return;
  AttrInfo const* a = writtenAttr(type_, flowOut->attrId());
  if (!a) return;
  if (a->isCollection() && flowOut->bookmark() && flowOut->bookmarkAttr() == a->id) {
    flowOut->bookmarkIs(nullptr);
    // Its contents were begun; the reader is told they are given up.
    flowOut->pendingAbortIs(a->id);
  } else if (a->kind == AttrKind::string && flowOut->valueIter()) {
    flowOut->valueIterDeq();
  }
}

Xel::Ptr<Xel::NboAttrLog::FlowOut> Adapter::flowOutIs(Xel::Ptr<Out> const&,
                                                      Xel::NboAttrLog::ConnectDesc const&, bool,
                                                      AttributeId start) {
  return newFlowOut(start);
}

void Adapter::doSerializeOrphan() {
  if (!StreamAdapter::recordBegin({.entityId = Xel::NboAttrLog::creationEntityId,
                                   .attrId = Xel::NboAttrLog::entityCreationAttrId,
                                   .variableSize = 1})) {
    return;
  }
  Xel::Ptr<Out> const& out = nboAttrLogOutPtr();
  out->currentPayloadSectionIs(1);
  out << Xel::NboAttrLog::TypeId{Xel::String8(type_.fullName)};
  out->currentPayloadSectionIs(3);
  if (AttrInfo const* key = entity::keyAttr(type_)) {
    key->log.writeValue(out, object_);
  } else {
    out << entity_->name();
  }
  out->currentPayloadSectionIs(4);
  out << entityId() << TransactToken::payloadEnd;
}

void Adapter::doNotification(AttributeId aid, void* key) {
  AttrInfo const* a = writtenAttr(type_, aid);
  if (!a) return;
  if (a->isCollection()) {
    a->log.onMember(*this, *a, key);
  } else {
    onAttr(*a);
  }
}

void Adapter::doRemountSelf(Xel::Ptr<Out> const& out) {
  if (out.ptr() == nboAttrLogOut()) return;
  Xel::Ptr<Adapter> const self(this);
  Xel::Ptr<Out> const old = nboAttrLogOutPtr();
  StreamAdapter::doRemountSelf(out);
  if (!old) return;
  // The children's adapters leave the old log with this one.
  forEachChild([&old](Xel::Entity* child) {
    if (Xel::Entity::XelNboAttrLogSa* csa = child->xelNboAttrLogSa(old)) {
      csa->doRemountSelf(nullptr);
    }
  });
}

namespace {

// An id several logs share: the entity goes by it on each.
bool unified(Xel::EntityId id) noexcept {
  return id.word0 % 2 == 1 && id != Xel::NboAttrLog::creationEntityId;
}

bool connected(Xel::StreamAdapter const& sa) noexcept {
  return sa.nboAttrLogOut() && sa.nboAttrLogOut()->connected();
}

// Calls `visit` with each stream adapter among the notifiees of `list`
// until it returns true; returns that adapter, or null.
template <class Visit>
Xel::Entity::XelNboAttrLogSa* findAdapter(entity::NotifieeList const& list, Visit const& visit) {
  for (entity::NotifieeBase* m = list.head(); m; m = m->next()) {
    if (!m->isStreamAdapter()) continue;
    auto* sa = const_cast<Xel::Entity::XelNboAttrLogSa*>(
        dynamic_cast<Xel::Entity::XelNboAttrLogSa const*>(m->xelReactor()));
    if (sa && visit(*sa)) return sa;
  }
  return nullptr;
}

}  // namespace

Xel::Entity::XelNboAttrLogSa* adapterFor(entity::NotifieeList const& list,
                                         Xel::NboAttrLog::Out const* out) {
  Xel::Entity::XelNboAttrLogSa* shared = nullptr;
  Xel::Entity::XelNboAttrLogSa* const found =
      findAdapter(list, [&](Xel::Entity::XelNboAttrLogSa& sa) {
        if (!out) return unified(sa.entityId()) && connected(sa);
        if (sa.nboAttrLogOut() == out) return true;
        Xel::NboAttrLog::Demuxer const* const demuxer = Xel::NboAttrLog::Demuxer::demuxerFor(out);
        if (!demuxer || !unified(sa.entityId())) return false;
        auto* there = dynamic_cast<Xel::Entity::XelNboAttrLogSa*>(demuxer->reactor(sa.entityId()));
        if (!there || there->xelNotifierEntity() != sa.xelNotifierEntity()) return false;
        shared = there;
        return true;
      });
  return shared ? shared : found;
}

Xel::Ptr<Xel::Entity::XelNboAttrLogSa> adapterForMsgChannel(
    entity::NotifieeList const& list, Xel::Entity::XelNboAttrLogSa const* other) {
  return Xel::Ptr<Xel::Entity::XelNboAttrLogSa>(
      findAdapter(list, [other](Xel::Entity::XelNboAttrLogSa& sa) {
        return other && &sa != other && connected(sa) && sa.msgChannelEntry() &&
               other->msgChannelEntry() && unified(sa.entityId()) &&
               sa.entityId() == other->entityId();
      }));
}

Xel::Ptr<Xel::Entity::XelNboAttrLogSa> adapterMount(Xel::Ptr<Adapter> const& sa) {
  Xel::NboAttrLog::Demuxer* const demuxer =
      Xel::NboAttrLog::Demuxer::demuxerFor(sa->nboAttrLogOut());
  sa->hasNotificationActiveIs(true);
  Xel::MsgChannel::Constrainer& c = demuxer->msgConstrainer();
  if (c.deserializingEid() != Xel::EntityId{} &&
      c.deserializingInParent() == sa->xelNotifierEntity()->parent()) {
    // The entity the peer is announcing: it goes by the peer's id, once,
    // and owes the log nothing, the peer having its state.
    Xel::EntityId const id = c.deserializingEid();
    c.deserializingEidIs(Xel::EntityId{});
    sa->doEntityIdIs(id, demuxer, true);
  } else {
    sa->doEntityIdIs(Xel::EntityId{}, demuxer, false);
  }
  sa->collectionTransactions();
  return sa;
}

void adapterDel(entity::NotifieeList const& list, Xel::NboAttrLog::Out const* out) {
  if (Xel::Entity::XelNboAttrLogSa* sa = adapterFor(list, out)) sa->doRemountSelf(nullptr);
}

void entityGone(entity::NotifieeList const& list) {
  // Each adapter still pointing at the entity lets go of it. Held while it
  // does: its log may hold its last reference, and its going unlinks its
  // notifiee, so the walk starts again.
  while (Xel::Entity::XelNboAttrLogSa* sa =
             findAdapter(list, [](auto& a) { return dynamic_cast<Adapter*>(&a) != nullptr; })) {
    Xel::Ptr<Xel::Entity::XelNboAttrLogSa> const held(sa);
    static_cast<Adapter*>(sa)->entityGoneIs();
  }
}

void parentLeft(entity::NotifieeList const& list) {
  while (Xel::Entity::XelNboAttrLogSa* sa = findAdapter(list, [](auto& a) {
           return a.xelInstalledByParent() && a.nboAttrLogOut() != nullptr;
         })) {
    sa->doRemountSelf(nullptr);
  }
}

}  // namespace Routing::Fhrp::attrlog
