#include "Xel/Demuxer.h"

#include <utility>

#include "Xel/Assert.h"
#include "Xel/Exception.h"

namespace Xel::NboAttrLog {

Ptr<Demuxer> Demuxer::demuxerNew(Ptr<Out> const& out) {
  if (!out) throwRangeException("null ValidPtr");
  if (out->demuxer_) throwRangeException("NboAttrLog::Out already has a demultiplexer");
  return Ptr<Demuxer>(new Demuxer(out));
}

Demuxer::Demuxer(Ptr<Out> const& out) : out_(out) {
  out_->demuxer_ = this;
}

Demuxer* Demuxer::demuxerFor(Out const* out) noexcept {
  return out ? out->demuxer_ : nullptr;
}

Demuxer::~Demuxer() {
  // Every adapter is off the log before any is released: a release may
  // destroy an entity whose children's adapters would come back here.
  auto reactors = std::exchange(reactors_, {});
  for (auto& entry : reactors) takeOff(*entry.second);
  queue_.clear();
  out_->demuxer_ = nullptr;
}

EntityId Demuxer::entityIdNew() noexcept {
  EntityId const id{nextId_, 0};
  nextId_ += 2;
  return id;
}

StreamAdapter* Demuxer::reactor(EntityId id) const noexcept {
  auto const it = reactors_.find(id);
  return it == reactors_.end() ? nullptr : it->second.ptr();
}

void Demuxer::reactorIs(StreamAdapter* sa) {
  XEL_ASSERT(sa->out_.ptr() == out_.ptr());
  if (sa->entityId_ == EntityId{}) sa->entityId_ = entityIdNew();
  sa->demuxer_ = this;
  reactors_[sa->entityId_] = sa;
}

void Demuxer::reactorDel(EntityId id) {
  auto const it = reactors_.find(id);
  if (it == reactors_.end()) return;
  Ptr<StreamAdapter> const sa = std::move(it->second);
  reactors_.erase(it);
  takeOff(*sa);
}

void Demuxer::takeOff(StreamAdapter& sa) noexcept {
  // A queued adapter stays in the queue until a run passes it by.
  sa.flowOut_ = nullptr;
  sa.demuxer_ = nullptr;
  sa.out_ = nullptr;
}

FlowOut* Demuxer::createFlowOut(StreamAdapter* sa, ConnectDesc const& desc, bool resync,
                                AttributeId start) {
  if (!sa->flowOut_) sa->flowOut_ = sa->flowOutIs(out_, desc, resync, start);
  if (!sa->queued_) {
    queue_.push_back(sa);
    sa->queued_ = true;
  }
  return sa->flowOut_.ptr();
}

bool Demuxer::continueFlowOut() noexcept {
  if (budget_ == 0 || !out_->hasSufficientBuffer()) return false;
  if (budget_ != unlimitedBudget) --budget_;
  return true;
}

bool Demuxer::flowOutRun(U32 budget) {
  budget_ = budget;
  while (!queue_.empty()) {
    if (!out_->hasSufficientBuffer()) return false;
    Ptr<StreamAdapter> const sa = queue_.front();
    if (sa->demuxer_ == this && sa->flowOut_ && !flowOutRun(*sa)) return false;
    // Adapters queued during the flush went to the back: the front is `sa`.
    queue_.pop_front();
    sa->queued_ = false;
  }
  return true;
}

bool Demuxer::flowOutRun(StreamAdapter& sa) {
  for (;;) {
    U64 const before = out_->bytesCompleted();
    AttributeId aid = sa.flowOut_->attrId();
    bool const wholePass = aid == 0;
    do {
      aid = sa.handleAttrFlowOut(aid);
      FlowOut* const fo = sa.flowOut_.ptr();
      if (!fo) return true;  // the adapter left the log during its flush
      if (fo->blocked() || (aid != 0 && (budget_ == 0 || !out_->hasSufficientBuffer()))) {
        fo->attrIdIs(aid);
        return false;
      }
    } while (aid != 0);
    FlowOut* const fo = sa.flowOut_.ptr();
    if (!fo->hasDirtyAttributes()) {
      sa.flowOut_ = nullptr;
      return true;
    }
    // Something before the point the pass started from came due meanwhile:
    // another pass from the start, unless a whole pass could write nothing
    // (what is due waits for more room).
    fo->attrIdIs(0);
    if ((wholePass && out_->bytesCompleted() == before) || budget_ == 0 ||
        !out_->hasSufficientBuffer()) {
      return false;
    }
  }
}

}  // namespace Xel::NboAttrLog
