// fhrp-logdump: prints a captured attribute log, one line per record.
//
//   fhrp-logdump [FILE]     reads FILE, or standard input without one
//
// Each line gives the record's offset, its entity id, the entity's type and
// attribute (name and id), what the record does, and its key and value in
// their text forms:
//
//   0 1.0 TrackedObject entity Routing::Fhrp::TrackedObject 't1' as 2.0
//   77 2.0 TrackedObject.trackActionIsShutdown(259) set true
//
// A malformed record stops the dump: the message names its offset, and the
// exit status is 1 (2 when the file cannot be read).
#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/attrlog/Decoder.h>
#include <Xel/Exception.h>
#include <Xel/NboAttrLog.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0')) {
    std::cerr << "usage: fhrp-logdump [FILE]\n";
    return 2;
  }
  char const* name = argc == 2 ? argv[1] : "-";
  std::vector<char> bytes;
  if (argc == 2 && std::string_view(name) != "-") {
    std::ifstream file(name, std::ios::binary);
    if (!file) {
      std::perror(name);
      return 2;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), {});
  } else {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), {});
  }
  std::span<Xel::U8 const> const data(reinterpret_cast<Xel::U8 const*>(bytes.data()), bytes.size());
  Xel::NboAttrLog::RecordReader reader(data);
  Routing::Fhrp::attrlog::Decoder decoder;
  try {
    Xel::NboAttrLog::Record record;
    while (reader.next(&record)) std::cout << decoder.decode(record).line() << '\n';
  } catch (Xel::Exception const& e) {
    std::cout.flush();
    std::cerr << "fhrp-logdump: " << name << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}
