// Text forms shared by the framework's value types.
//
// OVERVIEW
//   Every value type prints to one line of text and reads that text back:
//   valueToStrep(v) writes it, sequenceToValue(pos, end, &v) reads one value
//   starting at pos, skipping white space before it, and leaves pos just past
//   what it read. Reading stops at the end of the value, so that a caller can
//   read several values from one text, separated as it sees fit.
//
//   Text is quoted with single quotes. Inside the quotes a backslash escapes
//   ' and \ and writes \n, \t, and every other byte outside printable ASCII
//   as \xHH, so that any byte string, NUL and high bytes included, prints on
//   one line and reads back unchanged.
//
//   Values that need no quotes (numbers, addresses, enumerator names) are
//   bare tokens: a run of characters ending at white space, ',', '}', ')' or
//   the end of the text.
//
// ERRORS
//   Text that does not read raises ParseException. The message names what
//   was being read, the column (from 0) where that value begins, and the
//   whole text in quoted form, e.g.
//     cannot read a quoted string at column 3 of 'a: xyz'
//   so that a user can see both what failed and where.
//
// COMPOSITE VALUES
//   A reader of a value made of named fields matches its fixed pieces with
//   needString and reads each field through deserializeAttr, which names the
//   field in any RangeException the field's reader raises: a message about a
//   number out of range then says which of several numbers it was.
//   strepToValue reads one whole text and refuses whatever the value's
//   reader left unread: a bare number followed by a blank is junk, while
//   the readers of composite values and of references take the white space
//   after their closing parenthesis.
//
// TYPICAL USAGE
//   Xel::String8 text = Xel::valueToStrep(Xel::String8("it's"));  // 'it\'s'
//   Xel::String8 back;
//   auto pos = text.begin();
//   Xel::sequenceToValue(pos, text.end(), &back);
//   Xel::requireEnd(pos, text.end());
//
//   long long n = Xel::strepToValue(Xel::String8("42"), static_cast<long long*>(nullptr));
#pragma once

#include <string_view>
#include <typeinfo>

#include "Xel/Exception.h"
#include "Xel/Export.h"
#include "Xel/String8.h"

namespace Xel {

// Moves pos past space, tab, newline, carriage return, form feed and
// vertical tab.
XEL_EXPORT void skipWhiteSpace(String8::IteratorConst& pos,
                               String8::IteratorConst const& end) noexcept;

// Skips white space, then reads a bare token and leaves pos after it. The
// token is a view into the text being read; it is empty when pos stands at a
// delimiter or at the end.
XEL_EXPORT std::string_view readBareToken(String8::IteratorConst& pos,
                                          String8::IteratorConst const& end) noexcept;

// Skips white space, then reads the single character c.
XEL_EXPORT void readPunctuation(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                char c);

// Accepts only white space between pos and end: a whole text must be one
// value, not a value followed by something the reader did not understand.
XEL_EXPORT void requireEnd(String8::IteratorConst pos, String8::IteratorConst const& end);

// Raises ParseException with the message
//   "<problem> at column <column of at> of '<whole text>'"
// where the whole text is the one at and end walk through.
[[noreturn]] XEL_EXPORT void throwParseError(std::string_view problem,
                                             String8::IteratorConst const& at,
                                             String8::IteratorConst const& end);

// Raises ConversionException with the message
//   "cannot convert to <type> at column <column of at> of '<whole text>'"
// for text that read as a value, or a reference to an object, that is not
// of `type`. The type is named as C++ writes it ("Xel::Entity"); `at` is
// where reading stopped, just after the value that does not convert.
[[noreturn]] XEL_EXPORT void cannotConvert(String8::IteratorConst const& at,
                                           String8::IteratorConst const& end,
                                           std::type_info const& type);

XEL_EXPORT String8 valueToStrep(String8 const& s);
XEL_EXPORT void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                String8* out);

// Decimal numbers. Reading accepts an optional sign and stops after the last
// digit; a number outside the range of long long does not read.
XEL_EXPORT String8 valueToStrep(unsigned long long n);
XEL_EXPORT String8 valueToStrep(long long n);
XEL_EXPORT void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                long long* out);
// An unsigned 32-bit number: the same digits, and a number outside 0 to
// 4294967295 does not read.
XEL_EXPORT String8 valueToStrep(unsigned int n);
XEL_EXPORT void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                unsigned int* out);

