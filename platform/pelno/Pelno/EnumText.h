// Numbers and text of the model's enumerations.
//
// An enumeration of the model is numbered densely from 0 and prints as the
// name of its enumerator. Each enumeration describes itself once, as a table
// of its names in number order, and these functions do the rest, so that
// every enumeration checks numbers and reads names the same way.
//
// TYPICAL USAGE
//   constexpr char const* colourNames[] = {"red", "green"};
//   constexpr Pelno::EnumerationText colourText{"Colour", colourNames};
//   int n = Pelno::enumeratorNumber(colourText, 1);   // 1
//   Xel::String8 s = Pelno::enumeratorToStrep(colourText, n);  // "green"
#pragma once

#include <ostream>
#include <span>

#include "Pelno/Export.h"
#include "Xel/String8.h"

namespace Pelno {

struct EnumerationText {
  // The enumeration's name, for messages.
  char const* typeName;
  // names[i] is the name of the enumerator numbered i.
  std::span<char const* const> names;
};

// n itself when it numbers an enumerator; otherwise raises
// Xel::RangeException naming n and the enumeration.
PELNO_EXPORT int enumeratorNumber(EnumerationText const& e, long long n);

// The enumerator's name. A number that names no enumerator (only a cast can
// make one) prints as the bare number, which does not read back.
PELNO_EXPORT Xel::String8 enumeratorToStrep(EnumerationText const& e, int n);

// Skips white space and reads an enumerator's name, returning its number.
// Anything else raises Xel::ParseException quoting the text.
PELNO_EXPORT int sequenceToEnumerator(EnumerationText const& e, Xel::String8::IteratorConst& pos,
                                      Xel::String8::IteratorConst const& end);

}  // namespace Pelno
