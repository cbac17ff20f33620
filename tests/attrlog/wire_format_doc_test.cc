// docs/wire-format.md shows one capture record by record: its bytes must be
// what the library writes for the tree and the changes the page describes,
// and each record must decode to the fhrp-logdump line printed beside it.
// The capture as the library writes it is left in the build tree
// (wire_format_capture.txt), one record per block, for updating the page.
#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/attrlog/Decoder.h>
#include <Pelno/Text.h>
#include <Xel/Demuxer.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Routing::Fhrp;
using Xel::NboAttrLog::Demuxer;
using Xel::NboAttrLog::Out;

Pelno::IpAddr ip4(char const* text) {
  return Pelno::fromString<Pelno::IpAddr>(text);
}

Pelno::Ip6Addr ip6(char const* text) {
  return Pelno::fromString<Pelno::Ip6Addr>(text);
}

// The page's tree, written in full with the flush stopped inside the
// router's secondaryAddrs and those contents given up, then five changes.
std::vector<Xel::U8> capture() {
  Xel::Ptr<Config> config = configFactory("fhrp");
  config->acceptModeIs(VirtualIp::acceptModeEnabled);
  Xel::Ptr<VrrpConfig> vrrp = config->vrrpConfigIs("vrrp");
  Pelno::IntfId const eth1(Xel::String8("Ethernet1"));
  Xel::Ptr<VrrpIntfConfig> intf = vrrp->vrrpIntfConfigIs(eth1);
  vrrp->virtualIpAddrIs(
      VirtualIp::VrfIpPair(L3::VrfName(Xel::String8("default")), ip4("192.0.2.1")),
      FhrpIntfIdPair(eth1, VrId(1)));
  Xel::Ptr<VrrpVirtualRouterConfig> vr = intf->virtualRouterConfigIs(VrId(1));
  vr->versionIs(3);
  vr->priorityIs(150);
  vr->primaryAddrIs(ip4("192.0.2.1"));
  vr->secondaryAddrsIs(ip4("192.0.2.2"), true);
  vr->secondaryAddrsIs(ip4("192.0.2.3"), true);
  vr->bfdPeerAddrV4Is(ip4("198.51.100.1"));
  vr->bfdPeerAddrV6Is(ip6("2001:db8::1"));
  vr->authTypeIs(Pelno::vrrpAuthText);
  vr->authKeyIs("s3cret");
  vr->adminEnabledStateIs(Interface::intfEnabled);
  Xel::Ptr<TrackedObject> t1 = vr->vrrpTrackedObjectIs("t1");
  t1->trackActionIsShutdownIs(true);
  t1->trackPriorityDecrementIs(10);

  Xel::Ptr<Out> const out = Out::outNew();
  auto const log = Demuxer::demuxerNew(out);
  config->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
  // One step at a time, until the router's flush stands inside
  // secondaryAddrs; then its adapter gives those contents up.
  for (;;) {
    EXPECT_FALSE(log->flowOutRun(0));
    auto* sa = vr->xelNboAttrLogSa(out);
    if (sa && sa->flowOut() && sa->flowOut()->bookmark()) {
      sa->freeResyncState(Xel::Ptr<Xel::NboAttrLog::FlowOut>(sa->flowOut()));
      break;
    }
  }
  EXPECT_TRUE(log->flowOutRun());
  vr->descriptionIs("uplink to core");
  vr->secondaryAddrsDel(ip4("192.0.2.3"));
  out->capacityIs(0);
  vr->priorityIs(120);
  vr->priorityIs(130);
  out->capacityIs(Out::unlimited);
  EXPECT_TRUE(log->flowOutRun());
  vr->vrrpTrackedObjectDel("t1");
  config->vrrpConfigDel();
  return {out->bytes().begin(), out->bytes().end()};
}

// The page's `hex` blocks, concatenated, and its `logdump` lines.
struct Page {
  std::vector<Xel::U8> bytes;
  std::vector<std::string> lines;
};

Page read(std::string const& path) {
  std::ifstream file(path);
  Page page;
  std::string line, block;
  while (std::getline(file, line)) {
    if (line == "```hex" || line == "```logdump") {
      block = line.substr(3);
    } else if (line == "```") {
      block.clear();
    } else if (block == "hex") {
      std::istringstream words(line);
      std::string word;
      while (words >> word)
        page.bytes.push_back(static_cast<Xel::U8>(std::stoul(word, nullptr, 16)));
    } else if (block == "logdump") {
      page.lines.push_back(line);
    }
  }
  return page;
}

TEST(WireFormatPage, ItsCaptureIsWhatTheLibraryWritesAndDecodesAsItSays) {
  std::vector<Xel::U8> const bytes = capture();
  // For whoever updates the page: each record's bytes and its line.
  std::ofstream dump("wire_format_capture.txt");
  attrlog::Decoder decoder;
  std::vector<std::string> lines;
  Xel::NboAttrLog::RecordReader reader(bytes);
  Xel::NboAttrLog::Record r;
  while (reader.next(&r)) {
    lines.push_back(std::string(decoder.decode(r).line().view()));
    dump << "```hex\n";
    for (std::size_t i = r.offset, end = reader.position(); i < end; ++i) {
      dump << std::hex << (bytes[i] >> 4) << (bytes[i] & 15) << (i + 1 < end ? " " : "\n");
    }
    dump << "```\n\n```logdump\n" << lines.back() << "\n```\n\n";
  }
  Page const page = read(FHRP_SOURCE_DIR "/docs/wire-format.md");
  EXPECT_EQ(page.bytes, bytes) << "the page's capture is not what the library writes";
  EXPECT_EQ(page.lines, lines);
  EXPECT_EQ(page.lines.size(), 51u);
}

}  // namespace
