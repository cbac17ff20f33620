// MsgChannel: what a log's reader tells about the entities it creates.
//
// OVERVIEW
//   An entity that a peer announces on a log goes by the entity id the peer
//   gave it. The reader creates it through the model's ordinary operations
//   (a parent's virtualRouterConfigIs, a type's newEntity), which know
//   nothing of ids; the constrainer carries the id across. While a
//   DeserializingEidAnchor is in force, the constrainer of the log being
//   read says which id, and under which parent, the entity being created
//   goes by; the adapter installed for it on that log takes the id (once)
//   instead of a new one, and owes the log no full state: the peer has it.
//
//   Each entity the peer announced has an entry of the channel (its
//   adapter holds it), with the mode the reader last gave it: 1 once
//   announced, 3 once a sync-mode record arrived for it.
//
//   Each log's demultiplexer has a constrainer. constrainer() is the one of
//   the log whose records this thread is applying now, or null.
//
// THREAD SAFETY
//   A constrainer is used by the thread that drives its log; constrainer()
//   is per thread.
#pragma once

#include "Xel/EntityId.h"
#include "Xel/Export.h"
#include "Xel/Types.h"

namespace Xel {

class Entity;

namespace MsgChannel {

class XEL_EXPORT Constrainer {
 public:
  class XelEntry {
   public:
    U32 mode() const noexcept { return mode_; }
    void modeIs(U32 mode) noexcept { mode_ = mode; }

   private:
    U32 mode_ = 0;
  };

  // The id and parent of the entity being created from the log, or an
  // empty id when none is.
  EntityId deserializingEid() const noexcept { return eid_; }
  void deserializingEidIs(EntityId id) noexcept { eid_ = id; }
  Entity* deserializingInParent() const noexcept { return parent_; }
  void deserializingInParentIs(Entity* parent) noexcept { parent_ = parent; }

 private:
  EntityId eid_;
  Entity* parent_ = nullptr;
};

// The constrainer of the log this thread is applying records from, or null.
XEL_EXPORT Constrainer* constrainer() noexcept;

// Makes `c` the thread's constrainer while it lasts.
class XEL_EXPORT ConstrainerScope {
 public:
  explicit ConstrainerScope(Constrainer* c) noexcept;
  ~ConstrainerScope();
  ConstrainerScope(ConstrainerScope const&) = delete;
  ConstrainerScope& operator=(ConstrainerScope const&) = delete;

 private:
  Constrainer* saved_;
};

// Names the entity being created from the log while it lasts: the
// constrainer's id and parent are `id` and `parent`, and are put back when
// the anchor ends. Does nothing without a constrainer.
class XEL_EXPORT DeserializingEidAnchor {
 public:
  DeserializingEidAnchor(EntityId id, Entity* parent) noexcept;
  ~DeserializingEidAnchor();
  DeserializingEidAnchor(DeserializingEidAnchor const&) = delete;
  DeserializingEidAnchor& operator=(DeserializingEidAnchor const&) = delete;

 private:
  Constrainer* c_;
  EntityId savedId_;
  Entity* savedParent_ = nullptr;
};

}  // namespace MsgChannel
}  // namespace Xel
