#include "Xel/StreamAdapter.h"

#include "Xel/Demuxer.h"
#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace Xel {

using NboAttrLog::Demuxer;
using NboAttrLog::MsgHeader;
using NboAttrLog::TransactToken;

StreamAdapter::~StreamAdapter() = default;

bool StreamAdapter::isStreamAdapter() const {
  return true;
}

bool StreamAdapter::prepareImmediateTransmission(AttributeId, bool noRoom) {
  if (!noRoom && out_ && out_->hasSufficientBuffer()) return true;
  if (demuxer_) demuxer_->createFlowOut(this, {}, false, 0x7fffffff);
  return false;
}

bool StreamAdapter::recordBlocked() noexcept {
  if (flowOut_) flowOut_->blockedIs(true);
  return false;
}

bool StreamAdapter::sendTransactionMarker(AttributeId aid, NboAttrLog::AttrTransactionType type,
                                          U32 n) {
  MsgHeader const h{
      .entityId = entityId_, .attrId = NboAttrLog::transactionMarkerAttrId, .variableSize = 1};
  if (!recordBegin(h)) return false;
  out_ << aid << static_cast<U32>(type) << n << TransactToken::payloadEnd;
  return true;
}

bool StreamAdapter::convertedToWritable(bool) const {
  return false;
}

void StreamAdapter::doThrowReadOnly(String8 const& attr) const {
  throwException(String8("attribute log adapter is read-only: no write of ") + attr);
}

AttributeId StreamAdapter::handleAttrFlowOut(AttributeId) {
  NboAttrLog::FlowOut* const fo = flowOut_.ptr();
  if (!fo || !fo->orphanDue()) return 0;
  doSerializeOrphan();
  // Retried below the model's ids, so that the creation record still comes
  // before everything else the adapter writes.
  if (fo->blocked()) return NboAttrLog::entityCreationAttrId;
  fo->orphanDueIs(false);
  return 0;
}

void StreamAdapter::freeResyncState(Ptr<NboAttrLog::FlowOut> const&) {}

Ptr<NboAttrLog::FlowOut> StreamAdapter::flowOutIs(Ptr<NboAttrLog::Out> const&,
                                                  NboAttrLog::ConnectDesc const&, bool,
                                                  AttributeId start) {
  return Ptr<NboAttrLog::FlowOut>(new NboAttrLog::FlowOut(start));
}

void StreamAdapter::doSerializeOrphan() {}

StreamAdapter::SyncMode StreamAdapter::SyncModeInstance(U32 n) {
  if (n > static_cast<U32>(SyncMode::resyncing)) {
    throwRangeException(format("SyncMode has no enumerator numbered %u", n));
  }
  return static_cast<SyncMode>(n);
}

void StreamAdapter::syncModeIs(SyncMode mode) {
  syncMode_ = mode;
}

void StreamAdapter::handleAttrDeserialization(AttributeId aid,
                                              NboAttrLog::DeserializationOptions const& options,
                                              unsigned int n, NboAttrLog::In* in) {
  doBaseXelNboAttrLogSaMsg(aid, options, n, in);
}

void StreamAdapter::handleAttrTransaction(AttributeId aid, NboAttrLog::AttrTransactionType type,
                                          unsigned int) {
  if (type == NboAttrLog::AttrTransactionType::start || !demuxer_) return;
  NboAttrLog::FlowIn const* const fi = demuxer_->flowIn(entityId_);
  // A text still arriving keeps its state; only the transaction's ends.
  if (fi && fi->aid() == aid && !fi->iter()) demuxer_->flowInDel(entityId_);
}

void StreamAdapter::doBaseXelNboAttrLogSaMsg(AttributeId aid,
                                             NboAttrLog::DeserializationOptions const&,
                                             unsigned int, NboAttrLog::In*) {
  throwRangeException(format("attribute id %d is not written by ", static_cast<int>(aid)) +
                      logTypeName());
}

bool StreamAdapter::readOnlyRemoteOk(AttributeId) const {
  return false;
}

String8 StreamAdapter::logTypeName() const {
  return String8("an adapter of no entity type");
}

void StreamAdapter::doRemountSelf(Ptr<NboAttrLog::Out> const& out) {
  if (out.ptr() == out_.ptr()) return;
  Demuxer* const demuxer = Demuxer::demuxerFor(out.ptr());
  if (out && !demuxer) throwRangeException("NboAttrLog::Out has no demultiplexer");
  Ptr<StreamAdapter> const self(this);
  if (demuxer_) {
    demuxer_->reactorDel(entityId_);
  } else {
    out_ = nullptr;
    flowOut_ = nullptr;
  }
  if (!out) return;
  doEntityIdIs(EntityId{}, demuxer, false);
}

void StreamAdapter::doEntityIdIs(EntityId id, Demuxer* demuxer, bool announced) {
  out_ = demuxer->out();
  entityId_ = id;
  // With no id to go by, the log gives one of its own.
  demuxer->reactorIs(this);
  if (announced) {
    msgChannelEntryIs();
  } else {
    demuxer->createFlowOut(this, {}, false, 0)->orphanDueIs(true);
  }
}

Entity::XelNboAttrLogSa::XelNboAttrLogSa(Xel_BitSet flags, unsigned int,
                                         Ptr<NboAttrLog::Out> const& out, PtrInterface*)
    : StreamAdapter(out) {
  notificationFlagsIs(flags);
  // A parent's weak adapter passes weakness on to its children's.
  if (flags.value() & weakBit) stateBitsIs(weakBit, true);
}

Ptr<Entity::XelNboAttrLogSa> Entity::XelNboAttrLogSa::childAttrLogIs(AttributeId, Xel_BitSet,
                                                                     Entity*,
                                                                     Ptr<NboAttrLog::Out> const&) {
  return nullptr;
}

Entity::XelNboAttrLogSa::~XelNboAttrLogSa() = default;

void Entity::XelNboAttrLogSa::doFixChildFlags(StreamAdapter& child) const noexcept {
  U32 const inherited = inheritedFlagsMask() & ~handlingScheduledFlowOutBit;
  child.stateIs((child.state() & ~inherited) | (state() & inherited));
}

void Entity::XelNboAttrLogSa::doNotification(AttributeId, void*) {}

}  // namespace Xel
