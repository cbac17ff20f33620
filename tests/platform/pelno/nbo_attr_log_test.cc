#include <Pelno/NboAttrLog.h>
#include <Pelno/Text.h>
#include <Xel/Exception.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Pelno::fromString;
using Xel::String8;
using Xel::U8;
using Xel::NboAttrLog::In;
using Xel::NboAttrLog::Out;

template <class T>
std::vector<U8> bytesOf(T const& v) {
  Xel::Ptr<Out> out = Out::outNew();
  out << v;
  return {out->bytes().begin(), out->bytes().end()};
}

// Writes v, reads it back, and checks that reading used every byte.
template <class T>
T roundTrip(T const& v) {
  Xel::Ptr<Out> out = Out::outNew();
  out << v;
  In in(out->bytes());
  T back{};
  nboAttrLogToValue(&in, &back);
  EXPECT_TRUE(in.atEnd());
  return back;
}

template <class T>
void expectRangeError(std::vector<U8> const& bytes, std::string const& part) {
  In in(bytes);
  T v{};
  try {
    nboAttrLogToValue(&in, &v);
    ADD_FAILURE() << "read a value from bad bytes";
  } catch (Xel::RangeException const& e) {
    EXPECT_NE(std::string(e.message().view()).find(part), std::string::npos) << e.message();
  }
}

TEST(PelnoNboAttrLog, ValuesAreWrittenInWireOrder) {
  EXPECT_EQ(bytesOf(Pelno::IntfId(String8("Et1"))), (std::vector<U8>{0, 0, 0, 3, 'E', 't', '1'}));
  EXPECT_EQ(bytesOf(fromString<Pelno::IpAddr>("192.0.2.3")), (std::vector<U8>{192, 0, 2, 3}));
  EXPECT_EQ(bytesOf(fromString<Pelno::IpAddrWithMask>("192.0.2.3/24")),
            (std::vector<U8>{192, 0, 2, 3, 0, 0, 0, 24}));
  EXPECT_EQ(bytesOf(Pelno::EthAddr(0x02, 0x00, 0x00, 0xaa, 0xbb, 0xcc)),
            (std::vector<U8>{0x02, 0x00, 0x00, 0xaa, 0xbb, 0xcc}));
  std::vector<U8> six(16, 0);
  six[0] = 0x20;
  six[1] = 0x01;
  six[2] = 0x0d;
  six[3] = 0xb8;
  six[15] = 1;
  EXPECT_EQ(bytesOf(fromString<Pelno::Ip6Addr>("2001:db8::1")), six);

  std::vector<U8> v6 = {0, 0, 0, 2};
  v6.insert(v6.end(), six.begin(), six.end());
  EXPECT_EQ(bytesOf(Pelno::IpGenAddr(fromString<Pelno::Ip6Addr>("2001:db8::1"))), v6);
  EXPECT_EQ(bytesOf(Pelno::IpGenAddr()), (std::vector<U8>{0, 0, 0, 0}));
  EXPECT_EQ(bytesOf(fromString<VirtualIp::VrfIpPair>("('red', 192.0.2.1)")),
            (std::vector<U8>{0, 0, 0, 3, 'r', 'e', 'd', 0, 0, 0, 1, 192, 0, 2, 1}));
}

TEST(PelnoNboAttrLog, EveryTypeReadsBackAsWritten) {
  for (char const* name : {"", "Ethernet1", "Port-Channel10.200"}) {
    EXPECT_EQ(roundTrip(Pelno::IntfId(String8(name))), Pelno::IntfId(String8(name)));
  }
  for (char const* a : {"0.0.0.0", "192.0.2.1", "255.255.255.254"}) {
    EXPECT_EQ(roundTrip(fromString<Pelno::IpAddr>(a)), fromString<Pelno::IpAddr>(a));
  }
  for (char const* a : {"::", "2001:db8::1", "2001:db8::ff:1", "::ffff:192.0.2.4"}) {
    EXPECT_EQ(roundTrip(fromString<Pelno::Ip6Addr>(a)), fromString<Pelno::Ip6Addr>(a));
  }
  for (char const* a : {"0.0.0.0/0", "192.0.2.3/24", "198.51.100.1/32"}) {
    EXPECT_EQ(roundTrip(fromString<Pelno::IpAddrWithMask>(a)),
              fromString<Pelno::IpAddrWithMask>(a));
  }
  for (char const* a : {"00:00:00:00:00:00", "02:00:00:aa:bb:cc", "ff:ff:ff:ff:ff:ff"}) {
    EXPECT_EQ(roundTrip(fromString<Pelno::EthAddr>(a)), fromString<Pelno::EthAddr>(a));
  }
  for (char const* p : {"('', unknown)", "('red', 192.0.2.1)", "('blue', 2001:db8::1)"}) {
    EXPECT_EQ(roundTrip(fromString<VirtualIp::VrfIpPair>(p)), fromString<VirtualIp::VrfIpPair>(p));
  }
  L3::VrfName const hundred(String8(std::string(100, 'v')));
  EXPECT_EQ(roundTrip(hundred), hundred);
}

TEST(PelnoNboAttrLog, BytesThatMakeNoValueAreRefused) {
  expectRangeError<Pelno::IntfId>({0, 0, 0, 5, 'E', 't'}, "String8 of 5 bytes");
  expectRangeError<Pelno::IpAddr>({192, 0, 2}, "4 bytes wanted");
  expectRangeError<Pelno::Ip6Addr>(std::vector<U8>(15, 0), "16 bytes wanted");
  expectRangeError<Pelno::EthAddr>({1, 2, 3, 4, 5}, "6 bytes wanted");
  expectRangeError<Pelno::IpAddrWithMask>({192, 0, 2, 1, 0, 0, 0, 33}, "mask length 33");
  expectRangeError<Pelno::IpGenAddr>({0, 0, 0, 3}, "AddressFamily");
  expectRangeError<Pelno::IpGenAddr>({0, 0, 0, 1, 192, 0}, "4 bytes wanted");
  std::vector<U8> longName = {0, 0, 0, 101};
  longName.insert(longName.end(), 101, 'v');
  expectRangeError<L3::VrfName>(longName, "VrfName::bytes > 100 not allowed");
  expectRangeError<VirtualIp::VrfIpPair>({0, 0, 0, 0, 0, 0, 0, 2, 0x20, 0x01}, "16 bytes wanted");
}

}  // namespace
