#include "Xel/Expect.h"

namespace Xel {
namespace {
thread_local Expect const* innermostGuard = nullptr;
}  // namespace

Expect::Expect(U32 exceptionId) noexcept : exceptionId_(exceptionId), outer_(innermostGuard) {
  innermostGuard = this;
}

Expect::~Expect() {
  innermostGuard = outer_;
}

Expect const* Expect::innermost() noexcept {
  return innermostGuard;
}

}  // namespace Xel
