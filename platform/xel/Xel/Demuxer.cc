#include "Xel/Demuxer.h"

#include <algorithm>
#include <utility>

#include "Xel/Assert.h"
#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace Xel::NboAttrLog {

Ptr<Demuxer> Demuxer::demuxerNew(Ptr<Out> const& out) {
  if (!out) throwRangeException("null ValidPtr");
  if (out->demuxer_) throwRangeException("NboAttrLog::Out already has a demultiplexer");
  return Ptr<Demuxer>(new Demuxer(out));
}

Demuxer::Demuxer(Ptr<Out> const& out) : out_(out), dir_(Dir::dirNew()) {
  out_->demuxer_ = this;
  globalNboAttrLogDemuxerManager().demuxerIs(this);
}

Demuxer* Demuxer::demuxerFor(Out const* out) noexcept {
  return out ? out->demuxer_ : nullptr;
}

Demuxer::~Demuxer() {
  // Out of the manager first: a walk over all demultiplexers must not
  // find one on its way out.
  globalNboAttrLogDemuxerManager().demuxerDel(this);
  // Every adapter is off the log before any is released: a release may
  // destroy an entity whose children's adapters would come back here.
  auto dense = std::exchange(dense_, {});
  auto sparse = std::exchange(sparse_, {});
  for (auto& sa : dense) {
    if (sa) takeOff(*sa);
  }
  for (auto& entry : sparse) takeOff(*entry.second);
  queue_.clear();
  queuedDuringRun_.clear();
  out_->demuxer_ = nullptr;
}

EntityId Demuxer::entityIdNew() noexcept {
  idGiven_ = true;
  EntityId const id{nextId_, nextIdHigh_ | idSpace_};
  nextId_ += 2;
  // After 2^31 ids the count goes on in the second word: an id is never
  // given out twice, and (0, 0), no id, never at all.
  if (nextId_ < 2) {
    nextId_ = 2;
    ++nextIdHigh_;
  }
  return id;
}

std::size_t Demuxer::denseIndex(EntityId id) const noexcept {
  if (id.word1 != denseSpace_ || id.word0 % 2 != 0 || id.word0 / 2 < denseBase_) return SIZE_MAX;
  return id.word0 / 2 - denseBase_;
}

Ptr<StreamAdapter>* Demuxer::find(EntityId id) noexcept {
  std::size_t const i = denseIndex(id);
  if (i < dense_.size() && dense_[i]) return &dense_[i];
  if (sparse_.empty()) return nullptr;
  auto const it = sparse_.find(id);
  return it == sparse_.end() ? nullptr : &it->second;
}

StreamAdapter* Demuxer::reactor(EntityId id) const noexcept {
  Ptr<StreamAdapter>* const s = const_cast<Demuxer*>(this)->find(id);
  return s ? s->ptr() : nullptr;
}

void Demuxer::reactorIs(StreamAdapter* sa) {
  XEL_ASSERT(sa->out_.ptr() == out_.ptr());
  if (sa->entityId_ == EntityId{}) sa->entityId_ = entityIdNew();
  EntityId const id = sa->entityId_;
  if (Ptr<StreamAdapter>* const present = find(id)) {
    if (present->ptr() == sa) return;
    throwInternalException(
        format("NboAttrLog::Demuxer: entity id %u.%u is in use", id.word0, id.word1));
  }
  sa->demuxer_ = this;
  ++reactorCount_;
  // Dense: ids that follow the ones held closely, as the ids one side
  // gives out do. The vector stays in proportion to the adapters it holds,
  // whatever ids a peer sends (each a little past the end would otherwise
  // double it every time). It serves one run of ids in one space: the first
  // id an empty vector takes decides which, so that a reader's serves the
  // peer's ids and a writer's its own, wherever they start.
  if (dense_.empty()) {
    denseSpace_ = id.word1;
    denseBase_ = id.word0 / 2;
  }
  std::size_t const i = denseIndex(id);
  std::size_t const limit = 4 * (denseLive_ + 1) + 4096;
  if (i < limit) {
    if (i >= dense_.size()) dense_.resize(std::min(std::max(i + 1, dense_.size() * 2), limit));
    dense_[i] = sa;
    ++denseLive_;
  } else {
    sparse_[id] = sa;
  }
}

void Demuxer::reactorDel(EntityId id) {
  Ptr<StreamAdapter>* const s = find(id);
  if (!s) return;
  Ptr<StreamAdapter> const sa = std::move(*s);
  std::size_t const i = denseIndex(id);
  if (i < dense_.size() && s == &dense_[i]) {
    --denseLive_;
    denseShrink();
  } else {
    sparse_.erase(id);
  }
  --reactorCount_;
  takeOff(*sa);
}