// true or false.
XEL_EXPORT String8 valueToStrep(bool b);
XEL_EXPORT void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                bool* out);

// Consumes the characters of `expected` at pos. A blank in `expected`
// matches any run of white space, none included; every other character must
// match itself. A mismatch raises ParseException at the first character that
// does not match, naming what was expected.
XEL_EXPORT void needString(String8::IteratorConst& pos, String8::IteratorConst const& end,
                           char const* expected);

// printf-style formatting into a new string.
XEL_EXPORT String8 format(char const* fmt, ...) __attribute__((format(printf, 1, 2)));

// Raises RangeException with e's message followed by " (attribute <name>)".
[[noreturn]] XEL_EXPORT void rethrowFromDeserializeAttr(RangeException const& e,
                                                        String8 const& attrName);

// Raises RangeException with the message
//   "junk at column <column of pos> deserializing <text>"
[[noreturn]] XEL_EXPORT void throwJunkAfterValue(String8::IteratorConst const& pos,
                                                 String8 const& text);

// Reads the value of the attribute `attrName` with T's reader, the
// sequenceToValue(pos, end, T*) that argument-dependent lookup finds for T.
// A RangeException from the reader goes on through rethrowFromDeserializeAttr;
// every other exception passes unchanged.
template <class T>
void deserializeAttr(String8::IteratorConst& pos, String8::IteratorConst const& end, T* out,
                     String8 const& attrName) {
  try {
    sequenceToValue(pos, end, out);
  } catch (RangeException const& e) {
    rethrowFromDeserializeAttr(e, attrName);
  }
}

// Reads a 64-bit number and keeps its low 32 bits: text numbers are not
// checked against the unsigned 32-bit range.
template <>
XEL_EXPORT void deserializeAttr<unsigned int>(String8::IteratorConst& pos,
                                              String8::IteratorConst const& end, unsigned int* out,
                                              String8 const& attrName);

// Reads the text form of a value type made of named fields,
//   Value('<fullName>', ** {'<field>': <value>, '<field>': <value>})
// with white space allowed before every piece and after the closing
// parenthesis. For each field, readField(name) reads the field's value at
// pos and returns false when the type has no field of that name. Fields may
// come in any order, be left out or repeat; what they are set to is for
// readField to decide. Raises RangeException with
//   "premature end of value type <shortName>"  when the text ends inside
//   "<shortName> has no such attribute: <name>" for an unknown field
// and the needString parse error for a literal piece that does not match.
template <class ReadField>
void readValueFields(String8::IteratorConst& pos, String8::IteratorConst const& end,
                     char const* fullName, char const* shortName, ReadField readField) {
  needString(pos, end, " Value");
  needString(pos, end, " (");
  needString(pos, end, (" '" + String8(fullName) + "'").c_str());
  needString(pos, end, " ,");
  needString(pos, end, " **");
  needString(pos, end, " {");
  for (bool first = true;; first = false) {
    needString(pos, end, " ");
    if (pos == end) throwRangeException("premature end of value type " + String8(shortName));
    if (*pos == '}') {
      needString(pos, end, "} ");
      needString(pos, end, ") ");
      return;
    }
    if (!first) needString(pos, end, ", ");
    String8 name;
    sequenceToValue(pos, end, &name);
    needString(pos, end, " : ");
    if (!readField(name)) {
      throwRangeException(String8(shortName) + " has no such attribute: " + name);
    }
  }
}

// Reads `text` as exactly one T, by the same reader as deserializeAttr. The
// pointer only names the result type and is never used.
template <class T>
T strepToValue(String8 const& text, T* /*type tag*/) {
  T value{};
  String8::IteratorConst pos = text.begin();
  String8::IteratorConst const end = text.end();
  sequenceToValue(pos, end, &value);
  if (!(pos == end)) throwJunkAfterValue(pos, text);
  return value;
}

}  // namespace Xel
