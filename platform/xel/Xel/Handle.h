// Handles: numbers that stand for live objects, so that text can refer to
// an object and be read back into the same object.
//
// OVERVIEW
//   handleOf(p) gives `p` a number the first time it is asked and the same
//   number afterwards. handleObject(n) finds the object again while it
//   lives. When the object's life ends its handle is forgotten, and no other
//   object is ever given the same number, so a handle kept after its object
//   died reads as nothing rather than as some newer object at the same
//   address.
//
//   Handles belong to the process that gave them: text that refers to an
//   object means nothing to another process.
//
// COST
//   While no object has a handle, a dying object reads one atomic word.
//   While some have, it also reads one of 4096 bits, picked by its address
//   and set when an object at such an address was given a handle; only when
//   that bit is set does it take the table's mutex and look itself up.
//
// THREAD SAFETY
//   The table is shared by the whole process and guarded by its own mutex,
//   so threads that each use their own objects may write and read handles
//   at the same time. handleObject takes its reference under the mutex and
//   refuses an object whose last reference is gone, so a thread that
//   releases an object races with no one who finds it by its handle.
#pragma once

#include <cstddef>

#include "Xel/Export.h"
#include "Xel/Ptr.h"
#include "Xel/PtrInterface.h"
#include "Xel/Types.h"

namespace Xel {

// The handle of `p` (never 0), given now if it has none yet.
XEL_EXPORT U64 handleOf(PtrInterface const* p);

// The live object with handle `handle`, or null. An object that no Ptr
// holds (a new one, or one whose last reference is gone) is not found. Null
// is never given a handle: handleOf(nullptr) is 0.
XEL_EXPORT Ptr<PtrInterface> handleObject(U64 handle);

// How many live objects have a handle.
XEL_EXPORT std::size_t handlesLive() noexcept;

namespace detail {
// Forgets the handle of an object whose life is ending. Called from the
// object's destructor.
void handleForget(PtrInterface const* p) noexcept;
}  // namespace detail

}  // namespace Xel
