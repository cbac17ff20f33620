// The laws every network value type keeps: text reads back as the value it
// came from, order is strict and total, and hash agrees with equality. Each
// type supplies samples in ascending order and texts that must not read.
#include <Bfd/Peer.h>
#include <Interface/IntfEnabledState.h>
#include <L3/VrfName.h>
#include <Pelno/AddressFamily.h>
#include <Pelno/EthAddr.h>
#include <Pelno/IntfId.h>
#include <Pelno/Ip6Addr.h>
#include <Pelno/IpAddr.h>
#include <Pelno/IpAddrWithMask.h>
#include <Pelno/IpGenAddr.h>
#include <Pelno/NboAttrLog.h>
#include <Pelno/Text.h>
#include <Pelno/VrrpAuthType.h>
#include <VirtualIp/AcceptMode.h>
#include <VirtualIp/VrfIpPair.h>
#include <Xel/Exception.h>
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Pelno::fromString;
using Xel::String8;

template <class T>
struct Samples;

template <class T>
T read(char const* text) {
  return fromString<T>(String8(text));
}

template <>
struct Samples<Pelno::IntfId> {
  static std::vector<Pelno::IntfId> ascending() {
    std::vector<Pelno::IntfId> v;
    for (char const* name :
         {"", "Ethernet1", "Ethernet10", "Ethernet2", "back\\slash", "it's", "\xff\n"}) {
      v.emplace_back(String8(name));
    }
    return v;
  }
  static std::vector<String8> bad() { return {"", "Ethernet1", "'Ethernet1", "\"Ethernet1\""}; }
};

template <>
struct Samples<Pelno::IpAddr> {
  static std::vector<Pelno::IpAddr> ascending() {
    std::vector<Pelno::IpAddr> v;
    for (char const* a :
         {"0.0.0.0", "0.0.0.255", "192.0.2.0", "192.0.2.2", "192.0.2.10", "255.255.255.255"}) {
      v.push_back(fromString<Pelno::IpAddr>(a));
    }
    return v;
  }
  static std::vector<String8> bad() {
    return {"",    "192.0.2",      "256.0.2.1", "192.0.2.4.5",
            "::1", "192.0.2.4/24", "a.b.c.d",   String8("192.0.2.4\0", 10)};
  }
};

template <>
struct Samples<Pelno::Ip6Addr> {
  static std::vector<Pelno::Ip6Addr> ascending() {
    std::vector<Pelno::Ip6Addr> v;
    for (char const* a : {"::", "::1", "::ffff:192.0.2.4", "2001:db8::1", "2001:db8::1:0",
                          "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"}) {
      v.push_back(fromString<Pelno::Ip6Addr>(a));
    }
    return v;
  }
  static std::vector<String8> bad() {
    return {"", "192.0.2.4", ":::", "2001:db8::1::2", "g::1", String8("::1\0", 4)};
  }
};

template <>
struct Samples<Pelno::IpGenAddr> {
  static std::vector<Pelno::IpGenAddr> ascending() {
    std::vector<Pelno::IpGenAddr> v{Pelno::IpGenAddr()};
    for (auto a : Samples<Pelno::IpAddr>::ascending()) v.emplace_back(a);
    for (auto a : Samples<Pelno::Ip6Addr>::ascending()) v.emplace_back(a);
    return v;
  }
  static std::vector<String8> bad() {
    return {"", "ipunknown", "unknown4", "192.0.2", "2001:db8:::1", "192.0.2.1/24"};
  }
};

template <>
struct Samples<Pelno::IpAddrWithMask> {
  static std::vector<Pelno::IpAddrWithMask> ascending() {
    auto const a = Samples<Pelno::IpAddr>::ascending();
    return {{a[0], 0}, {a[2], 32}, {a[3], 8}, {a[3], 24}, {a[4], 0}, {a[5], 32}};
  }
  static std::vector<String8> bad() {
    return {"",    "192.0.2.3",  "192.0.2.3/",   "192.0.2.3/33", "192.0.2.3/2x", "192.0.2.3/-1",
            "/24", "192.0.2/24", "192.0.2.3/100"};
  }
};

