#include "Xel/Entity.h"

#include "Xel/Exception.h"
#include "Xel/StreamAdapter.h"

namespace Xel {

Entity::~Entity() = default;

String8 Entity::name() const {
  return name_;
}

Entity const* Entity::parent() const {
  return parent_;
}

Entity* Entity::parent() {
  return parent_;
}

void Entity::parentIs(Ptr<Entity> const& parent) {
  parent_ = parent.ptr();
  handleParent(parent);
}

XelAttr const* Entity::parentAttr() const {
  return nullptr;
}

AttributeId Entity::parentAttrId() const {
  return parentAttrId_;
}

void Entity::parentAttrIdIs(AttributeId id) {
  parentAttrId_ = id;
}

String8 Entity::uriPath() const {
  return String8("/") + fullName();
}

String8 Entity::fullName() const {
  String8 const own = name();
  if (!parent_) return own;
  return parent_->fullName() + String8("/") + own;
}

String8 Entity::attributeString(AttributeId id) const {
  switch (id) {
    case fwkKeyId:
      return String8("fwkKey");
    case zeroReferencesId:
      return String8("zeroReferences");
    case xelHasAttrLogInterfaceId:
      return String8("xelHasAttrLogInterface");
    default:
      return String8();
  }
}

void Entity::xelNotifieeAdapterIs(Ptr<Entity const> const&) {}

void Entity::handleParent(Ptr<Entity> const&) {}

Entity::XelNboAttrLogSa const* Entity::xelNboAttrLogSa(Ptr<NboAttrLog::Out const> const&) const {
  return nullptr;
}

bool Entity::xelHasAttrLogInterface() const {
  return false;
}

Entity::XelNboAttrLogSa* Entity::xelNboAttrLogSa(Ptr<NboAttrLog::Out const> const&) {
  return nullptr;
}

Ptr<Entity::XelNboAttrLogSa> Entity::xelNboAttrLogSaForMsgChannel(
    Ptr<XelNboAttrLogSa> const&) const {
  return nullptr;
}

Ptr<Entity::XelNboAttrLogSa> Entity::xelNboAttrLogSaIs(Xel_BitSet, unsigned int,
                                                       Ptr<NboAttrLog::Out> const&, PtrInterface*) {
  throwRangeException(String8("no attribute-log adapter for entity '") + fullName() + String8("'"));
}

void Entity::xelNboAttrLogSaDel(Ptr<NboAttrLog::Out const> const&) {}

String8 Entity::NotifieeConst::name() const {
  Entity const* watched = notifier();
  return watched ? watched->name() : String8();
}

void Entity::NotifieeConst::notifierIs(Ptr<PtrInterface const> const& p) {
  PtrInterface::NotifieeConst::notifierIs(
      Ptr<PtrInterface const>(dynamic_cast<Entity const*>(p.ptr())));
}

void Entity::NotifieeConst::onParent() {}

void Entity::NotifieeConst::onVersion() {}

Entity::NotifieeConst::~NotifieeConst() = default;

Entity::Notifiee::~Notifiee() = default;

}  // namespace Xel
