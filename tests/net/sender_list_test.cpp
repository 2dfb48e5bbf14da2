#include "net/sender_list.h"

#include <gtest/gtest.h>

#include <string>

namespace ploxen {
namespace {

IpAddress Ip(const char* text) {
  const auto address = ParseIpAddress(text);
  EXPECT_TRUE(address.has_value()) << text;
  return address.value_or(IpAddress{});
}

struct AddressCase {
  const char* text;
  const char* formatted;  // nullptr: refused
};

std::ostream& operator<<(std::ostream& os, const AddressCase& c) { return os << c.text; }

class AddressParse : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressParse, ReadsOrRefuses) {
  const auto address = ParseIpAddress(GetParam().text);
  if (GetParam().formatted == nullptr) {
    EXPECT_FALSE(address.has_value());
  } else {
    ASSERT_TRUE(address.has_value());
    EXPECT_EQ(FormatIpAddress(*address), GetParam().formatted);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, AddressParse,
    testing::Values(AddressCase{"192.168.1.7", "192.168.1.7"}, AddressCase{"0.0.0.0", "0.0.0.0"},
                    AddressCase{"::1", "0:0:0:0:0:0:0:1"}, AddressCase{"::", "0:0:0:0:0:0:0:0"},
                    AddressCase{"fe80::1:2", "fe80:0:0:0:0:0:1:2"}, AddressCase{"1::", "1:0:0:0:0:0:0:0"},
                    AddressCase{"2001:DB8:0:0:8:800:200C:417A", "2001:db8:0:0:8:800:200c:417a"},
                    AddressCase{"::ffff:10.1.2.3", "0:0:0:0:0:ffff:a01:203"},
                    AddressCase{"256.1.1.1", nullptr}, AddressCase{"1.2.3", nullptr},
                    AddressCase{"1.2.3.4.5", nullptr}, AddressCase{"01.2.3.4", nullptr},
                    AddressCase{"1.2.3.4 ", nullptr}, AddressCase{"", nullptr}, AddressCase{":::", nullptr},
                    AddressCase{"1::2::3", nullptr}, AddressCase{"1:2:3:4:5:6:7:8:9", nullptr},
                    AddressCase{"1:2:3:4:5:6:7", nullptr}, AddressCase{"12345::", nullptr},
                    AddressCase{"1:", nullptr}, AddressCase{":1", nullptr}, AddressCase{"g::1", nullptr},
                    AddressCase{"fe80::1%eth0", nullptr}, AddressCase{"localhost", nullptr}));

struct MatchCase {
  const char* list;
  const char* sender;
  bool allowed;
};

std::ostream& operator<<(std::ostream& os, const MatchCase& c) { return os << c.list << " / " << c.sender; }

class SenderMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(SenderMatch, AllowsOnlyTheListed) {
  const auto parsed = SenderList::Parse(GetParam().list);
  ASSERT_TRUE(parsed.list.has_value()) << parsed.refusal;
  EXPECT_EQ(parsed.list->Allows(Ip(GetParam().sender)), GetParam().allowed);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SenderMatch,
    testing::Values(MatchCase{"", "127.0.0.1", true}, MatchCase{"", "127.5.5.5", true}, MatchCase{"", "::1", true},
                    MatchCase{"", "::ffff:127.0.0.1", true}, MatchCase{"", "127.0.0.2", true},
                    MatchCase{"", "10.0.0.1", false}, MatchCase{"", "::2", false},
                    MatchCase{"  ", "10.0.0.1", false},
                    MatchCase{"192.168.1.0/24 10.0.0.7", "192.168.1.200", true},
                    MatchCase{"192.168.1.0/24 10.0.0.7", "192.168.2.1", false},
                    MatchCase{"192.168.1.0/24 10.0.0.7", "10.0.0.7", true},
                    MatchCase{"192.168.1.0/24 10.0.0.7", "10.0.0.8", false},
                    MatchCase{"192.168.1.0/24", "::ffff:192.168.1.9", true},
                    MatchCase{"10.0.0.7", "127.0.0.1", false},
                    MatchCase{"10.0.0.0/9", "10.127.255.255", true}, MatchCase{"10.0.0.0/9", "10.128.0.0", false},
                    MatchCase{"0.0.0.0/0", "203.0.113.5", true}, MatchCase{"0.0.0.0/0", "::1", false},
                    MatchCase{"2001:db8::/32", "2001:db8:ffff::1", true},
                    MatchCase{"2001:db8::/32", "2001:db9::1", false},
                    MatchCase{"fe80::/10", "febf::1", true}, MatchCase{"fe80::/10", "fec0::1", false},
                    MatchCase{"::1", "::1", true}, MatchCase{"::1", "127.0.0.1", false},
                    MatchCase{"*", "203.0.113.5", true}, MatchCase{"10.0.0.1 *", "2001:db8::1", true},
                    MatchCase{"\t10.0.0.1\t", "10.0.0.1", true}));

class SenderRefusal : public testing::TestWithParam<const char*> {};

TEST_P(SenderRefusal, NamesTheBadEntry) {
  const std::string text = std::string("10.0.0.1 ") + GetParam() + " ::1";
  const auto parsed = SenderList::Parse(text);
  EXPECT_FALSE(parsed.list.has_value());
  EXPECT_NE(parsed.refusal.find(std::string("\"") + GetParam() + "\""), std::string::npos) << parsed.refusal;
}

INSTANTIATE_TEST_SUITE_P(Entries, SenderRefusal,
                         testing::Values("10.0.0.0/33", "::/129", "10.0.0.0/", "10.0.0.0/x", "10.0.0.0/08",
                                         "hostname", "10.0.0.256", "**", "1.2.3.4/24/8", "/24", "10.0.0.0/-1"));

TEST(SenderList, FromSocketBytes) {
  const std::uint8_t v4[4] = {192, 168, 1, 3};
  const auto a = IpAddress::FromBytes(IpAddress::Family::kV4, v4, 4);
  ASSERT_TRUE(a.has_value());
  EXPECT_TRUE(SenderList::Parse("192.168.1.0/24").list->Allows(*a));
  EXPECT_FALSE(IpAddress::FromBytes(IpAddress::Family::kV6, v4, 4).has_value());
  EXPECT_FALSE(IpAddress::FromBytes(IpAddress::Family::kV4, nullptr, 4).has_value());
}

}  // namespace
}  // namespace ploxen