template <>
struct Samples<Pelno::EthAddr> {
  static std::vector<Pelno::EthAddr> ascending() {
    return {{0, 0, 0, 0, 0, 0},
            {0x02, 0x00, 0x00, 0xaa, 0xbb, 0xcc},
            {0x02, 0x00, 0x00, 0xaa, 0xbb, 0xcd},
            {0x02, 0x01, 0, 0, 0, 0},
            {0xff, 0xff, 0xff, 0xff, 0xff, 0xff}};
  }
  static std::vector<String8> bad() {
    return {"",
            "2:00:00:aa:bb:cc",
            "02:00:00:aa:bb",
            "02-00-00-aa-bb-cc",
            "02:00:00:aa:bb:cg",
            "02:00:00:aa:bb:cc:dd",
            "0200.00aa.bbcc"};
  }
};

template <>
struct Samples<L3::VrfName> {
  static std::vector<L3::VrfName> ascending() {
    // From String8: the character-string constructor belongs to libFhrpConf.
    return {L3::VrfName(), L3::VrfName(String8("default")), L3::VrfName(String8("red")),
            L3::VrfName(String8(std::string(100, 'z')))};
  }
  static std::vector<String8> bad() { return {"", "red", "'red"}; }
};

template <>
struct Samples<VirtualIp::VrfIpPair> {
  static std::vector<VirtualIp::VrfIpPair> ascending() {
    auto const v4 = Pelno::IpGenAddr(fromString<Pelno::IpAddr>("192.0.2.1"));
    auto const v6 = Pelno::IpGenAddr(fromString<Pelno::Ip6Addr>("::1"));
    L3::VrfName const blue(String8("blue"));
    return {{}, {L3::VrfName(), v4}, {blue, v4}, {blue, v6}, {L3::VrfName(String8("red")), {}}};
  }
  static std::vector<String8> bad() {
    return {"",
            "'red', 192.0.2.1",
            "('red' 192.0.2.1)",
            "('red', 192.0.2.1",
            "(red, 192.0.2.1)",
            "('red', 192.0.2.x)",
            "('red', 192.0.2.1, 'x')"};
  }
};

template <>
struct Samples<Bfd::Peer> {
  static std::vector<Bfd::Peer> ascending() {
    auto const a = Samples<Pelno::IpGenAddr>::ascending();
    L3::VrfName const red(String8("red"));
    Pelno::IntfId const et1("Ethernet1");
    return {{}, {a[4], {}}, {a[4], red}, {a[4], red, et1}, {a[5], {}}, {a.back(), red, et1}};
  }
  static std::vector<String8> bad() {
    return {"", "(192.0.2.1, 'red')", "(192.0.2.1, 'red', Ethernet1)", "(192.0.2.1 'red' '')",
            "('red', 192.0.2.1, '')"};
  }
};

// Enumerations: every enumerator, and texts that name none.
template <class T, T... enumerators>
struct EnumSamples {
  static std::vector<T> ascending() { return {enumerators...}; }
  static std::vector<String8> bad() { return {"", "0", "none", "'ipv4'"}; }
};
template <>
struct Samples<Pelno::AddressFamily>
    : EnumSamples<Pelno::AddressFamily, Pelno::ipunknown, Pelno::ipv4, Pelno::ipv6> {};
template <>
struct Samples<Pelno::VrrpAuthType> : EnumSamples<Pelno::VrrpAuthType, Pelno::vrrpAuthNone,
                                                  Pelno::vrrpAuthText, Pelno::vrrpAuthIpsecAh> {};
template <>
struct Samples<Interface::IntfEnabledState>
    : EnumSamples<Interface::IntfEnabledState, Interface::intfEnabledStateUnknown,
                  Interface::intfEnabled, Interface::intfShutdown> {};
template <>
struct Samples<VirtualIp::AcceptMode>
    : EnumSamples<VirtualIp::AcceptMode, VirtualIp::acceptModeDefault, VirtualIp::acceptModeEnabled,
                  VirtualIp::acceptModeDisabled> {};

template <class T>
String8 strep(T const& v) {
  return valueToStrep(v);
}

