// PtrInterface::NotifieeConst: the base of every observer (notifiee).
//
// OVERVIEW
//   A notifiee watches at most one object, its notifier, and is called back
//   when that object changes. Binding (notifierIs) and registration
//   (isRegisteredNotifieeIs) are separate: a notifiee receives changes only
//   while it is both bound and registered, and while notification is active
//   (hasNotificationActiveIs). The notifier keeps its registered notifiees in
//   an intrusive list threaded through next(); that list is declared by each
//   observable type, which also overrides isRegisteredNotifieeIs and
//   notifierIs to link and unlink.
//
// OWNERSHIP
//   A notifiee holds one counted reference to its notifier unless it is a
//   weak reference (isWeakReferenceIs(true)). The notifier's list holds no
//   reference to its notifiees.
//
// RE-ENTRANCY
//   Handlers may register, unregister, pause, resume or release notifiees and
//   change the notifier again; delivery works on a snapshot (see the entity
//   layer) so the list may change under it.
//
// THREAD SAFETY
//   A notifiee and its notifier are used from one thread at a time.
#pragma once

#include "Xel/BitSet.h"
#include "Xel/Export.h"
#include "Xel/PtrInterface.h"

namespace Xel {

class XEL_EXPORT PtrInterface::NotifieeConst : public PtrInterface {
 public:
  // Bit of the flag word that remembers, while notification is paused,
  // whether the notifiee was registered.
  static constexpr int registeredWhilePausedBit = 19;
  // The flag word of a new notifiee.
  static constexpr unsigned int initialFlags = 0x04000000u;

  PtrInterface const* notifier() const noexcept { return notifier_; }
  bool isWeakReference() const noexcept { return isWeakReference_; }
  bool isRegisteredNotifiee() const noexcept { return isRegisteredNotifiee_; }
  Xel_BitSet xel_bitSet() const noexcept { return flags_; }

  // Whether the notifiee holds a counted reference to its notifier. Turning
  // it on releases the reference now held.
  // WARNING: if that was the notifier's last reference the notifier dies and
  // the notifiee is left pointing at it; weak notifiees rely on another owner.
  void isWeakReferenceIs(bool weak);

  // The notifier list's link. Only the notifier's ListRaw writes it.
  NotifieeConst* next() const noexcept { return next_; }
  void nextIs(NotifieeConst* n) noexcept { next_ = n; }

  // Pausing (false) takes the notifiee out of its notifier's list and
  // remembers whether it was registered; resuming (true) puts it back if it
  // was. A paused notifiee receives nothing.
  void hasNotificationActiveIs(bool active) override;

  // The object whose kind decides the notifiee's place in a list: stream
  // adapters go to the head, everything else to the tail.
  virtual PtrInterface const* xelReactor() const;
  virtual PtrInterface const* xelRawReactor() const;
  // Whether the notifiee stands for a stream adapter: its reactor is one.
  // The base finds out by the reactor's dynamic type; a notifiee that knows
  // answers without a cast.
  virtual bool isStreamAdapter() const;
  // Enter (true) or leave (false) the notifier's list, keeping the notifier.
  // The base only records the wish; observable types link and unlink.
  virtual void isRegisteredNotifieeIs(bool registered) const;
  virtual void xel_bitSetIs(Xel_BitSet flags);
  // The notifier's name, or the empty string without a notifier.
  virtual String8 name() const;
  // Start watching `p` (or stop, with an empty pointer), moving the counted
  // reference from the old notifier to the new one.
  virtual void notifierIs(Ptr<PtrInterface const> const& p);
  virtual void handleNotification(ActivityConfig* activity);
  virtual void handleDefault(ActivityConfig* activity, AttributeId id, bool immediate);
  virtual void onAttribute(AttributeId id);
  virtual void onNotification();
  virtual void onCollectionNotification(String8 key);
  // Called, inside the catch block, when one of this notifiee's handlers
  // threw. Delivery goes on with the next notifiee; an exception thrown from
  // here leaves the delivery and reaches the code that made the change.
  virtual void onNotificationException();
  virtual void onNotificationException(AttributeId id);
  // The framework's own reaction to a failed handler: a line on stderr
  // naming the notifier, the attribute id and the exception.
  virtual void handleNotificationException(AttributeId id);
  virtual void handleNotificationException();
  virtual void onZeroReferences();
  // A zombie (true) is a notifiee whose work is over while its notifier
  // lives on: it hears nothing more, until told otherwise (false). The base
  // pauses (or resumes) its notification; its place in the notifier's list
  // is the list's to keep.
  virtual void xelDoZombieReactors(bool zombie);
  // Whether a change of attribute `id` is deferred rather than handled now:
  // true when the notifiee has an activity (actsm()) and `immediate` is
  // false, in which case the activity records it (Xel/Activity.h).
  bool xelOnAttribute(AttributeId id, bool immediate);
  virtual Activity* activityPtr() const;
  virtual Activity* xelFwkActivity();
  virtual Activity const* xelFwkActivity() const;
  virtual ActivityConfig* actsm();

  ~NotifieeConst() override;

 protected:
  NotifieeConst() noexcept;

  // For observable types: forget the notifier without touching counts, as
  // when the notifier itself is being destroyed.
  void notifierForgetIs() noexcept { notifier_ = nullptr; }

 private:
  void reportNotificationException(AttributeId const* id) const;

  Xel_BitSet flags_{initialFlags};
  U32 fwkWord_ = 0;
  PtrInterface const* notifier_ = nullptr;
  bool isWeakReference_ = false;
  mutable bool isRegisteredNotifiee_ = false;
  NotifieeConst* next_ = nullptr;
};

// An observer that may change what it watches.
class XEL_EXPORT PtrInterface::Notifiee : public PtrInterface::NotifieeConst {
 public:
  ~Notifiee() override;
};

}  // namespace Xel
