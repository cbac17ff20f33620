// A whole captured stream replayed into a fresh replica. Whatever the
// bytes, the reader applies the records it can and refuses the first it
// cannot with the framework's exception; read in two calls, split
// anywhere, the same bytes give the same replica; and nothing leaks when
// the replica goes.
#include <cstdint>

#include "fuzz_support.h"

namespace {

// The replica's state after reading `bytes` in calls of the pieces that
// `cut` divides them into, each call given what the last one left over.
std::vector<std::string> replayed(std::span<std::uint8_t const> bytes, std::size_t cut,
                                  std::string* refusal) {
  fuzz::Replica replica;
  try {
    std::size_t const used = replica.read(bytes.first(cut));
    replica.read(bytes.subspan(used));
  } catch (Xel::Exception const& e) {
    *refusal = e.message().stdString();
  }
  return replica.state();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  std::span<std::uint8_t const> const bytes(data, size);
  std::string whole, split;
  auto const once = replayed(bytes, size, &whole);
  // The cut falls where a hash of the input says: anywhere in it, and
  // elsewhere after any mutation.
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211u;
  std::size_t const cut = static_cast<std::size_t>(hash % (size + 1));
  auto const twice = replayed(bytes, cut, &split);
  if (once != twice) fuzz::fail("a stream read in two calls gives another replica");
  // The message names the offset from the start of each call's bytes.
  if (whole.empty() != split.empty()) fuzz::fail("a stream read in two calls is refused once");
  return 0;
}
