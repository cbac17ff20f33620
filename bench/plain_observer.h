// The hand-written alternative to notifiees: observers called through a
// virtual function, chained through their own link or kept in a vector.
//
// Their class is defined in its own file, as an agent's observers are in
// its own code: seen from the delivery loop, the call stays virtual. With
// the class in view the compiler turned the loop into inline additions,
// and the baseline measured no call at all.
#pragma once

#include <memory>

namespace bench {

struct Observer {
  virtual ~Observer() = default;
  virtual void onChange(unsigned value) = 0;
  Observer* next = nullptr;  // for the linked variant
};

// An observer that adds up the values it is told.
std::unique_ptr<Observer> plainObserver();

}  // namespace bench