void Demuxer::denseShrink() {
  // Ids are never given out twice, so churn leaves the vector ever longer
  // and ever emptier: once it is mostly empty, its few adapters move to the
  // hash map and new ids start a fresh vector.
  if (dense_.size() <= 4096 || denseLive_ * 8 >= dense_.size()) return;
  for (std::size_t i = 0; i < dense_.size(); ++i) {
    if (dense_[i])
      sparse_[EntityId{static_cast<U32>((denseBase_ + i) * 2), denseSpace_}] = std::move(dense_[i]);
  }
  dense_.clear();
  dense_.shrink_to_fit();
  denseLive_ = 0;  // the next id taken starts a fresh vector
}

void Demuxer::takeOff(StreamAdapter& sa) noexcept {
  // A queued adapter stays in the queue until a run passes it by.
  sa.flowOut_ = nullptr;
  sa.flowInLive_ = false;
  sa.flowIn_.clear();
  sa.flowInAttr_ = 0;
  sa.demuxer_ = nullptr;
  sa.out_ = nullptr;
  if (sa.queuedOn_ == this) sa.queuedOn_ = nullptr;
}

FlowOut* Demuxer::createFlowOut(StreamAdapter* sa, ConnectDesc const& desc, bool resync,
                                AttributeId start) {
  if (!sa->flowOut_) sa->flowOut_ = sa->flowOutIs(out_, desc, resync, start);
  if (sa->queuedOn_ != this) {
    if (running_) {
      queuedDuringRun_.push_back(sa);
    } else {
      queue_.push_back(sa);
    }
    sa->queuedOn_ = this;
  }
  return sa->flowOut_.ptr();
}

bool Demuxer::flowOutRun(U32 budget) {
  // A run started from inside a run (a transport's callback): the outer
  // one goes on with the queue.
  if (running_) return false;
  // Adapters queued by a flush go ahead, right behind the adapter that
  // queued them, on every way out.
  struct Running {
    Demuxer& d;
    explicit Running(Demuxer& demuxer) : d(demuxer) { d.running_ = true; }
    ~Running() {
      d.running_ = false;
      d.requeue();
    }
  } const running(*this);
  budget_ = budget;
  std::size_t stuck = 0;
  while (!queue_.empty()) {
    if (!out_->hasSufficientBuffer()) return false;
    Ptr<StreamAdapter> const sa = queue_.front();
    Outcome outcome = Outcome::done;
    if (sa->queuedOn_ == this && sa->flowOut_) {
      try {
        outcome = flowOutRun(*sa);
      } catch (...) {
        // The next run starts with the others (a failed log raises in all).
        rotate(sa);
        throw;
      }
    }
    switch (outcome) {
      case Outcome::done:
        queue_.pop_front();
        if (sa->queuedOn_ == this) sa->queuedOn_ = nullptr;
        stuck = 0;
        break;
      case Outcome::stopped:
        return false;
      case Outcome::stuck:
        // It can write nothing now (a text waiting for more room, an
        // adapter suspended with changes due): the others go first.
        rotate(sa);
        if (++stuck >= queue_.size()) return false;
        break;
    }
    requeue();
  }
  return true;
}

void Demuxer::rotate(Ptr<StreamAdapter> const& sa) {
  // What it queued while it ran goes ahead of it; it, to the back.
  queue_.pop_front();
  requeue();
  queue_.push_back(sa);
}

void Demuxer::requeue() {
  for (auto it = queuedDuringRun_.rbegin(); it != queuedDuringRun_.rend(); ++it) {
    queue_.push_front(std::move(*it));
  }
  queuedDuringRun_.clear();
}

void Demuxer::flowOutNested(StreamAdapter& sa) {
  if (running_ && sa.demuxer_ == this && sa.flowOut_ && out_->hasSufficientBuffer()) flowOutRun(sa);
}

Demuxer::Outcome Demuxer::flowOutRun(StreamAdapter& sa) {
  for (;;) {
    U64 const before = out_->bytesCompleted();
    AttributeId aid = sa.flowOut_->attrId();
    bool const wholePass = aid == 0;
    do {
      aid = sa.handleAttrFlowOut(aid);
      FlowOut* const fo = sa.flowOut_.ptr();
      if (!fo) return Outcome::done;  // the adapter left the log during its flush
      if (fo->blocked() || (aid != 0 && (budget_ == 0 || !out_->hasSufficientBuffer()))) {
        fo->attrIdIs(aid);
        return Outcome::stopped;
      }
    } while (aid != 0);
    FlowOut* const fo = sa.flowOut_.ptr();
    if (!fo->hasDirtyAttributes()) {
      sa.flowOut_ = nullptr;
      return Outcome::done;
    }
    // Something before the point the pass started from came due meanwhile:
    // another pass from the start, unless a whole pass could write nothing.
    fo->attrIdIs(0);
    if (budget_ == 0 || !out_->hasSufficientBuffer()) return Outcome::stopped;
    if (wholePass && out_->bytesCompleted() == before) return Outcome::stuck;
  }
}

}  // namespace Xel::NboAttrLog
