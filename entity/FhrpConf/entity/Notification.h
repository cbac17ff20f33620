// The notification protocol every entity shares: ordering of notifiee lists,
// delivery of a change to a snapshot of the list, and the setter protocol.
//
// Meant only for the entity layer and the generated entity classes.
//
// DELIVERY
//   A change is delivered to the notifiees registered when it was made, in
//   list order, each at most once. Before the first call the list is copied
//   into a snapshot that holds one reference to each member, so handlers may
//   register, unregister, pause or release notifiees and change the entity
//   again while the delivery runs:
//     - a notifiee that joins during the delivery is not called for it;
//     - a notifiee whose only remaining owner is the snapshot when its turn
//       comes is skipped: everyone else has let go of it;
//     - a handler's exception goes to that notifiee's
//       onNotificationException(id) and delivery goes on; an exception from
//       onNotificationException leaves the delivery (the change stays made);
//     - a change made by a handler runs its own complete delivery before the
//       outer one continues.
//
// COST
//   A change on an entity without notifiees allocates nothing. With up to
//   eight notifiees the snapshot lives on the stack; beyond that it takes
//   one allocation, sized to the list.
#pragma once

#include <Xel/Expect.h>
#include <Xel/ListRaw.h>
#include <Xel/Notifiee.h>
#include <Xel/StreamAdapter.h>

#include <memory>
#include <type_traits>

#include "FhrpConf/entity/EntityAccess.h"

namespace Routing::Fhrp::entity {

using NotifieeBase = Xel::PtrInterface::NotifieeConst;
using NotifieeList = Xel::ListRaw<NotifieeBase>;

// Links `n` into `list`: stream adapters at the head (the one linked last
// comes first), every other notifiee at the tail.
inline void join(NotifieeList& list, NotifieeBase* n) {
  if (n->isStreamAdapter()) {
    list.pushFront(n);
  } else {
    list.pushBack(n);
  }
}

namespace internal {

// The references a delivery still holds: released on every way out.
template <class N>
struct SnapshotTail {
  N** items;
  Xel::U32 pos;
  Xel::U32 size;
  ~SnapshotTail() {
    while (pos < size) items[pos++]->referencesDec();
  }
};

// One handler call under its guard; a failure goes to the notifiee.
template <class N, class Call>
inline void callGuarded(N& n, Xel::AttributeId id, Call const& call) {
  try {
    Xel::Expect expect(0);
    call(n);
  } catch (...) {
    n.onNotificationException(id);
  }
}

}  // namespace internal

inline constexpr Xel::U32 inlineSnapshotCapacity = 8;

// Calls `call(n)` for each notifiee `n` of `list` (all of type N), following
// the rules above; `id` is the attribute reported on a handler's failure.
template <class N, class Call>
void deliver(NotifieeList const& list, Xel::AttributeId id, Call const& call) {
  Xel::U32 const count = list.members();
  if (count == 1) {
    // The common case, without the loops: one reference held, one call.
    N* only = static_cast<N*>(list.head());
    only->referencesInc();
    internal::SnapshotTail<N> held{&only, 0, 1};
    internal::callGuarded(*only, id, call);
    return;
  }
  N* onStack[inlineSnapshotCapacity];
  std::unique_ptr<N*[]> onHeap;
  N** items = onStack;
  if (count > inlineSnapshotCapacity) {
    onHeap.reset(new N*[count]);
    items = onHeap.get();
  }
  internal::SnapshotTail<N> held{items, 0, 0};
  for (NotifieeBase* m = list.head(); m; m = m->next()) {
    m->referencesInc();
    items[held.size++] = static_cast<N*>(m);
  }
  for (; held.pos < held.size; ++held.pos) {
    N* const current = items[held.pos];
    // Right after the previous notifiee's release: if the snapshot is all
    // that still holds this one, it is skipped. (The first is always
    // called: nothing has run yet that could have let it go.)
    if (held.pos > 0 && current->references() == 1) {
      current->referencesDec();
      continue;
    }
    internal::callGuarded(*current, id, call);
    current->referencesDec();
  }
}

namespace internal {

template <class Handler>
struct HandlerOf;
template <class N>
struct HandlerOf<void (N::*)()> {
  using Notifiee = N;
};

}  // namespace internal

// The delivery of a change, kept out of line: the setters' inline path is a
// compare, a store and a count. One instance per handler, so that each call
// goes straight to the handler's slot in the notifiee's virtual table.
template <auto handler>
[[gnu::noinline]] void deliverChange(NotifieeList const& list, Xel::AttributeId id) {
  using N = typename internal::HandlerOf<decltype(handler)>::Notifiee;
  deliver<N>(list, id, [](N& n) { (n.*handler)(); });
}

// The setter protocol: an equal value changes nothing; a new one is stored,
// raises the entity's change counter and is delivered as `handler`.
// `handler` may belong to a base of the type's notifiee (a member that takes
// over a framework handler, such as onVersion).
template <auto handler, class V>
inline void setAttribute(Xel::Entity& e, V& field, std::type_identity_t<V> const& value,
                         NotifieeList const& list, Xel::AttributeId id) {
  if (field == value) return;
  field = value;
  Xel::EntityAccess::changeCountInc(e);
  if (!list.empty()) deliverChange<handler>(list, id);
}

// Delivers onZeroReferences() with the framework's id 5, as every entity's
// zeroReferencesIs does.
template <class N>
void deliverZeroReferences(NotifieeList const& list) {
  if (list.empty()) return;
  deliver<N>(list, Xel::Entity::zeroReferencesId, [](N& n) { n.onZeroReferences(); });
}

// For an entity's destructor: unlinks every notifiee still in the list. A
// notifiee still in the list at that point is a weak one (a counted one
// would have kept the entity alive); it keeps its notifier field but is
// marked (bit 31) so that its own destructor does not reach back into the
// entity that is going away.
// WARNING: such a notifiee must not use notifier() any more.
inline void unlinkAllOnDestruction(NotifieeList& list) noexcept {
  for (NotifieeBase* m = list.head(); m; m = m->next()) m->xelMarkedForDeletionIs(true);
  list.unlinkAll();
}

// What T::NotifieeConst does on top of the framework's notifiee: keep itself
// in the list of the T it watches. T offers `NotifieeList& xelNotifiees()
// const`.
template <class T>
struct Observed {
  using Notifiee = typename T::NotifieeConst;

