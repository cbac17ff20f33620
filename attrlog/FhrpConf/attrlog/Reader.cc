// The adapter's reading half: records from the peer applied to the entity.
#include <FhrpConf/attrlog/Adapter.h>
#include <Xel/Demuxer.h>
#include <Xel/Exception.h>
#include <Xel/Text.h>

#include <optional>

#include "FhrpConf/attrlog/LogTable.h"

namespace Routing::Fhrp::attrlog {

using entity::AttrInfo;
using entity::AttrKind;
using Xel::AttributeId;
using Xel::String8;
using Xel::NboAttrLog::AttrTransactionType;
using Xel::NboAttrLog::Demuxer;
using Xel::NboAttrLog::FlowIn;
using Xel::NboAttrLog::In;
using Xel::NboAttrLog::TextIn;

namespace {

String8 attrText(AttrInfo const& a) {
  return String8(a.name) + Xel::format(" (%u)", a.id);
}

}  // namespace

void Adapter::handleAttrDeserialization(AttributeId aid,
                                        Xel::NboAttrLog::DeserializationOptions const& options,
                                        unsigned int n, In* given) {
  Out* const out = nboAttrLogOut();
  In* const in = given ? given : out ? out->reverseLog() : nullptr;
  if (!in) return;
  // A record may take the adapter off its log (its entity deleted).
  Xel::Ptr<Adapter> const self(this);
  std::optional<IsActiveAnchor> applying;
  if (!given) {
    if (stateHas(activeBit)) Xel::throwInternalException("entity reactor is already active");
    applying.emplace(*this);
    if (stateHas(readOnlyProxyBit) && !readOnlyRemoteOk(aid) && !convertedToWritable(false)) {
      Xel::throwInternalException(String8("write-update from readonly proxy: ") + name() +
                                  " peerName: " + out->peerName());
    }
  }
  int const id = static_cast<int>(aid);
  if (id == Xel::NboAttrLog::syncModeAttrId) {
    readSyncMode(*in, !given);
    return;
  }
  bool const removal = id < 0;
  AttrInfo const* const a = writtenAttr(type_, removal ? 0u - aid : aid);
  if (!a || (removal && !a->isCollection() && !a->isChild())) {
    doBaseXelNboAttrLogSaMsg(aid, options, n, in);
  }
  if (!given) headerCheck(*a, removal, options.header);
  bool const apply = !given;
  switch (a->kind) {
    case AttrKind::string:
      readText(*a, *in, apply);
      break;
    case AttrKind::singleChild:
      readSingleChild(*a, *in, removal, apply);
      break;
    default:
      a->log.read(*this, *a, *in, removal, apply);
  }
}

void Adapter::headerCheck(AttrInfo const& a, bool removal,
                          Xel::NboAttrLog::MsgHeader const& h) const {
  Xel::NboAttrLog::MsgHeader const want = recordHeader(a, removal, h.entityId);
  if (h.variableSize != want.variableSize || h.fixedSize != want.fixedSize ||
      h.creationTag != want.creationTag) {
    Xel::throwRangeException(
        Xel::format("a record of ") + attrText(a) +
        Xel::format(" with variable-size flag %u, fixed size %u and creation tag %u; it travels "
                    "with %u, %u and %u",
                    h.variableSize, h.fixedSize, h.creationTag, want.variableSize, want.fixedSize,
                    want.creationTag));
  }
}

void Adapter::payloadEnd(In& in, AttrInfo const& a) const {
  if (!in.atEnd()) {
    Xel::throwRangeException(
        Xel::format("%zu bytes left over after the payload of ", in.remaining()) + attrText(a));
  }
}

void Adapter::applyValue(AttrInfo const& a, void const* value) {
  stateBitsIs(activeBit, true);
  a.access.set(mutableObject(), value);
}

void Adapter::memberRoomCheck(AttrInfo const& a, void const* key) const {
  // The count first: a collection below its limit, the common case, costs
  // no lookup of the key.
  Demuxer const* const d = streamDemuxer();
  if (!d || a.access.members(object_) < d->limits().collectionSize) return;
  if (a.access.memberGet(object_, key, nullptr)) return;
  d->collectionSizeCheck(a.access.members(object_), attrText(a));
}

void Adapter::applyMember(AttrInfo const& a, void const* key, void const* value) {
  memberRoomCheck(a, key);
  stateBitsIs(activeBit, true);
  a.access.memberSet(mutableObject(), key, value);
}

void Adapter::applyRemoval(AttrInfo const& a, void const* key) {
  stateBitsIs(activeBit, true);
  a.access.memberDel(mutableObject(), key);
}

void Adapter::unknownEnum() noexcept {
  if (Demuxer* const d = streamDemuxer()) d->unknownEnumsInc(1);
}

Xel::Ptr<Xel::Entity> Adapter::childAt(AttrInfo const& a, void const* key) const {
  Xel::Ptr<Xel::Entity> child;
  if (a.kind == AttrKind::singleChild) {
    a.access.get(object_, &child);
    // A single child of another name is not the one announced: the
    // announcement replaces it.
    if (child && !(child->name() == *static_cast<Xel::Name const*>(key))) child = nullptr;
  } else {
    a.access.memberGet(object_, key, &child);
  }
  return child;
}

void Adapter::applyChild(AttrInfo const& a, void const* key, Xel::EntityId eid) {
  Demuxer* const d = streamDemuxer();
  Xel::Ptr<Out> const out = nboAttrLogOutPtr();
  Xel::Ptr<Xel::Entity> const existing = childAt(a, key);
  d->peerIdCheck(eid, existing.ptr());
  d->depthCheck(*entity_);
  bool const single = a.kind == AttrKind::singleChild;
  if (!single) memberRoomCheck(a, key);
  Xel::Ptr<Xel::Entity::XelNboAttrLogSa> csa;
  auto make = [&] {
    stateBitsIs(activeBit, true);
    if (single) {
      a.access.set(mutableObject(), key);
    } else {
      a.access.memberSet(mutableObject(), key, nullptr);
    }
    // Installed under the anchor, the child's adapter takes the peer's id;
    // the anchor covers the install alone, so that no entity a notifiee
    // of the creation puts on the log takes it instead.
    Xel::MsgChannel::DeserializingEidAnchor const anchor(eid, entity_);
    Xel_BitSet const flags(state() & inheritedFlagsMask() & Xel_BitSet::notificationBitMask());
    // A notifiee of the creation may have removed the child again.
    if (Xel::Ptr<Xel::Entity> const child = childAt(a, key)) {
      csa = child->xelNboAttrLogSaIs(flags, 1, out, nullptr);
    }
  };
  try {
    d->checkEphemeralEntityDeletion(existing.ptr(), eid, true);
  } catch (Xel::NameInUseException const&) {
    // The peer's child of this key is a new entity: the old one goes.
    applyRemoval(a, key);
  }
  make();
  if (!csa) return;
  csa->xelInstalledByParentIs(true);
  doFixChildFlags(*csa);
  csa->stateBitsIs(childSuspendedBit, false);
  csa->xelNotifierEntity()->xelMarkedForDeletionIs(false);
  if (auto* entry = csa->msgChannelEntry()) entry->modeIs(1);
}

void Adapter::readSingleChild(AttrInfo const& a, In& in, bool removal, bool apply) {
  if (removal) {
    payloadEnd(in, a);
    if (apply) applyRemoval(a, nullptr);
  } else {
    Xel::Name const name(in.nextString8());
    Xel::EntityId const eid = in.nextEntityId();
    payloadEnd(in, a);
    if (apply) applyChild(a, &name, eid);
  }
  if (!apply) onAttr(a);
}

void Adapter::readText(AttrInfo const& a, In& in, bool apply) {
  TextIn::Piece const piece = TextIn::pieceRead(in);
  payloadEnd(in, a);
  if (!apply) {
    if (std::size_t{piece.offset} + piece.bytes.size() == piece.total) onAttr(a);
    return;
  }
  Demuxer* const d = streamDemuxer();
  Xel::EntityId const id = entityId();
  FlowIn* fi = d->flowIn(id);
  TextIn* text = fi ? Xel::NboAttrLog::xelFlowInIterator(*fi) : nullptr;
  if (text && fi->aid() != a.id) {
    AttrInfo const* other = writtenAttr(type_, fi->aid());
    Xel::throwRangeException(String8("a piece of ") + attrText(a) + " while the text of " +
                             (other ? attrText(*other) : String8("another attribute")) +
                             " is arriving");
  }
  bool const madeState = !fi;
  bool const madeText = !text;
  if (!fi) fi = d->flowInIs(id);
  if (!text) text = Xel::NboAttrLog::xelFlowInIteratorIs(*fi);
  try {
    text->pieceIs(piece, d->limits().textSize);
  } catch (...) {
    // The state goes back to what it was before this piece.
    if (madeState) {
      d->flowInDel(id);
    } else if (madeText) {
      Xel::NboAttrLog::xelFlowInIteratorDel(*fi);
    }
    throw;
  }
  fi->aidIs(a.id);
  if (!text->complete()) {
    // Until the last piece the entity keeps its old text, and a change to
    // it here is not written: the arriving text replaces it.
    handlingFlowInForIs(a.id);
    return;
  }
  String8 const value = text->text();
  d->flowInDel(id);
  handlingFlowInForIs(0);
  applyValue(a, &value);
}

void Adapter::readSyncMode(In& in, bool apply) {
  Xel::U32 const n = in.nextU32();
  if (!in.atEnd()) {
    Xel::throwRangeException(
        Xel::format("%zu bytes left over after the payload of a sync mode", in.remaining()));
  }
  SyncMode const mode = SyncModeInstance(n);
  if (!apply) return;
  // An id with its lowest bit set is shared by logs that carry the same
  // entity: each of its adapters follows the mode, silenced while it does.
  if (entityId().word0 & 1) {
    Xel::Entity* const entity = xelNotifierEntity();
    auto& manager = Xel::NboAttrLog::globalNboAttrLogDemuxerManager();
    for (Demuxer* listed : manager.nboDemuxerIterator()) {
      // A handler the mode makes run may have destroyed it since.
      Xel::Ptr<Demuxer> const d = manager.demuxerHeld(listed);
      if (!d) continue;
      Xel::Ptr<Xel::Entity::XelNboAttrLogSa> const sa(
          dynamic_cast<Xel::Entity::XelNboAttrLogSa*>(d->reactor(entityId())));
      if (!sa || sa->xelNotifierEntity() != entity) continue;
      bool const silenced = sa->stateHas(silencedBit);
      sa->stateBitsIs(silencedBit, true);
      try {
        sa->syncModeIs(mode);
      } catch (...) {
        sa->stateBitsIs(silencedBit, silenced);
        throw;
      }
      sa->stateBitsIs(silencedBit, silenced);
    }
  }
  if (auto* entry = msgChannelEntry()) entry->modeIs(3);
}

void Adapter::syncModeIs(SyncMode mode) {
  StreamAdapter::syncModeIs(mode);
  collectionTransactions();
}

void Adapter::collectionTransactions() {
  Demuxer const* const d = streamDemuxer();
  if (!d || d->flowInDepth() > 1 || !stateHas(activeBit)) return;
  AttrTransactionType const type =
      syncMode() == SyncMode::resyncing ? AttrTransactionType::start : AttrTransactionType::end;
  for (AttrInfo const* a : type_.written) {
    if (a->isCollection()) handleAttrTransaction(a->id, type, 0);
  }
}

void Adapter::handleAttrTransaction(AttributeId aid, AttrTransactionType type, unsigned int n) {
  AttrInfo const* const a = writtenAttr(type_, aid);
  if (!a || !(a->isCollection() || a->kind == AttrKind::string)) {
    Xel::throwRangeException(
        Xel::format("a transaction marker for attribute id %d, neither a collection nor a text of ",
                    static_cast<int>(aid)) +
        String8(type_.fullName));
  }
  Xel::Ptr<Adapter> const self(this);
  // The sweep's removals set `active` for the adapter's own handler to
  // clear; whatever happens to them, the adapter leaves as it came.
  StateAnchor const restore(*this, activeBit, stateHas(activeBit));
  if (Demuxer* const d = streamDemuxer()) {
    Xel::EntityId const id = entityId();
    FlowIn* fi = d->flowIn(id);
    if (fi) {
      if (type == AttrTransactionType::end && fi->aid() == aid) fi->handlingTransactionIs(true);
    } else if (!stateHas(silencedBit) && type == AttrTransactionType::start) {
      fi = d->flowInIs(id);
      fi->aidIs(aid);
    }
    // A start or abort between a text's pieces gives the partial text up.
    if (a->kind == AttrKind::string && type != AttrTransactionType::end && fi && fi->aid() == aid &&
        fi->iter()) {
      d->flowInDel(id);
      handlingFlowInForIs(0);
    }
  }
  if (type == AttrTransactionType::start && a->log.mark) a->log.mark(*this, *a);
  if (type == AttrTransactionType::end && a->log.sweep) a->log.sweep(*this, *a);
  StreamAdapter::handleAttrTransaction(aid, type, n);
}

}  // namespace Routing::Fhrp::attrlog
