// Exceptions of the framework.
//
// Two kinds of failure are kept apart. A caller that breaks a documented
// precondition (a value out of range, text that does not parse) gets an
// exception derived from Exception, whose message names the values involved.
// A bug inside the framework or the model (a state that cannot happen) is an
// InternalException. Failures are always raised through the throwXxx
// functions below so that every throw site shares one out-of-line path.
#pragma once

#include <exception>

#include "Xel/Export.h"
#include "Xel/String8.h"

namespace Xel {

class XEL_EXPORT Exception : public std::exception {
 public:
  explicit Exception(String8 message) noexcept : message_(static_cast<String8&&>(message)) {}
  ~Exception() override;

  String8 const& message() const noexcept { return message_; }
  char const* what() const noexcept override { return message_.c_str(); }

 private:
  String8 message_;
};

// A value outside the range its type allows.
class XEL_EXPORT RangeException : public Exception {
 public:
  using Exception::Exception;
  ~RangeException() override;
};

// Text that does not read as the value asked for. The message quotes the
// offending text.
class XEL_EXPORT ParseException : public Exception {
 public:
  using Exception::Exception;
  ~ParseException() override;
};

// Text that reads, but as a value of another type than the one asked for:
// a reference to an object that is not of the reader's type.
class XEL_EXPORT ConversionException : public ParseException {
 public:
  using ParseException::ParseException;
  ~ConversionException() override;
};

// A broken invariant of the framework or of generated code.
class XEL_EXPORT InternalException : public Exception {
 public:
  using Exception::Exception;
  ~InternalException() override;
};

// A name (or key) already held by another entity where a new one is to go:
// a log announcing a child under a key whose present child is a different
// entity on that log.
class XEL_EXPORT NameInUseException : public Exception {
 public:
  using Exception::Exception;
  ~NameInUseException() override;
};

// A failure that is neither of the kinds below (a log whose transport
// failed, a write a read-only adapter refuses).
[[noreturn]] XEL_EXPORT void throwException(String8 const& message);
[[noreturn]] XEL_EXPORT void throwRangeException(String8 const& message);
[[noreturn]] XEL_EXPORT void throwParseException(String8 const& message);
[[noreturn]] XEL_EXPORT void throwConversionException(String8 const& message);
[[noreturn]] XEL_EXPORT void throwInternalException(String8 const& message);
[[noreturn]] XEL_EXPORT void throwNameInUseException(String8 const& message);
// Raises an exception of the same kind as `e` with `message`.
[[noreturn]] XEL_EXPORT void rethrowAs(Exception const& e, String8 const& message);

}  // namespace Xel
