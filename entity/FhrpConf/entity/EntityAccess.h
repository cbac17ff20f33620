// EntityAccess: the entity layer's way to the counters that Xel::Entity
// keeps from everyone else.
//
// Meant only for the entity layer and generated code: the counters change
// exactly when the model's operations say, never from outside.
#pragma once

#include <Xel/Entity.h>

namespace Xel {

class EntityAccess {
 public:
  static void changeCountInc(Entity& e, U32 n = 1) noexcept { e.changeCountInc(n); }
  static void readCountInc(Entity const& e) noexcept { e.readCountInc(); }
};

}  // namespace Xel
