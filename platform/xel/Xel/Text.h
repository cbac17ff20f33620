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
// TYPICAL USAGE
//   Xel::String8 text = Xel::valueToStrep(Xel::String8("it's"));  // 'it\'s'
//   Xel::String8 back;
//   auto pos = text.begin();
//   Xel::sequenceToValue(pos, text.end(), &back);
//   Xel::requireEnd(pos, text.end());
#pragma once

#include <string_view>

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

XEL_EXPORT String8 valueToStrep(String8 const& s);
XEL_EXPORT void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                String8* out);

// Decimal numbers. Reading accepts an optional sign and stops after the last
// digit; a number outside the range of long long does not read.
XEL_EXPORT String8 valueToStrep(unsigned long long n);
XEL_EXPORT String8 valueToStrep(long long n);
XEL_EXPORT void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                long long* out);

}  // namespace Xel