// Checks the order of values given in ascending order: < and == agree with
// their positions for every pair, which makes < irreflexive, total and
// transitive over the samples.
template <class T>
void expectAscending(std::vector<T> const& v) {
  for (std::size_t i = 0; i < v.size(); ++i) {
    for (std::size_t j = 0; j < v.size(); ++j) {
      EXPECT_EQ(v[i] < v[j], i < j) << strep(v[i]) << " < " << strep(v[j]);
      EXPECT_EQ(v[i] == v[j], i == j) << strep(v[i]) << " == " << strep(v[j]);
      EXPECT_EQ(v[i] != v[j], i != j) << strep(v[i]) << " != " << strep(v[j]);
    }
  }
}

template <class T>
class PelnoValue : public testing::Test {};

using ValueTypes =
    testing::Types<Pelno::IntfId, Pelno::IpAddr, Pelno::Ip6Addr, Pelno::IpGenAddr,
                   Pelno::IpAddrWithMask, Pelno::EthAddr, L3::VrfName, VirtualIp::VrfIpPair,
                   Bfd::Peer, Pelno::AddressFamily, Pelno::VrrpAuthType,
                   Interface::IntfEnabledState, VirtualIp::AcceptMode>;
TYPED_TEST_SUITE(PelnoValue, ValueTypes);

TYPED_TEST(PelnoValue, SamplesAreInStrictAscendingOrder) {
  expectAscending(Samples<TypeParam>::ascending());
}

// Writes v on an attribute log, reads it back, and checks that reading used
// every byte.
template <class T>
T logRoundTrip(T const& v) {
  Xel::Ptr<Xel::NboAttrLog::Out> out = Xel::NboAttrLog::Out::outNew();
  out << v;
  Xel::NboAttrLog::In in(out->bytes());
  T back{};
  nboAttrLogToValue(&in, &back);
  EXPECT_TRUE(in.atEnd());
  return back;
}

TYPED_TEST(PelnoValue, TextAndLogFormsReadBackAsTheSameValue) {
  for (TypeParam const& v : Samples<TypeParam>::ascending()) {
    if constexpr (requires(Xel::NboAttrLog::In * in, TypeParam * p) { nboAttrLogToValue(in, p); }) {
      EXPECT_EQ(logRoundTrip(v), v) << strep(v);
    }
    String8 const text = strep(v);
    std::ostringstream streamed;
    streamed << v;
    EXPECT_EQ(streamed.str(), text.view());

    TypeParam const back = fromString<TypeParam>(text);
    EXPECT_EQ(back, v) << text;
    if constexpr (requires { v.hash(); }) {
      EXPECT_EQ(back.hash(), v.hash()) << text;
    }

    // Within a longer text, reading skips the white space before the value
    // and stops right after it.
    String8 const longer = " \t" + text + " ,rest";
    auto pos = longer.begin();
    TypeParam embedded{};
    sequenceToValue(pos, longer.end(), &embedded);
    EXPECT_EQ(embedded, v) << longer;
    EXPECT_EQ(pos.column(), static_cast<long long>(2 + text.size())) << longer;
  }
}

TYPED_TEST(PelnoValue, HashDistinguishesTheSamples) {
  if constexpr (requires(TypeParam v) { v.hash(); }) {
    std::set<Xel::U32> hashes;
    auto const samples = Samples<TypeParam>::ascending();
    for (TypeParam const& v : samples) hashes.insert(v.hash());
    EXPECT_EQ(hashes.size(), samples.size());
  }
}

template <class T>
void expectParseErrorQuoting(String8 const& text) {
  try {
    fromString<T>(text);
    ADD_FAILURE() << "read " << text;
  } catch (Xel::ParseException const& e) {
    EXPECT_NE(e.message().view().find(Xel::valueToStrep(text).view()), std::string::npos)
        << e.message();
  }
}

TYPED_TEST(PelnoValue, BadTextRaisesParseExceptionQuotingIt) {
  for (String8 const& text : Samples<TypeParam>::bad()) expectParseErrorQuoting<TypeParam>(text);
}

TYPED_TEST(PelnoValue, TrailingTextIsRejected) {
  for (TypeParam const& v : Samples<TypeParam>::ascending()) {
    expectParseErrorQuoting<TypeParam>(strep(v) + " x");
  }
}

}  // namespace
