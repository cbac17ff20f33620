#include "Xel/Notifiee.h"

#include "Xel/Activity.h"
#include "Xel/StreamAdapter.h"

#include <cstdio>
#include <exception>

namespace Xel {

PtrInterface::NotifieeConst::NotifieeConst() noexcept : PtrInterface(notificationActiveBit) {}

PtrInterface::NotifieeConst::~NotifieeConst() {
  if (notifier_ && !isWeakReference_) notifier_->referencesDec();
}

PtrInterface::Notifiee::~Notifiee() = default;

void PtrInterface::NotifieeConst::isWeakReferenceIs(bool weak) {
  if (weak == isWeakReference_) return;
  isWeakReference_ = weak;
  if (!notifier_) return;
  if (weak) {
    notifier_->referencesDec();
  } else {
    notifier_->referencesInc();
  }
}

void PtrInterface::NotifieeConst::hasNotificationActiveIs(bool active) {
  if (active == hasNotificationActive()) return;
  if (!active) {
    PtrInterface::hasNotificationActiveIs(false);
    flags_.set(registeredWhilePausedBit, isRegisteredNotifiee_);
    isRegisteredNotifieeIs(false);
  } else {
    PtrInterface::hasNotificationActiveIs(true);
    if (flags_.test(registeredWhilePausedBit)) isRegisteredNotifieeIs(true);
  }
}

PtrInterface const* PtrInterface::NotifieeConst::xelReactor() const {
  return this;
}

PtrInterface const* PtrInterface::NotifieeConst::xelRawReactor() const {
  return xelReactor();
}

bool PtrInterface::NotifieeConst::isStreamAdapter() const {
  return Xel::isStreamAdapter(xelReactor());
}

void PtrInterface::NotifieeConst::isRegisteredNotifieeIs(bool registered) const {
  isRegisteredNotifiee_ = registered;
}

void PtrInterface::NotifieeConst::xel_bitSetIs(Xel_BitSet flags) {
  flags_.notificationFlagsIs(flags);
}

String8 PtrInterface::NotifieeConst::name() const {
  return String8();
}

void PtrInterface::NotifieeConst::notifierIs(Ptr<PtrInterface const> const& p) {
  PtrInterface const* next = p.ptr();
  if (next == notifier_) return;
  // The old notifier may be kept alive only by this notifiee; it must
  // outlive the switch, so it is released last.
  PtrInterface const* previous = notifier_;
  if (!isWeakReference_ && next) next->referencesInc();
  notifier_ = next;
  if (!isWeakReference_ && previous) previous->referencesDec();
}

void PtrInterface::NotifieeConst::handleNotification(ActivityConfig*) {
  onNotification();
}

void PtrInterface::NotifieeConst::handleDefault(ActivityConfig*, AttributeId id, bool) {
  onAttribute(id);
}

void PtrInterface::NotifieeConst::onAttribute(AttributeId) {}

void PtrInterface::NotifieeConst::onNotification() {}

void PtrInterface::NotifieeConst::onCollectionNotification(String8) {}

void PtrInterface::NotifieeConst::onNotificationException() {
  handleNotificationException();
}

void PtrInterface::NotifieeConst::onNotificationException(AttributeId id) {
  handleNotificationException(id);
}

void PtrInterface::NotifieeConst::handleNotificationException(AttributeId id) {
  reportNotificationException(&id);
}

void PtrInterface::NotifieeConst::handleNotificationException() {
  reportNotificationException(nullptr);
}

void PtrInterface::NotifieeConst::reportNotificationException(AttributeId const* id) const {
  // A handler's failure must not stop delivery to the others, but it must
  // not vanish either: a daemon's log is where an operator will look.
  char const* what = "unknown exception";
  try {
    if (std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
  } catch (std::exception const& e) {
    what = e.what();
  } catch (...) {
  }
  String8 const watched = name();
  if (id) {
    std::fprintf(stderr, "Xel: notification handler for '%s' failed on attribute %u: %s\n",
                 watched.c_str(), *id, what);
  } else {
    std::fprintf(stderr, "Xel: notification handler for '%s' failed: %s\n", watched.c_str(), what);
  }
}

void PtrInterface::NotifieeConst::onZeroReferences() {}

void PtrInterface::NotifieeConst::xelDoZombieReactors(bool zombie) {
  hasNotificationActiveIs(!zombie);
}

bool PtrInterface::NotifieeConst::xelOnAttribute(AttributeId id, bool immediate) {
  ActivityConfig* const activity = immediate ? nullptr : actsm();
  return activity && activity->pendingIs(this, id);
}

Activity* PtrInterface::NotifieeConst::activityPtr() const {
  return nullptr;
}

Activity* PtrInterface::NotifieeConst::xelFwkActivity() {
  return nullptr;
}

Activity const* PtrInterface::NotifieeConst::xelFwkActivity() const {
  return nullptr;
}

ActivityConfig* PtrInterface::NotifieeConst::actsm() {
  return nullptr;
}

}  // namespace Xel
