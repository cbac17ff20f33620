#include "Xel/Text.h"

#include <cxxabi.h>

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Xel/Exception.h"

namespace Xel {

namespace {

bool isWhiteSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool endsToken(char c) noexcept {
  return isWhiteSpace(c) || c == ',' || c == '}' || c == ')';
}

bool isDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

// The value of a hexadecimal digit, or -1.
int hexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <class Integer>
String8 decimal(Integer n) {
  char buf[24];  // 20 digits and a sign cover every 64-bit number
  auto const result = std::to_chars(buf, buf + sizeof buf, n);
  return String8(buf, static_cast<std::size_t>(result.ptr - buf));
}

}  // namespace

void skipWhiteSpace(String8::IteratorConst& pos, String8::IteratorConst const& end) noexcept {
  while (!(pos == end) && isWhiteSpace(*pos)) ++pos;
}

std::string_view readBareToken(String8::IteratorConst& pos,
                               String8::IteratorConst const& end) noexcept {
  skipWhiteSpace(pos, end);
  char const* const first = pos.ptr();
  while (!(pos == end) && !endsToken(*pos)) ++pos;
  return {first, static_cast<std::size_t>(pos.ptr() - first)};
}

void readPunctuation(String8::IteratorConst& pos, String8::IteratorConst const& end, char c) {
  skipWhiteSpace(pos, end);
  if (pos == end || *pos != c) {
    std::string problem = "expected '";
    problem += c;
    problem += '\'';
    throwParseError(problem, pos, end);
  }
  ++pos;
}

void requireEnd(String8::IteratorConst pos, String8::IteratorConst const& end) {
  skipWhiteSpace(pos, end);
  if (!(pos == end)) throwParseError("unexpected text after the value", pos, end);
}

namespace {

// "<problem> at column <c> of '<whole text>'"
String8 placedMessage(std::string_view problem, String8::IteratorConst const& at,
                      String8::IteratorConst const& end) {
  char const* const start = at.ptr() - at.column();
  String8 const whole(start, static_cast<std::size_t>(end.ptr() - start));
  std::string message(problem);
  message += " at column ";
  message += decimal(at.column()).view();
  message += " of ";
  message += valueToStrep(whole).view();
  return String8(message);
}

}  // namespace

void throwParseError(std::string_view problem, String8::IteratorConst const& at,
                     String8::IteratorConst const& end) {
  throwParseException(placedMessage(problem, at, end));
}

void cannotConvert(String8::IteratorConst const& at, String8::IteratorConst const& end,
                   std::type_info const& type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> const demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  std::string problem = "cannot convert to ";
  problem += status == 0 ? demangled.get() : type.name();
  throwConversionException(placedMessage(problem, at, end));
}

String8 valueToStrep(String8 const& s) {
  static char const hex[] = "0123456789abcdef";
  std::string out;
  out.reserve(s.size() + 2);
  out += '\'';
  for (char c : s.view()) {
    auto const byte = static_cast<unsigned char>(c);
    if (c == '\'' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte >= 0x7f) {
      out += "\\x";
      out += hex[byte >> 4];
      out += hex[byte & 0xf];
    } else {
      out += c;
    }
  }
  out += '\'';
  return String8(out);
}

void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end, String8* out) {
  skipWhiteSpace(pos, end);
  String8::IteratorConst const start = pos;
  auto fail = [&]() { throwParseError("cannot read a quoted string", start, end); };
  if (pos == end || *pos != '\'') fail();
  ++pos;
  std::string text;
  for (;;) {
    if (pos == end) fail();
    char c = *pos++;
    if (c == '\'') break;
    if (c == '\\') {
      if (pos == end) fail();
      char const escape = *pos++;
      if (escape == '\'' || escape == '\\') {
        c = escape;
      } else if (escape == 'n') {
        c = '\n';
      } else if (escape == 't') {
        c = '\t';
      } else if (escape == 'x') {
        if (end - pos < 2) fail();
        int const high = hexDigit(*pos++);
        int const low = hexDigit(*pos++);
        if (high < 0 || low < 0) fail();
        c = static_cast<char>(static_cast<unsigned char>(high * 16 + low));
      } else {
        fail();
      }
    }
    text += c;
  }
  *out = String8(text);
}

