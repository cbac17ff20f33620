#include "Xel/Expect.h"

namespace Xel {

thread_local Expect const* innermostExpect = nullptr;

}  // namespace Xel
