#include "Xel/Activity.h"

#include <algorithm>
#include <utility>

namespace Xel {

ActivityConfig::~ActivityConfig() = default;

bool ActivityConfig::pendingIs(PtrInterface::NotifieeConst* n, AttributeId id) {
  if (running_ && running_->notifiee.ptr() == n) return false;
  auto const found = std::find_if(waiting_.begin(), waiting_.end(),
                                  [n](Waiting const& w) { return w.notifiee.ptr() == n; });
  if (found == waiting_.end()) {
    waiting_.push_back({n, id});
  } else if (found->id != id && found->id != notifierChanged) {
    found->id = id == notifierChanged ? notifierChanged : allAttributes;
  }
  return true;
}

void ActivityConfig::runPending() {
  std::vector<Waiting> const run = std::exchange(waiting_, {});
  for (Waiting const& w : run) {
    // Everyone else has let go of it: no one is left to tell.
    if (w.notifiee->references() == 1) continue;
    running_ = &w;
    try {
      w.notifiee->handleNotification(this);
    } catch (...) {
      // As in a delivery: the others still hear what they waited for.
      running_ = nullptr;
      w.notifiee->onNotificationException();
    }
    running_ = nullptr;
  }
}

}  // namespace Xel
