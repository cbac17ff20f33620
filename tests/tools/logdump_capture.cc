// Writes the captures the fhrp-logdump test reads: a tracked object written
// in full (good.bin), the same cut short by one byte (truncated.bin), and
// the same followed by a record of an attribute the type does not have
// (unknown.bin).
#include <FhrpConf/FhrpConfig.h>
#include <Xel/Demuxer.h>

#include <cstdio>
#include <string>

namespace {

bool save(std::string const& path, std::span<Xel::U8 const> bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool const ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string const dir = argv[1];
  using Xel::NboAttrLog::Out;
  Xel::Ptr<Out> const out = Out::outNew();
  auto const log = Xel::NboAttrLog::Demuxer::demuxerNew(out);
  auto t1 = Routing::Fhrp::trackedObjectFactory("t1");
  t1->trackActionIsShutdownIs(true);
  t1->trackPriorityDecrementIs(10);
  t1->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
  log->flowOutRun();
  auto const good = out->bytes();
  bool ok =
      save(dir + "/good.bin", good) && save(dir + "/truncated.bin", good.first(good.size() - 1));
  out->nextHeaderIs({.entityId = {2, 0}, .attrId = 999, .fixedSize = 4});
  out << Xel::NboAttrLog::TransactToken::payloadBegin << 1u
      << Xel::NboAttrLog::TransactToken::payloadEnd;
  ok = ok && save(dir + "/unknown.bin", out->bytes());
  return ok ? 0 : 1;
}
