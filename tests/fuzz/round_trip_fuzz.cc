// Differential: whatever a replica accepts, written out again by its own
// roots' flow-out and read by a second replica, gives the same trees. The
// second replica refuses nothing of it.
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  fuzz::Replica first;
  try {
    first.read({data, size});
  } catch (Xel::Exception const&) {
    // What it took before the refusal is what goes on.
  }
  fuzz::Writer writer;
  for (Xel::Ptr<Xel::Entity> const& root : first.log->dir()->entryList()) writer.publish(*root);
  fuzz::Bytes const again = writer.take();
  fuzz::Replica second;
  try {
    if (second.read(again) != again.size()) fuzz::fail("a replica's own log ends in a part record");
  } catch (Xel::Exception const& e) {
    fuzz::fail("a replica refuses the log of another: " + e.message().stdString());
  }
  auto const want = first.state();
  auto const got = second.state();
  if (got != want) {
    std::string detail;
    for (auto const& s : want) detail += "first: " + s + "\n";
    for (auto const& s : got) detail += "second: " + s + "\n";
    fuzz::fail("a replica of a replica differs from it", detail);
  }
  return 0;
}
