#include "Xel/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace Xel {

void assertionFailed(char const* condition, char const* file, int line) {
  std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace Xel
