// Writes the seeds of the fuzz targets' corpus (tests/corpus): logs as a
// writer sends them and texts as the values print, all from the sample
// configuration and the model's other roots, grown by random edits from
// fixed seeds. Run by `make fuzz-seeds`; the files it writes are checked
// in beside the inputs the fuzzers found.
#include <Pelno/Text.h>
#include <Xel/GenericIf.h>
#include <Xel/Text.h>
#include <Xel/XelType.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

#include "../attrlog/random_changes.h"
#include "fuzz_support.h"
#include "value_types.h"

namespace {

namespace fs = std::filesystem;
using namespace Routing::Fhrp;
using Xel::valueToStrep;

fs::path corpus;

void write(char const* target, std::string const& name, void const* data, std::size_t size) {
  fs::create_directories(corpus / target);
  std::ofstream(corpus / target / ("seed-" + name), std::ios::binary)
      .write(static_cast<char const*>(data), static_cast<std::streamsize>(size));
}

void write(char const* target, std::string const& name, fuzz::Bytes const& bytes) {
  write(target, name, bytes.data(), bytes.size());
}

// Texts of every value type: its default value and whatever each example
// reads as, printed.
std::set<std::string> valueTexts() {
  char const* const examples[] = {
      "5",     "256",       "true",         "-7",          "'Ethernet1'",    "'Vlan200'",
      "'red'", "192.0.2.1", "198.51.100.7", "2001:db8::1", "203.0.113.1/25", "02:00:00:00:00:99",
      "'up'",
  };
  std::set<std::string> texts;
  fuzz::forEachValueType([&]<class T>(T const*) {
    texts.insert(valueToStrep(T{}).stdString());
    for (char const* example : examples) {
      try {
        texts.insert(
            valueToStrep(Xel::strepToValue(Xel::String8(example), static_cast<T*>(nullptr)))
                .stdString());
      } catch (Xel::Exception const&) {
      }
    }
  });
  auto const intf = Pelno::IntfId(Xel::String8("Ethernet1"));
  texts.insert(valueToStrep(FhrpIntfIdPair(intf, VrId(5))).stdString());
  texts.insert(
      valueToStrep(FhrpConfigKey(intf, VrId(256), Pelno::AddressFamily{}, 30)).stdString());
  texts.insert(valueToStrep(VirtualIp::VrfIpPair(L3::VrfName("red"),
                                                 Pelno::fromString<Pelno::IpAddr>("192.0.2.1")))
                   .stdString());
  return texts;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " <corpus directory>\n";
    return 2;
  }
  corpus = argv[1];
  // First, so that the references' handles are those the target gives.
  Xel::Ptr<Config> const sample = fuzz::sampleConfig();
  std::vector<Xel::String8> const references = fuzz::referencesTo(*sample);

  // Texts, each after the byte that picks its type: for the value
  // target the type's place in the list of value types, for the generic
  // one its place among the registered types.
  std::set<std::string> texts = valueTexts();
  for (Xel::String8 const& text : references) texts.insert(text.stdString());
  int n = 0;
  std::size_t index = 0;
  auto numbered = [](int i) { return Xel::format("%03d", i).stdString(); };
  fuzz::forEachValueType([&]<class T>(T const*) {
    for (std::string const& text : texts) {
      try {
        Xel::strepToValue(Xel::String8(text), static_cast<T*>(nullptr));
      } catch (Xel::Exception const&) {
        continue;
      }
      std::string const seed = char(index) + text;
      write("value_text", numbered(n++), seed.data(), seed.size());
    }
    ++index;
  });
  auto const& types = fuzz::registeredTypes();
  n = 0;
  for (std::size_t i = 0; i < types.size(); ++i) {
    for (std::string const& text : texts) {
      try {
        if (!types[i]->genericIf(Xel::String8(text), false)) continue;
      } catch (Xel::Exception const&) {
        continue;
      }
      std::string const seed = char(i) + text;
      write("generic_text", numbered(n++), seed.data(), seed.size());
    }
  }

  // Logs: the sample's full state, then edits to it, alone (for the
  // record target, whose replica holds the full state already) and after
  // the full state (for the stream targets).
  write("stream_replay", "sample", fuzz::sampleLog());
  write("round_trip", "sample", fuzz::sampleLog());
  for (unsigned seed = 1; seed <= 24; ++seed) {
    Xel::Ptr<Config> const config = fuzz::sampleConfig();
    fuzz::Writer writer;
    writer.publish(*config);
    fuzz::Bytes const full = writer.take();
    attrlog_test::RandomChanges changes(seed);
    for (unsigned i = 0; i < seed % 4 + 1; ++i) changes.change(*config);
    fuzz::Bytes const edits = writer.take();
    if (edits.empty() || edits.size() > 4096) continue;  // a long text: many pieces
    write("flow_in_record", "edit-" + std::to_string(seed), edits);
    fuzz::Bytes both = full;
    both.insert(both.end(), edits.begin(), edits.end());
    if (both.size() > 4096) continue;  // longer than a fuzzer's input
    if (seed % 4 == 0) write("stream_replay", "edit-" + std::to_string(seed), both);
    if (seed % 4 == 1) write("round_trip", "edit-" + std::to_string(seed), both);
  }
  // The roots outside the tree, each on its own log.
  std::vector<Xel::Ptr<Xel::Entity>> const roots{
      vrrpIpAddrsFactory("v4"), vrrpIp6AddrsFactory("v6"), dynVarpConfigFactory("dyn"),
      dynVarpConfigErrorFactory("errors")};
  attrlog_test::RandomChanges changes(2026);
  for (auto const& root : roots) {
    for (int i = 0; i < 20; ++i) changes.change(*root);
    fuzz::Writer writer;
    writer.publish(*root);
    fuzz::Bytes const full = writer.take();
    if (full.size() > 4096) continue;
    std::string const name = root->name().stdString();
    write("stream_replay", name, full);
    write("round_trip", name, full);
  }
  std::cout << "seeds written to " << corpus << "; the sample's log takes "
            << fuzz::sampleLog().size() << " bytes\n";
  return 0;
}
