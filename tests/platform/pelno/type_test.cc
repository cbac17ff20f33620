// What each network type adds to the laws all of them keep: its exact text
// form, its layout and its own range checks.
#include <Bfd/Peer.h>
#include <Interface/IntfEnabledState.h>
#include <L3/VrfName.h>
#include <Pelno/AddressFamily.h>
#include <Pelno/EthAddr.h>
#include <Pelno/Ip6Addr.h>
#include <Pelno/IpAddrWithMask.h>
#include <Pelno/IpGenAddr.h>
#include <Pelno/Text.h>
#include <Pelno/VrrpAuthType.h>
#include <VirtualIp/AcceptMode.h>
#include <VirtualIp/VrfIpPair.h>
#include <Xel/Exception.h>
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Pelno::fromString;
using Xel::String8;

TEST(PelnoIpAddr, HoldsTheNetworkOrderWord) {
  auto const a = Pelno::IpAddr::fromHostOrder(0xc0000202);
  EXPECT_EQ(a.value(), htonl(0xc0000202));
  EXPECT_EQ(a.hostOrder(), 0xc0000202u);
  EXPECT_EQ(valueToStrep(a), "192.0.2.2");
  EXPECT_EQ(Pelno::IpAddr(), Pelno::IpAddr::fromHostOrder(0));
}

TEST(PelnoIp6Addr, WordsBytesAndHashDescribeOneAddress) {
  auto const a = fromString<Pelno::Ip6Addr>("2001:db8::ffff:192.0.2.4");
  unsigned char const expected[16] = {0x20, 0x01, 0x0d, 0xb8, 0,   0, 0, 0,
                                      0,    0,    0xff, 0xff, 192, 0, 2, 4};
  EXPECT_EQ(std::memcmp(a.bytes(), expected, 16), 0);
  EXPECT_EQ(a.word(0), htonl(0x20010db8));
  EXPECT_EQ(a.word(3), htonl(0xc0000204));
  EXPECT_EQ(Pelno::Ip6Addr(a.word(0), a.word(1), a.word(2), a.word(3)), a);
  EXPECT_EQ(Pelno::Ip6Addr::fromBytes(expected), a);
  EXPECT_EQ(Pelno::Ip6Addr::hash(expected), a.hash());
  EXPECT_THROW(a.word(4), Xel::RangeException);
  EXPECT_EQ(valueToStrep(Pelno::Ip6Addr()), "::");
}

TEST(PelnoIpGenAddr, KeepsTheFamilyAheadOfSixteenBytes) {
  Pelno::IpGenAddr const none;
  EXPECT_EQ(none.af(), Pelno::ipunknown);
  EXPECT_EQ(valueToStrep(none), "unknown");

  auto const v4 = Pelno::IpAddr::fromHostOrder(0xc0000201);
  Pelno::IpGenAddr const g4(v4);
  EXPECT_EQ(g4.af(), Pelno::ipv4);
  EXPECT_EQ(g4.ipAddr(), v4);
  unsigned char const v4Bytes[16] = {192, 0, 2, 1};
  EXPECT_EQ(std::memcmp(g4.addressBytes(), v4Bytes, 16), 0);
  EXPECT_THROW(g4.ip6Addr(), Xel::RangeException);

  auto const v6 = fromString<Pelno::Ip6Addr>("2001:db8::1");
  Pelno::IpGenAddr const g6(v6);
  EXPECT_EQ(g6.af(), Pelno::ipv6);
  EXPECT_EQ(g6.ip6Addr(), v6);
  EXPECT_EQ(std::memcmp(g6.addressBytes(), v6.bytes(), 16), 0);
  EXPECT_THROW(g6.ipAddr(), Xel::RangeException);
  EXPECT_THROW(none.ipAddr(), Xel::RangeException);
}

TEST(PelnoIpAddrWithMask, PrintsAddressSlashLengthAndLimitsTheLength) {
  auto const a = Pelno::IpAddr::fromHostOrder(0xc0000203);
  Pelno::IpAddrWithMask const m(a, 24);
  EXPECT_EQ(valueToStrep(m), "192.0.2.3/24");
  EXPECT_EQ(m.addressWord(), a.value());
  EXPECT_EQ(m.maskLenWord(), 24u);
  EXPECT_NO_THROW(Pelno::IpAddrWithMask(a, 32));
  EXPECT_THROW(Pelno::IpAddrWithMask(a, 33), Xel::RangeException);
}

TEST(PelnoEthAddr, PrintsLowerCaseAndReadsEitherCase) {
  Pelno::EthAddr const e(0x02, 0x00, 0x00, 0xaa, 0xbb, 0xcc);
  EXPECT_EQ(valueToStrep(e), "02:00:00:aa:bb:cc");
  EXPECT_EQ(fromString<Pelno::EthAddr>("02:00:00:AA:BB:CC"), e);
}

TEST(PelnoVrfName, AcceptsAHundredBytesAndNoMore) {
  String8 const hundred(std::string(100, 'v'));
  EXPECT_EQ(L3::VrfName(hundred).str(), hundred);
  EXPECT_THAT([&] { L3::VrfName(hundred + "v"); },
              testing::ThrowsMessage<Xel::RangeException>("VrfName::bytes > 100 not allowed"));
  EXPECT_THROW(fromString<L3::VrfName>(Xel::valueToStrep(hundred + "v")), Xel::ParseException);
}

TEST(PelnoCompound, TextFormsListThePartsInParentheses) {
  L3::VrfName const red(String8("it's"));
  auto const addr = Pelno::IpGenAddr(Pelno::IpAddr::fromHostOrder(0xc0000201));
  VirtualIp::VrfIpPair const pair(red, addr);
  EXPECT_EQ(valueToStrep(pair), "('it\\'s', 192.0.2.1)");
  EXPECT_EQ(fromString<VirtualIp::VrfIpPair>("(  'it\\'s',192.0.2.1 )"), pair);
  Bfd::Peer const peer(addr, red, Pelno::IntfId(String8("Ethernet1")));
  EXPECT_EQ(valueToStrep(peer), "(192.0.2.1, 'it\\'s', 'Ethernet1')");
}

TEST(PelnoCompound, ErrorsPointAtThePartThatFailed) {
  EXPECT_THAT([] { fromString<VirtualIp::VrfIpPair>("('red', 192.0.2.x)"); },
              testing::ThrowsMessage<Xel::ParseException>(
                  "cannot read an IP address at column 8 of '(\\'red\\', 192.0.2.x)'"));
}

// Each enumeration is numbered densely from 0; a number past either end
// raises RangeException naming it.
template <class T>
void expectEnumeration(T (*instance)(long long), int count) {
  for (int n = 0; n < count; ++n) EXPECT_EQ(instance(n), static_cast<T>(n));
  for (long long n : {-1LL, static_cast<long long>(count), 1LL << 40}) {
    EXPECT_THAT([&] { instance(n); }, testing::ThrowsMessage<Xel::RangeException>(
                                          testing::HasSubstr(Xel::valueToStrep(n).stdString())));
  }
}

TEST(PelnoEnumeration, NumbersOutsideTheEnumerationAreRejected) {
  expectEnumeration(Pelno::AddressFamilyInstance, 3);
  expectEnumeration(Pelno::VrrpAuthTypeInstance, 3);
  expectEnumeration(Interface::IntfEnabledStateInstance, 3);
  expectEnumeration(VirtualIp::AcceptModeInstance, 3);
  EXPECT_EQ(valueToStrep(Pelno::ipv4), "ipv4");
  EXPECT_EQ(VirtualIp::AcceptMode(), VirtualIp::acceptModeDefault);
}

}  // namespace
