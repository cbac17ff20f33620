// Expect: a scope guard that declares which exception id the code inside it
// may raise.
//
// Guards nest per thread. Delivery of a change opens one (id 0: no particular
// exception expected) around every handler call, so that framework code deep
// inside a handler can ask Expect::innermost() whether it runs under a
// notification and what its caller is prepared to handle.
#pragma once

#include "Xel/Export.h"
#include "Xel/Types.h"

namespace Xel {

// The innermost open guard of each thread. Every handler call opens a guard,
// so the access must be a plain load and store: initial-exec TLS (the general
// model costs a library call each), and constinit (without it every access
// first checks for a dynamic initialiser).
[[gnu::tls_model(
    "initial-exec")]] XEL_EXPORT extern thread_local constinit class Expect const* innermostExpect;

class XEL_EXPORT Expect {
 public:
  explicit Expect(U32 exceptionId) noexcept : exceptionId_(exceptionId), outer_(innermostExpect) {
    innermostExpect = this;
  }
  ~Expect() { innermostExpect = outer_; }
  Expect(Expect const&) = delete;
  Expect& operator=(Expect const&) = delete;

  U32 exceptionId() const noexcept { return exceptionId_; }
  // The guard that was innermost when this one opened, or null.
  Expect const* outer() const noexcept { return outer_; }

  // The innermost open guard of the calling thread, or null.
  static Expect const* innermost() noexcept { return innermostExpect; }

 private:
  U32 exceptionId_;
  Expect const* outer_;
};

}  // namespace Xel
