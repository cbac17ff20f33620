#include "Xel/StreamAdapter.h"

namespace Xel {

// Anchors the class's type information in libxel, so that recognising an
// adapter by dynamic_cast works across shared libraries.
StreamAdapter::~StreamAdapter() = default;

}  // namespace Xel
