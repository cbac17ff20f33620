// EntityId: the name an entity goes by on an attribute log.
//
// Two 32-bit words, given out by the log's owner; an id means something
// only on the log that gave it. The id (1, 0) is reserved for records that
// create an entity, so that a reader knows them before any entity exists.
#pragma once

#include <compare>

#include "Xel/Hash.h"
#include "Xel/Types.h"

namespace Xel {

struct EntityId {
  U32 word0 = 0;
  U32 word1 = 0;

  U32 hash() const noexcept { return hashCombine(hashCombine(hashSeed, word0), word1); }

  friend bool operator==(EntityId const&, EntityId const&) noexcept = default;
  friend std::strong_ordering operator<=>(EntityId const&, EntityId const&) noexcept = default;
};

}  // namespace Xel
