#include "Xel/MsgChannel.h"

namespace Xel::MsgChannel {

namespace {
// Initial-exec: no call to find the variable, read for every record.
__attribute__((tls_model("initial-exec"))) thread_local Constrainer* current = nullptr;
}  // namespace

Constrainer* constrainer() noexcept {
  return current;
}

ConstrainerScope::ConstrainerScope(Constrainer* c) noexcept : saved_(current) {
  current = c;
}

ConstrainerScope::~ConstrainerScope() {
  current = saved_;
}

DeserializingEidAnchor::DeserializingEidAnchor(EntityId id, Entity* parent) noexcept
    : c_(constrainer()) {
  if (!c_) return;
  savedId_ = c_->deserializingEid();
  savedParent_ = c_->deserializingInParent();
  c_->deserializingEidIs(id);
  c_->deserializingInParentIs(parent);
}

DeserializingEidAnchor::~DeserializingEidAnchor() {
  if (!c_) return;
  c_->deserializingEidIs(savedId_);
  c_->deserializingInParentIs(savedParent_);
}

}  // namespace Xel::MsgChannel
