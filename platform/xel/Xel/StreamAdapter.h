// StreamAdapter: the base of objects that carry an entity's changes onto a
// stream (the attribute log's adapters).
//
// A notifiee whose reactor (xelReactor()) is a stream adapter joins its
// notifier's list at the head, ahead of every ordinary observer, so that a
// change reaches the stream before any observer can react to it and change
// the entity again.
#pragma once

#include "Xel/Export.h"
#include "Xel/PtrInterface.h"

namespace Xel {

class XEL_EXPORT StreamAdapter : public PtrInterface {
 public:
  ~StreamAdapter() override;

 protected:
  StreamAdapter() noexcept = default;
};

// Whether a notifiee with this reactor belongs at the head of a list.
inline bool isStreamAdapter(PtrInterface const* reactor) noexcept {
  return dynamic_cast<StreamAdapter const*>(reactor) != nullptr;
}

}  // namespace Xel
