// Assertions for bugs in calling code that the framework refuses to survive:
// unlike a precondition reported by exception, a failed assertion means the
// program's own logic is wrong, so it stops the process with the condition's
// text. Assertions stay on in release builds; each is a single compare.
#pragma once

#include "Xel/Export.h"

namespace Xel {

[[noreturn]] XEL_EXPORT void assertionFailed(char const* condition, char const* file, int line);

}  // namespace Xel

#define XEL_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::Xel::assertionFailed(#condition, __FILE__, __LINE__))

// An assertion reported in the framework's own words rather than as the
// condition is spelled here: tools that scan logs match the text.
#define XEL_ASSERT_TEXT(condition, text) \
  ((condition) ? static_cast<void>(0) : ::Xel::assertionFailed(text, __FILE__, __LINE__))
