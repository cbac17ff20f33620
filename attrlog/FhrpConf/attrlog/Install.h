// One adapter per log on each entity: installing, finding and removing it,
// and the nested notifiee that brings the entity's changes to it.
//
// Meant for generated entity classes, whose attribute-log hooks are one
// line each over these.
//
// OVERVIEW
//   An entity finds its adapters among its notifiees: an adapter's nested
//   notifiee, registered on the entity, names the adapter as its reactor,
//   which puts it at the head of the entity's list. Installing an adapter
//   for a log that already has one of the same type returns it (with the
//   new notification flags); one of another type is replaced. A new
//   adapter goes onto the log's demultiplexer with a new entity id and owes
//   the log the entity's full state, announced by an entity-creation record.
//
//   An adapter that a parent's adapter installed for its child leaves the
//   log when the child leaves its parent (parentLeft, from the entity's
//   handleParent); so do the adapters of the child's own children.
#pragma once

#include <FhrpConf/Export.h>
#include <FhrpConf/attrlog/Adapter.h>
#include <FhrpConf/entity/Notification.h>
#include <Xel/Demuxer.h>
#include <Xel/Exception.h>
#include <Xel/Ptr.h>

namespace Routing::Fhrp::attrlog {

// The adapter among the notifiees of `list` for `out`, or null: the one on
// `out`, or one going by an id several logs share (odd) under which `out`'s
// demultiplexer holds it. With no `out`: an adapter going by a shared id on
// a connected log.
FHRPCONF_EXPORT Xel::Entity::XelNboAttrLogSa* adapterFor(entity::NotifieeList const& list,
                                                         Xel::NboAttrLog::Out const* out);
// Another adapter among the notifiees of `list`, on a connected log, that
// serves the entity on the same message channel as `other`: one the peer
// announced under the same shared id. Null if none does.
FHRPCONF_EXPORT Xel::Ptr<Xel::Entity::XelNboAttrLogSa> adapterForMsgChannel(
    entity::NotifieeList const& list, Xel::Entity::XelNboAttrLogSa const* other);
// Puts a new adapter onto its log: notification on, an entity id, and the
// full state due.
FHRPCONF_EXPORT Xel::Ptr<Xel::Entity::XelNboAttrLogSa> adapterMount(Xel::Ptr<Adapter> const& sa);
// Takes the adapter for `out`, if any, off its log.
FHRPCONF_EXPORT void adapterDel(entity::NotifieeList const& list, Xel::NboAttrLog::Out const* out);
// The entity left its parent: the adapters a parent installed for it leave
// their logs.
FHRPCONF_EXPORT void parentLeft(entity::NotifieeList const& list);
// The entity is being destroyed: the adapters still on it (weak ones, which
// do not hold it) leave their logs.
FHRPCONF_EXPORT void entityGone(entity::NotifieeList const& list);

// Installs (or returns) `entity`'s adapter of class SA for `out`.
template <class SA, class T>
Xel::Ptr<Xel::Entity::XelNboAttrLogSa> adapterIs(T& entity, Xel_BitSet flags, unsigned int n,
                                                 Xel::Ptr<Xel::NboAttrLog::Out> const& out,
                                                 Xel::PtrInterface* owner) {
  if (!out) Xel::throwRangeException("null ValidPtr");
  if (Xel::Entity::XelNboAttrLogSa* present = adapterFor(entity.xelNotifiees(), out.ptr())) {
    if (auto* same = dynamic_cast<SA*>(present)) {
      Xel::U32 const mask = Xel_BitSet::notificationBitMask();
      if ((same->notificationFlags().value() & mask) != (flags.value() & mask)) {
        same->notificationFlagsIs(flags);
      }
      return Xel::Ptr<Xel::Entity::XelNboAttrLogSa>(same);
    }
    present->doRemountSelf(nullptr);
  }
  if (!Xel::NboAttrLog::Demuxer::demuxerFor(out.ptr())) {
    Xel::throwRangeException("NboAttrLog::Out has no demultiplexer");
  }
  return adapterMount(Xel::Ptr<Adapter>(new SA(flags, &entity, n, out, owner)));
}

// The nested notifiee XelNboAttrLogSaAdapter_ of an entity type T with
// adapter SA: registered on the entity without holding it, with the
// adapter as its reactor. The generated class adds one forwarding handler
// per attribute.
template <class T, class SA>
class AdapterNotifiee : public T::Notifiee, public AdapterLink {
 public:
  AdapterNotifiee(T* entity, SA* sa) : AdapterLink(sa) {
    entity::Observed<T>::bindRegistered(*this, entity);
    this->isWeakReferenceIs(true);
  }

  // The adapter, or null once it has gone or while notification is paused.
  SA* adapter() const noexcept {
    return this->hasNotificationActive() ? static_cast<SA*>(xelReactorAdapter()) : nullptr;
  }

  // Paused, the notifiee stays in the entity's list, where the entity finds
  // its adapters: it only stops bringing changes. (Out of the list, a
  // paused adapter would be installed twice, and not taken off the log
  // with its child.)
  void hasNotificationActiveIs(bool active) override {
    Xel::PtrInterface::hasNotificationActiveIs(active);
  }

  using T::Notifiee::onNotificationException;
  Xel::PtrInterface const* xelReactor() const override { return xelReactorAdapter(); }
  bool isStreamAdapter() const override { return xelReactorAdapter() != nullptr; }
  Xel::PtrInterface const* xelRawReactor() const override { return xelReactorAdapter(); }
  void onNotificationException(Xel::AttributeId id) override {
    if (SA* sa = adapter()) sa->onNotificationException(id);
  }
  void onZeroReferences() override {
    if (SA* sa = adapter()) sa->onZeroReferences();
    this->hasNotificationActiveIs(false);
  }
};

}  // namespace Routing::Fhrp::attrlog