String8 valueToStrep(unsigned long long n) {
  return decimal(n);
}

String8 valueToStrep(long long n) {
  return decimal(n);
}

void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end,
                     long long* out) {
  skipWhiteSpace(pos, end);
  String8::IteratorConst const start = pos;
  auto fail = [&]() { throwParseError("cannot read a 64-bit signed number", start, end); };
  bool negative = false;
  if (!(pos == end) && (*pos == '-' || *pos == '+')) negative = *pos++ == '-';
  if (pos == end || !isDigit(*pos)) fail();
  // The magnitude may reach 2^63 for the most negative number, so it is kept
  // unsigned and checked against the limit of its sign before every step.
  unsigned long long const limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
  unsigned long long magnitude = 0;
  while (!(pos == end) && isDigit(*pos)) {
    auto const digit = static_cast<unsigned long long>(*pos - '0');
    if (magnitude > (limit - digit) / 10) fail();
    magnitude = magnitude * 10 + digit;
    ++pos;
  }
  // Conversion of an unsigned value to a signed type wraps modulo 2^64.
  *out = static_cast<long long>(negative ? 0ull - magnitude : magnitude);
}

String8 valueToStrep(unsigned int n) {
  return valueToStrep(static_cast<unsigned long long>(n));
}

void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end,
                     unsigned int* out) {
  skipWhiteSpace(pos, end);
  String8::IteratorConst const start = pos;
  long long n = 0;
  try {
    sequenceToValue(pos, end, &n);
  } catch (ParseException const&) {
    pos = start;
    n = -1;
  }
  if (n < 0 || n > 0xffffffffll) {
    throwParseError("cannot read an unsigned 32-bit number", start, end);
  }
  *out = static_cast<unsigned int>(n);
}

String8 valueToStrep(bool b) {
  return String8(b ? "true" : "false");
}

void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end, bool* out) {
  skipWhiteSpace(pos, end);
  String8::IteratorConst const start = pos;
  std::string_view const token = readBareToken(pos, end);
  if (token != "true" && token != "false") throwParseError("cannot read true or false", start, end);
  *out = token == "true";
}

void needString(String8::IteratorConst& pos, String8::IteratorConst const& end,
                char const* expected) {
  for (char const* c = expected; *c != '\0'; ++c) {
    if (*c == ' ') {
      skipWhiteSpace(pos, end);
    } else if (!(pos == end) && *pos == *c) {
      ++pos;
    } else {
      std::string problem = "expected ";
      problem += valueToStrep(String8(expected)).view();
      throwParseError(problem, pos, end);
    }
  }
}

String8 format(char const* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  int const size = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  if (size < 0) {
    va_end(again);
    throwInternalException(String8("format: bad format string"));
  }
  std::string out(static_cast<std::size_t>(size) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), fmt, again);
  va_end(again);
  return String8(out.data(), static_cast<std::size_t>(size));
}

void rethrowFromDeserializeAttr(RangeException const& e, String8 const& attrName) {
  throwRangeException(e.message() + " (attribute " + attrName + ")");
}

void throwJunkAfterValue(String8::IteratorConst const& pos, String8 const& text) {
  throwRangeException(format("junk at column %lld deserializing %s", pos.column(), text.c_str()));
}

template <>
void deserializeAttr<unsigned int>(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                   unsigned int* out, String8 const& attrName) {
  long long n = 0;
  deserializeAttr(pos, end, &n, attrName);
  *out = static_cast<unsigned int>(n);
}

}  // namespace Xel
