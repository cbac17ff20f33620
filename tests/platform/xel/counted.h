// Test objects that count how many of them are alive, so that a test can
// tell exactly when the framework ends an object's life.
#pragma once

#include <Xel/Entity.h>
#include <Xel/PtrInterface.h>

namespace xel_test {

struct Counted : Xel::PtrInterface {
  static inline int alive = 0;
  Counted() { ++alive; }
  ~Counted() override { --alive; }
};

struct CountedEntity : Xel::Entity {
  static inline int alive = 0;
  explicit CountedEntity(Xel::String8 name = Xel::String8()) : Entity(name) { ++alive; }
  ~CountedEntity() override { --alive; }
  using Entity::changeCountInc;
  using Entity::readCountInc;
};

}  // namespace xel_test
