#include "Xel/Exception.h"

namespace Xel {

// Out-of-line destructors anchor each class's type information in libxel, so
// that catching by type works across shared-library boundaries.
Exception::~Exception() = default;
RangeException::~RangeException() = default;
ParseException::~ParseException() = default;
ConversionException::~ConversionException() = default;
InternalException::~InternalException() = default;
NameInUseException::~NameInUseException() = default;

void throwException(String8 const& message) {
  throw Exception(message);
}

void throwRangeException(String8 const& message) {
  throw RangeException(message);
}

void throwParseException(String8 const& message) {
  throw ParseException(message);
}

void throwConversionException(String8 const& message) {
  throw ConversionException(message);
}

void throwInternalException(String8 const& message) {
  throw InternalException(message);
}

void throwNameInUseException(String8 const& message) {
  throw NameInUseException(message);
}

void rethrowAs(Exception const& e, String8 const& message) {
  if (dynamic_cast<RangeException const*>(&e)) throw RangeException(message);
  if (dynamic_cast<ConversionException const*>(&e)) throw ConversionException(message);
  if (dynamic_cast<ParseException const*>(&e)) throw ParseException(message);
  if (dynamic_cast<InternalException const*>(&e)) throw InternalException(message);
  if (dynamic_cast<NameInUseException const*>(&e)) throw NameInUseException(message);
  throw Exception(message);
}

}  // namespace Xel
