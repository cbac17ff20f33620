#include <FhrpConf/FhrpConfigKey.h>
#include <FhrpConf/FhrpIntfIdPair.h>
#include <FhrpConf/ModelHashes.h>
#include <FhrpConf/VrId.h>
#include <Pelno/NboAttrLog.h>
#include <Pelno/Text.h>
#include <Xel/Exception.h>
#include <Xel/Text.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Pelno::IntfId;
using Routing::Fhrp::FhrpConfigKey;
using Routing::Fhrp::FhrpIntfIdPair;
using Routing::Fhrp::VrId;
using Xel::String8;
using Xel::NboAttrLog::In;
using Xel::NboAttrLog::Out;

constexpr char const* rangeMessage = "VrId::value < VrId::min or > VrId::max not allowed";

template <class T>
T read(std::string const& text) {
  return Xel::strepToValue(String8(text), static_cast<T*>(nullptr));
}

template <class F>
std::string rangeError(F f) {
  try {
    f();
  } catch (Xel::RangeException const& e) {
    return e.message().stdString();
  }
  return "no RangeException";
}

IntfId intf(char const* name) {
  return IntfId(String8(name));
}

std::vector<Xel::U8> logBytes(Xel::Ptr<Out> const& out) {
  return {out->bytes().begin(), out->bytes().end()};
}

// Samples in ascending order: only == and < are primary, and every other
// operator must agree with them, as must the hash with ==.
template <class T>
void expectOrderingLaws(std::vector<T> const& v) {
  for (std::size_t i = 0; i < v.size(); ++i) {
    for (std::size_t j = 0; j < v.size(); ++j) {
      T const &a = v[i], &b = v[j];
      EXPECT_EQ(a == b, i == j) << i << " " << j;
      EXPECT_EQ(a < b, i < j) << i << " " << j;
      EXPECT_EQ(a != b, i != j);
      EXPECT_EQ(a <= b, i <= j);
      EXPECT_EQ(a > b, i > j);
      EXPECT_EQ(a >= b, i >= j);
      if (i == j) {
        EXPECT_EQ(a.hash(), T(a).hash());
      }
    }
  }
}

TEST(FhrpVrId, RangeIsZeroToTwoHundredFiftySix) {
  EXPECT_EQ(VrId().value(), 0u);
  EXPECT_EQ(VrId::min, 0u);
  EXPECT_EQ(VrId::max, 256u);
  EXPECT_EQ(VrId(256).value(), 256u);
  EXPECT_EQ(VrId(256).hash(), 256u);
  EXPECT_EQ(rangeError([] { VrId(257); }), rangeMessage);
  EXPECT_EQ(rangeError([] { VrId(0xffffffffu); }), rangeMessage);
  expectOrderingLaws(std::vector<VrId>{VrId(0), VrId(1), VrId(255), VrId(256)});
}

TEST(FhrpVrId, TextIsTheBareNumberAndRejectsJunk) {
  EXPECT_EQ(valueToStrep(VrId(256)), "256");
  std::ostringstream os;
  os << VrId(7);
  EXPECT_EQ(os.str(), "7");
  EXPECT_EQ(read<VrId>("256"), VrId(256));
  EXPECT_EQ(read<VrId>(" 0"), VrId());
  EXPECT_EQ(rangeError([] { read<VrId>("257"); }), rangeMessage);
  EXPECT_EQ(rangeError([] { read<VrId>("25x"); }), "junk at column 2 deserializing 25x");
  EXPECT_EQ(rangeError([] { read<VrId>("256 "); }), "junk at column 3 deserializing 256 ");
  EXPECT_THROW(read<VrId>("x"), Xel::ParseException);
}

TEST(FhrpIntfIdPair, OrdersByInterfaceFirstAndHashesBothFields) {
  FhrpIntfIdPair const p(intf("Ethernet1"), VrId(5));
  EXPECT_EQ(p.hash(), intf("Ethernet1").hash() ^ 5u);
  EXPECT_EQ(p.hash(), 0x0d09c728u);
  expectOrderingLaws(std::vector<FhrpIntfIdPair>{{},
                                                 {intf(""), VrId(256)},
                                                 {intf("Et1"), VrId(0)},
                                                 {intf("Et1"), VrId(9)},
                                                 {intf("Et2"), VrId(1)},
                                                 {intf("Et3"), VrId(0)}});
}

