#include "Xel/FlowOut.h"

#include <algorithm>

namespace Xel::NboAttrLog {

Bookmark::~Bookmark() = default;

FlowOut::~FlowOut() = default;

void FlowOut::pendingAbortIs(AttributeId id) {
  if (std::find(pendingAborts_.begin(), pendingAborts_.end(), id) == pendingAborts_.end()) {
    pendingAborts_.push_back(id);
  }
}

void FlowOut::pendingAbortDel(AttributeId id) {
  std::erase(pendingAborts_, id);
}

bool FlowOut::hasDirtyAttributes() const {
  return orphanDue() || !pendingAborts_.empty();
}

}  // namespace Xel::NboAttrLog
