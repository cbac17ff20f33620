#include "Pelno/EnumText.h"

#include <string>
#include <string_view>

#include "Xel/Exception.h"
#include "Xel/Text.h"

namespace Pelno {

int enumeratorNumber(EnumerationText const& e, long long n) {
  if (n < 0 || static_cast<unsigned long long>(n) >= e.names.size()) {
    std::string message(e.typeName);
    message += " has no enumerator numbered ";
    message += Xel::valueToStrep(n).view();
    Xel::throwRangeException(Xel::String8(message));
  }
  return static_cast<int>(n);
}

Xel::String8 enumeratorToStrep(EnumerationText const& e, int n) {
  if (n < 0 || static_cast<unsigned>(n) >= e.names.size()) {
    return Xel::valueToStrep(static_cast<long long>(n));
  }
  return Xel::String8(e.names[static_cast<unsigned>(n)]);
}

int sequenceToEnumerator(EnumerationText const& e, Xel::String8::IteratorConst& pos,
                         Xel::String8::IteratorConst const& end) {
  Xel::skipWhiteSpace(pos, end);
  Xel::String8::IteratorConst const start = pos;
  std::string_view const token = Xel::readBareToken(pos, end);
  for (std::size_t i = 0; i < e.names.size(); ++i) {
    if (token == e.names[i]) return static_cast<int>(i);
  }
  std::string problem = "cannot read a ";
  problem += e.typeName;
  Xel::throwParseError(problem, start, end);
}

}  // namespace Pelno
