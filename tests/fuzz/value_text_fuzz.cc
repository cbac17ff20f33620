// The text parser of every value type: any text either reads as exactly
// one value, whose printed form reads back as the same value and prints
// the same again, or is refused with the framework's exception.
#include <Xel/Text.h>

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "value_types.h"

// The input's first byte picks the type, the rest is the text: one parse
// an input keeps each run short, and the fuzzer learns which byte leads
// where.
extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  if (size == 0) return 0;
  Xel::String8 const text(reinterpret_cast<char const*>(data + 1), size - 1);
  std::size_t const chosen = data[0] % std::tuple_size_v<fuzz::ValueTypes>;
  std::size_t index = 0;
  fuzz::forEachValueType([&]<class T>(T const*) {
    if (index++ != chosen) return;
    using Xel::valueToStrep;  // with each type's own, found by its namespace
    T value;
    try {
      value = Xel::strepToValue(text, static_cast<T*>(nullptr));
    } catch (Xel::Exception const&) {
      return;
    }
    Xel::String8 const printed = valueToStrep(value);
    T again;
    try {
      again = Xel::strepToValue(printed, static_cast<T*>(nullptr));
    } catch (Xel::Exception const& e) {
      fuzz::fail(
          "a printed value does not read back",
          printed.stdString() + " from " + text.stdString() + ": " + e.message().stdString());
    }
    if (!(again == value) || !(valueToStrep(again) == printed)) {
      fuzz::fail("a value read back from its text differs",
                 printed.stdString() + " from " + text.stdString());
    }
  });
  return 0;
}
