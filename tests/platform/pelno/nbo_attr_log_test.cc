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