  static T const* watched(Notifiee const& self) {
    return static_cast<T const*>(self.Xel::Entity::NotifieeConst::notifier());
  }

  // Binds to `p` if it is a T (anything else unbinds), moving the
  // notifiee from the old notifier's list to the new one's when registered.
  static void notifierIs(Notifiee& self, Xel::Ptr<Xel::PtrInterface const> const& p) {
    T const* const next = dynamic_cast<T const*>(p.ptr());
    T const* const previous = watched(self);
    if (next == previous) return;
    Xel::Ptr<T const> const keepAlive(previous);
    self.Xel::Entity::NotifieeConst::notifierIs(Xel::Ptr<Xel::PtrInterface const>(next));
    if (!self.isRegisteredNotifiee()) return;
    if (previous) previous->xelNotifiees().remove(&self);
    if (next) join(next->xelNotifiees(), &self);
  }

  // Binds an unbound notifiee to `entity`, known to be a T, and registers
  // it: notifierIs and isRegisteredNotifieeIs(true) without the casts a
  // notifier of unknown type needs.
  static void bindRegistered(Notifiee& self, T const* entity) {
    self.Xel::PtrInterface::NotifieeConst::notifierIs(Xel::Ptr<Xel::PtrInterface const>(entity));
    self.Xel::PtrInterface::NotifieeConst::isRegisteredNotifieeIs(true);
    join(entity->xelNotifiees(), &self);
  }

  static void isRegisteredNotifieeIs(Notifiee const& self, bool registered) {
    if (registered == self.isRegisteredNotifiee()) return;
    self.Xel::Entity::NotifieeConst::isRegisteredNotifieeIs(registered);
    T const* const notifier = watched(self);
    if (!notifier) return;
    auto* const member = const_cast<Notifiee*>(&self);
    if (registered) {
      join(notifier->xelNotifiees(), member);
    } else {
      notifier->xelNotifiees().remove(member);
    }
  }

  // For the notifiee's destructor: leave the list unless the framework has
  // marked the notifiee for deletion.
  static void leave(Notifiee& self) {
    // A marked notifiee's notifier may be gone: do not even look at it.
    if (!self.isRegisteredNotifiee() || self.xelMarkedForDeletion()) return;
    if (T const* const notifier = watched(self)) notifier->xelNotifiees().remove(&self);
  }
};

}  // namespace Routing::Fhrp::entity
