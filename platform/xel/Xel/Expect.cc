#include "Xel/Expect.h"

namespace Xel {

thread_local constinit Expect const* innermostExpect = nullptr;

}  // namespace Xel
