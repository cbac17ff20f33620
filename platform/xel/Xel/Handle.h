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
//   An object that never had a handle pays one relaxed atomic load when it
//   dies, and none at all while no object in the process has a handle.
//
// THREAD SAFETY
//   The table is shared by the whole process and guarded by its own mutex,
//   so threads that each use their own objects may write and read handles
//   at the same time. Reading the handle of an object that another thread
//   is releasing is as much a race as any other use of that object.
#pragma once

#include <cstddef>

#include "Xel/Export.h"
#include "Xel/Types.h"

namespace Xel {

class PtrInterface;

// The handle of `p` (never 0), given now if it has none yet.
XEL_EXPORT U64 handleOf(PtrInterface const* p);

// The live object with handle `handle`, or null.
XEL_EXPORT PtrInterface* handleObject(U64 handle);

// How many live objects have a handle.
XEL_EXPORT std::size_t handlesLive() noexcept;

namespace detail {
// Forgets the handle of an object whose life is ending. Called from the
// object's destructor.
void handleForget(PtrInterface const* p) noexcept;
}  // namespace detail

}  // namespace Xel
