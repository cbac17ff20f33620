#include "Xel/MsgChannel.h"

namespace Xel::MsgChannel {

namespace {
thread_local Constrainer* current = nullptr;
}  // namespace

Constrainer::XelEntry* Constrainer::entry(EntityId id) noexcept {
  auto const it = entries_.find(id);
  return it == entries_.end() ? nullptr : &it->second;
}

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
