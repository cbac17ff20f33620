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

#include <iosfwd>
#include <ostream>
#include <span>

#include "Pelno/Export.h"
#include "Xel/NboAttrLog.h"
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

// Declares, in the current namespace, what every enumeration `Enum` offers:
//   Enum EnumInstance(long long n)   n as an Enum; raises Xel::RangeException,
//                                    naming n, when n numbers no enumerator
//   valueToStrep(Enum)               the enumerator's name
//   operator<<(std::ostream&, Enum)  the same name, onto a stream
//   sequenceToValue(pos, end, Enum*) reads a name back
//   nboAttrLogToValue(in, Enum*)     reads the number from an attribute log
//                                    (an unsigned int), checked as by
//                                    EnumInstance
//   enumInstance(Enum const*, n)     EnumInstance, for templates (the pointer
//                                    only selects the enumeration)
#define PELNO_DECLARE_ENUMERATION(Enum)                                                   \
  PELNO_EXPORT Enum Enum##Instance(long long n);                                          \
  inline Enum enumInstance(Enum const*, long long n) {                                    \
    return Enum##Instance(n);                                                             \
  }                                                                                       \
  PELNO_EXPORT ::Xel::String8 valueToStrep(Enum v);                                       \
  PELNO_EXPORT std::ostream& operator<<(std::ostream& os, Enum v);                        \
  PELNO_EXPORT void sequenceToValue(::Xel::String8::IteratorConst& pos,                   \
                                    ::Xel::String8::IteratorConst const& end, Enum* out); \
  PELNO_EXPORT void nboAttrLogToValue(::Xel::NboAttrLog::In* in, Enum* out)

// Defines what PELNO_DECLARE_ENUMERATION declares, from the enumerators'
// names in number order. Use once, in the namespace of the enumeration.
#define PELNO_DEFINE_ENUMERATION(Enum, ...)                                        \
  namespace {                                                                      \
  constexpr char const* Enum##Names[] = {__VA_ARGS__};                             \
  constexpr ::Pelno::EnumerationText Enum##Text{#Enum, Enum##Names};               \
  }                                                                                \
  Enum Enum##Instance(long long n) {                                               \
    return static_cast<Enum>(::Pelno::enumeratorNumber(Enum##Text, n));            \
  }                                                                                \
  ::Xel::String8 valueToStrep(Enum v) {                                            \
    return ::Pelno::enumeratorToStrep(Enum##Text, v);                              \
  }                                                                                \
  std::ostream& operator<<(std::ostream& os, Enum v) {                             \
    return os << valueToStrep(v);                                                  \
  }                                                                                \
  void sequenceToValue(::Xel::String8::IteratorConst& pos,                         \
                       ::Xel::String8::IteratorConst const& end, Enum* out) {      \
    *out = static_cast<Enum>(::Pelno::sequenceToEnumerator(Enum##Text, pos, end)); \
  }                                                                                \
  void nboAttrLogToValue(::Xel::NboAttrLog::In* in, Enum* out) {                   \
    *out = Enum##Instance(in->nextU32());                                          \
  }
