// What the fuzz targets share: a configuration as a front end grows it,
// its log as a writer sends it, replicas read from bytes, and the stop
// that keeps an input that broke a rule.
//
// Each target is one source file with LLVMFuzzerTestOneInput. Built with
// libFuzzer (the fuzz preset) it searches for inputs; built with
// replay_main.cc it runs the inputs of its corpus (tests/corpus/<target>)
// as a test of the suite, so every input once found to break a rule stays
// a regression test.
#pragma once

#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/attrlog/Snapshot.h>
#include <Xel/Demuxer.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

// A configuration as a front end writes it: an entity of every type of
// the tree and a value in most attributes, small enough that a target
// can read it afresh for every input. The same on every call.
Xel::Ptr<Routing::Fhrp::Config> sampleConfig();

// A writer's log, to which roots are published.
struct Writer {
  Writer();
  // Puts `root`, and with it the tree below it, on the log.
  void publish(Xel::Entity& root);
  // What the roots owe, flushed, and the bytes written since the last
  // call taken off the log.
  Bytes take();
  Xel::Ptr<Xel::NboAttrLog::Demuxer> log;
};

// The text of a reference to each entity of `config`'s tree, root first,
// each given its handle here: called first thing on a sample, in any
// process, it gives the same texts.
std::vector<Xel::String8> referencesTo(Routing::Fhrp::Config const& config);

// Every type of the registry, in the order of their names.
std::vector<Xel::XelType const*> const& registeredTypes();

// The full state of the sample configuration, as a writer sends it.
Bytes const& sampleLog();

// A replica: a reader's log, and the entities the peer announced.
struct Replica {
  Replica();
  // Reads `bytes` as the log's reader does; raises what it raises.
  std::size_t read(std::span<std::uint8_t const> bytes) { return log->flowInRun(bytes); }
  // What any change to the replica moves: the change counters of all its
  // entities summed, how many entities (each with an adapter on the log)
  // and roots it holds. Cheap enough to take before every record.
  struct Fingerprint {
    std::uint64_t changes = 0;
    std::size_t adapters = 0, roots = 0;
    friend bool operator==(Fingerprint const&, Fingerprint const&) = default;
  };
  Fingerprint fingerprint() const;
  // Every root the replica holds, its type and its tree printed, in the
  // order of that text: two replicas that hold the same trees have the
  // same state, whatever their roots' names in their directories.
  std::vector<std::string> state() const;
  Xel::Ptr<Xel::NboAttrLog::Demuxer> log;
};

// Stops the run (abort) with `what`, and `detail` when it helps, on
// stderr: libFuzzer keeps the input, a replay names the file.
[[noreturn]] void fail(std::string const& what, std::string const& detail = {});

}  // namespace fuzz
