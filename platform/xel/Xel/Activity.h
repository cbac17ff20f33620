// ActivityConfig: deferred delivery of changes to notifiees.
//
// OVERVIEW
//   A notifiee attached to an activity (its actsm() returns it) does not
//   run its handlers as changes happen. Each change is recorded against the
//   notifiee instead, and the activity's owner, typically a program's
//   event loop, later calls runPending(), which hands every waiting
//   notifiee to its handleNotification(activity). There the notifiee asks
//   pendingAttribute() what changed:
//
//     an attribute id   that one attribute changed, once or more often
//     allAttributes     several attributes changed
//     notifierChanged   the notifiee now watches another object: all of
//                       it is new
//
//   So a burst of changes costs a waiting notifiee one delivery, and a
//   handler always reads the latest state.
//
// OWNERSHIP
//   The activity holds a counted reference to each waiting notifiee until
//   its turn. A notifiee that everyone else has let go of by then is
//   skipped, as a delivery skips one (see the entity layer). Notifiees
//   keep a plain pointer to their activity: it must outlive them, or they
//   must be detached from it first.
//
// THREAD SAFETY
//   An activity belongs to the thread that runs it, as do its notifiees.
#pragma once

#include <vector>

#include "Xel/Export.h"
#include "Xel/Notifiee.h"
#include "Xel/Ptr.h"
#include "Xel/Types.h"

namespace Xel {

class XEL_EXPORT ActivityConfig {
 public:
  static constexpr AttributeId allAttributes = static_cast<AttributeId>(-1);
  static constexpr AttributeId notifierChanged = static_cast<AttributeId>(-2);

  ActivityConfig() = default;
  ActivityConfig(ActivityConfig const&) = delete;
  ActivityConfig& operator=(ActivityConfig const&) = delete;
  ~ActivityConfig();

  // Records that `id` changed for `n`; false when `n` is the notifiee this
  // activity is running now, which hears its changes at once.
  bool pendingIs(PtrInterface::NotifieeConst* n, AttributeId id);
  // Delivers to every notifiee waiting now, in the order they began to
  // wait; changes made meanwhile wait for the next run.
  void runPending();
  // What changed for the notifiee being run.
  AttributeId pendingAttribute() const noexcept { return running_ ? running_->id : 0; }
  std::size_t waiting() const noexcept { return waiting_.size(); }

 private:
  struct Waiting {
    Ptr<PtrInterface::NotifieeConst> notifiee;
    AttributeId id;
  };
  std::vector<Waiting> waiting_;
  Waiting const* running_ = nullptr;
};

}  // namespace Xel