// Fields in another order, and white space, are the registry test's.
TEST(FhrpIntfIdPair, TextReadsBackWithFieldsLeftOutOrRepeated) {
  FhrpIntfIdPair const p(intf("Ethernet1"), VrId(256));
  std::string const text =
      "Value('Routing::Fhrp::FhrpIntfIdPair', ** {'intfId': 'Ethernet1', "
      "'vrId': 256})";
  EXPECT_EQ(valueToStrep(p).stdString(), text);
  std::ostringstream os;
  os << p;
  EXPECT_EQ(os.str(), text);
  EXPECT_EQ(read<FhrpIntfIdPair>(text), p);
  // A missing field keeps its default; a repeated one takes the later value.
  EXPECT_EQ(read<FhrpIntfIdPair>("Value('Routing::Fhrp::FhrpIntfIdPair', ** {'intfId': 'Et1'})"),
            FhrpIntfIdPair(intf("Et1"), VrId()));
  EXPECT_EQ(
      read<FhrpIntfIdPair>("Value('Routing::Fhrp::FhrpIntfIdPair', ** {'vrId': 1, 'vrId': 2})"),
      FhrpIntfIdPair(intf(""), VrId(2)));
  EXPECT_EQ(read<FhrpIntfIdPair>("Value('Routing::Fhrp::FhrpIntfIdPair', ** {})"),
            FhrpIntfIdPair());
}

TEST(FhrpIntfIdPair, TextErrorsNameWhatWentWrong) {
  std::string const head = "Value('Routing::Fhrp::FhrpIntfIdPair', ** {";
  EXPECT_EQ(rangeError([&] { read<FhrpIntfIdPair>(head + "'intfId': 'e', 'af': ipv4})"); }),
            "FhrpIntfIdPair has no such attribute: af");
  EXPECT_EQ(rangeError([&] { read<FhrpIntfIdPair>(head); }),
            "premature end of value type FhrpIntfIdPair");
  EXPECT_EQ(rangeError([&] { read<FhrpIntfIdPair>(head + "'vrId': 2 "); }),
            "premature end of value type FhrpIntfIdPair");
  EXPECT_EQ(rangeError([&] { read<FhrpIntfIdPair>(head + "'vrId': 257})"); }),
            std::string(rangeMessage) + " (attribute vrId)");
  std::string const junk = head + "})x";
  EXPECT_EQ(rangeError([&] { read<FhrpIntfIdPair>(junk); }),
            "junk at column " + std::to_string(junk.size() - 1) + " deserializing " + junk);
  for (std::string const& bad :
       {std::string("Value('Routing::Fhrp::FhrpConfigKey', ** {})"), head + "'vrId': 1 'x': 2})",
        head + ", 'vrId': 1})", head + "'vrId' 1})", "Valeu" + head.substr(5),
        head + "'intfId': Et1})"}) {
    EXPECT_THROW(read<FhrpIntfIdPair>(bad), Xel::ParseException) << bad;
  }
}

TEST(FhrpConfigKey, ReloadDelayOrdersButDoesNotHash) {
  FhrpConfigKey const a(intf("Ethernet1"), VrId(5), Pelno::ipunknown, 10);
  FhrpConfigKey const b(intf("Ethernet1"), VrId(5), Pelno::ipunknown, 20);
  EXPECT_EQ(a.hash(), b.hash());
  EXPECT_NE(a, b);
  EXPECT_LT(a, b);
  EXPECT_EQ(a.hash(), FhrpIntfIdPair(intf("Ethernet1"), VrId(5)).hash());
  // The family shifts the hash, modulo 32, losing the bits shifted out.
  FhrpConfigKey k = a;
  k.afIs(Pelno::ipv6);
  EXPECT_EQ(k.hash(), 0x34271ca0u);
  k.afIs(static_cast<Pelno::AddressFamily>(33));
  EXPECT_EQ(k.hash(), 0x0d09c728u << 1);
  k.afIs(static_cast<Pelno::AddressFamily>(-1));
  EXPECT_EQ(k.hash(), 0u);
  auto key = [](char const* i, Xel::U32 v, int af, Xel::U32 delay) {
    return FhrpConfigKey(intf(i), VrId(v), static_cast<Pelno::AddressFamily>(af), delay);
  };
  expectOrderingLaws(std::vector<FhrpConfigKey>{
      key("", 0, 0, 0), key("Et1", 0, -1, 9), key("Et1", 0, 0, 0), key("Et1", 0, 0, 0xffffffff),
      key("Et1", 0, 2, 0), key("Et1", 1, 0, 0), key("Et2", 0, 0, 0)});
}

