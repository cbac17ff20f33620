// The reader fed one record at a time. A replica that holds the sample
// configuration takes the input's records one by one, framed as the log
// frames them (a length word, then the record). A record it refuses must
// leave it exactly as it was; a record cut short at the end is left
// unread; and a replica never writes back what it reads.
#include <cstdint>

#include "fuzz_support.h"

namespace {

// 64 bits, so that 4 + a length word does not wrap on a 32-bit host.
std::uint64_t lengthAt(std::uint8_t const* b) {
  return std::uint64_t{b[0]} << 24 | std::uint64_t{b[1]} << 16 | std::uint64_t{b[2]} << 8 | b[3];
}

std::string joined(std::vector<std::string> const& lines) {
  std::string all;
  for (std::string const& line : lines) all += line + "\n";
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  fuzz::Replica replica;
  fuzz::Bytes const& base = fuzz::sampleLog();
  if (replica.read(base) != base.size()) fuzz::fail("the sample's log does not read whole");
  for (std::size_t at = 0; size - at >= 4;) {
    std::uint64_t const whole = 4 + lengthAt(data + at);
    std::size_t const given = static_cast<std::size_t>(std::min<std::uint64_t>(size - at, whole));
    auto const before = replica.fingerprint();
    try {
      std::size_t const used = replica.read({data + at, given});
      if (used != (given == whole ? given : 0)) fuzz::fail("the reader took part of a record");
    } catch (Xel::Exception const& e) {
      if (replica.fingerprint() != before) {
        fuzz::fail("a refused record changed the replica: " + e.message().stdString(),
                   "now:\n" + joined(replica.state()));
      }
    }
    at += given;
  }
  if (replica.log->out()->byteCount() != 0) fuzz::fail("the replica wrote back what it read");
  return 0;
}
