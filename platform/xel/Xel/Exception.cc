#include "Xel/Exception.h"

namespace Xel {

// Out-of-line destructors anchor each class's type information in libxel, so
// that catching by type works across shared-library boundaries.
Exception::~Exception() = default;
RangeException::~RangeException() = default;
ParseException::~ParseException() = default;
InternalException::~InternalException() = default;

void throwException(String8 const& message) {
  throw Exception(message);
}

void throwRangeException(String8 const& message) {
  throw RangeException(message);
}

void throwParseException(String8 const& message) {
  throw ParseException(message);
}

void throwInternalException(String8 const& message) {
  throw InternalException(message);
}

}  // namespace Xel