// Round trips of every value type are the generic table test's, through
// the registry; here, what goes wrong.
TEST(FhrpConfigKey, TextErrorsNameWhatWentWrong) {
  std::string const head = "Value('Routing::Fhrp::FhrpConfigKey', ** {";
  EXPECT_EQ(rangeError([&] { read<FhrpConfigKey>(head + "'priority': 1})"); }),
            "FhrpConfigKey has no such attribute: priority");
  EXPECT_EQ(rangeError([&] { read<FhrpConfigKey>(head + "'af': ipv4 "); }),
            "premature end of value type FhrpConfigKey");
  EXPECT_EQ(rangeError([&] { read<FhrpConfigKey>(head + "'vrId': 300})"); }),
            std::string(rangeMessage) + " (attribute vrId)");
}

TEST(FhrpValueTypes, AttributeLogFormsAndChecks) {
  Xel::Ptr<Out> out = Out::outNew();
  out << VrId(256) << FhrpIntfIdPair(intf("E"), VrId(5))
      << FhrpConfigKey(intf("E"), VrId(6), Pelno::ipv6, 70000);
  EXPECT_EQ(logBytes(out),
            (std::vector<Xel::U8>{0, 0, 1,   0, 0, 0, 0, 1, 'E', 0, 0, 0, 5, 0,    0,
                                  0, 1, 'E', 0, 0, 0, 6, 0, 0,   0, 2, 0, 1, 0x11, 0x70}));
  In in(out->bytes());
  EXPECT_EQ(VrId(&in, Xel::StreamBogon()), VrId(256));
  EXPECT_EQ(FhrpIntfIdPair(&in, Xel::StreamBogon()), FhrpIntfIdPair(intf("E"), VrId(5)));
  EXPECT_EQ(FhrpConfigKey(&in, Xel::StreamBogon()),
            FhrpConfigKey(intf("E"), VrId(6), Pelno::ipv6, 70000));
  EXPECT_TRUE(in.atEnd());

  // A lone VrId is taken as written; inside a composite it is checked.
  Xel::Ptr<Out> bad = Out::outNew();
  bad << IntfId() << 300u << 0u << 0u;
  In lone(bad->bytes().subspan(4));
  EXPECT_EQ(VrId(&lone, Xel::StreamBogon()).value(), 300u);
  In pair(bad->bytes()), key(bad->bytes());
  EXPECT_EQ(rangeError([&] { FhrpIntfIdPair(&pair, Xel::StreamBogon()); }), rangeMessage);
  EXPECT_EQ(rangeError([&] { FhrpConfigKey(&key, Xel::StreamBogon()); }), rangeMessage);
  Xel::Ptr<Out> badAf = Out::outNew();
  badAf << IntfId() << 1u << 7u << 0u;
  In af(badAf->bytes());
  EXPECT_NE(rangeError([&] { FhrpConfigKey(&af, Xel::StreamBogon()); }).find("AddressFamily"),
            std::string::npos);
}

TEST(FhrpModelHashes, ImportedKeysHashAsTheModelSays) {
  using Pelno::fromString;
  EXPECT_EQ(Routing::Fhrp::ipAddrWithMaskHash(fromString<Pelno::IpAddrWithMask>("192.0.2.3/24")),
            0x3c0b4eebu);
  EXPECT_EQ(Routing::Fhrp::ipAddrWithMaskHash(Pelno::IpAddrWithMask()), 0xcaa3caa3u);
  EXPECT_EQ(Routing::Fhrp::ipAddrWithMaskHash(fromString<Pelno::IpAddrWithMask>("198.51.100.1/32")),
            0xa7fe24d9u);
  auto const red = fromString<VirtualIp::VrfIpPair>("('red', 192.0.2.1)");
  EXPECT_EQ(Routing::Fhrp::vrfIpPairHash(red), 0xde6d0788u);
  // Only the address bytes count, not the family word before them.
  VirtualIp::VrfIpPair const unknown, zero{L3::VrfName(), Pelno::IpAddr()};
  EXPECT_NE(unknown, zero);
  EXPECT_EQ(Routing::Fhrp::vrfIpPairHash(unknown), Routing::Fhrp::vrfIpPairHash(zero));
}

TEST(FhrpVrfName, CharacterStringsUpToAHundredBytes) {
  std::string const hundred(100, 'v');
  EXPECT_EQ(L3::VrfName(hundred.c_str()).str(), String8(hundred));
  EXPECT_EQ(rangeError([&] { L3::VrfName((hundred + "v").c_str()); }),
            "VrfName::bytes > 100 not allowed");
  EXPECT_EQ(L3::VrfName(static_cast<char const*>(nullptr)), L3::VrfName());
  EXPECT_EQ(L3::VrfName("red"), L3::VrfName(String8("red")));
}

}  // namespace
