// The generic interface's text constructor of every registered type: a
// text builds an interface over a value (or a reference to a live object)
// whose printed form builds an interface that prints the same, or is
// refused with the framework's exception. The sample configuration stays
// alive, so that references to its entities resolve.
#include <Xel/GenericIf.h>
#include <Xel/XelType.h>

#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  static Xel::Ptr<Routing::Fhrp::Config> const sample = [] {
    Xel::Ptr<Routing::Fhrp::Config> config = fuzz::sampleConfig();
    fuzz::referencesTo(*config);  // its handles, as the seeds have them
    return config;
  }();
  // The first byte picks the type, the rest is the text.
  if (size == 0) return 0;
  Xel::XelType const* const type =
      fuzz::registeredTypes()[data[0] % fuzz::registeredTypes().size()];
  Xel::String8 const text(reinterpret_cast<char const*>(data + 1), size - 1);
  Xel::Ptr<Xel::GenericIf> made;
  try {
    made = type->genericIf(text, false);
  } catch (Xel::Exception const&) {
    return 0;
  }
  if (!made) return 0;
  Xel::String8 const printed = made->strRep();
  try {
    Xel::Ptr<Xel::GenericIf> const again = type->genericIf(printed, false);
    if (!again || !(again->strRep() == printed)) {
      fuzz::fail("an interface built from its own text prints otherwise",
                 printed.stdString() + " from " + text.stdString());
    }
  } catch (Xel::Exception const& e) {
    fuzz::fail("an interface's printed form does not build one",
               printed.stdString() + " from " + text.stdString() + ": " + e.message().stdString());
  }
  return 0;
}
