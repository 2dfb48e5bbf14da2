// Callers' formats: exactly C where the conversion fits the value, the
// conversion's own text where it does not, and never more than the values given.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "sources/caller_format.h"

namespace ploxen::test {
namespace {

TEST(CallerFormat, MacroGuideExamples) {
  EXPECT_EQ(FormatLong("Formatierte LONG-Ausgabe %ld", 123456789), "Formatierte LONG-Ausgabe 123456789");
  EXPECT_EQ(FormatDouble("Formatierte DOUBLE-Ausgabe %10.3lf", 1234.5678), "Formatierte DOUBLE-Ausgabe   1234.568");
  EXPECT_EQ(FormatString("%20s", "Mein String"), "         Mein String");
  EXPECT_EQ(FormatString("%-5s|", "ab"), "ab   |");
  EXPECT_EQ(FormatString("%.2s", "abc"), "ab");
}

TEST(CallerFormat, IntegersTakeTheTypeOfTheirLengthModifier) {
  EXPECT_EQ(FormatShort("%d", -1), "-1");
  EXPECT_EQ(FormatShort("%x", -1), "ffffffff");
  EXPECT_EQ(FormatShort("%hx", -1), "ffff");
  EXPECT_EQ(FormatLong("%lx", -1), "ffffffff") << "long is 32 bits, as for the callers";
  EXPECT_EQ(FormatLong("%llx", -1), "ffffffffffffffff");
  EXPECT_EQ(FormatLong("%hhd", 200), "-56");
  EXPECT_EQ(FormatLong("%hu", 70000), "4464");
  EXPECT_EQ(FormatLong("%d", std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(FormatLong("%#.0o", 0), "0");
  EXPECT_EQ(FormatLong("[%c]", 65 + 256), "[A]");
  EXPECT_EQ(FormatLong("%-3c|", 'x'), "x  |");
}

struct Literal {
  const char* format;
  const char* expected;
};

// Value 7 (or "v", or 2.5) for the single-value functions.
class NotFitting : public ::testing::TestWithParam<Literal> {};

TEST_P(NotFitting, LongShowsTheConversionsOwnText) {
  EXPECT_EQ(FormatLong(GetParam().format, 7), GetParam().expected);
  EXPECT_EQ(FormatShort(GetParam().format, 7), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(CallerFormat, NotFitting, ::testing::Values(
    Literal{"%s%s%s%n", "%s%s%s%n"}, Literal{"%n%d", "%n7"}, Literal{"%hhn%lln", "%hhn%lln"},
    Literal{"%*d", "%*d"}, Literal{"%.*d|%d", "%.*d|7"}, Literal{"%d %d", "7 %d"},
    Literal{"%99999999d", "%99999999d"}, Literal{"%.99999999d", "%.99999999d"},
    Literal{"%4097d", "%4097d"}, Literal{"%184467440737095516170d", "%184467440737095516170d"},
    Literal{"100%", "100%"}, Literal{"%-05", "%-05"}, Literal{"%%d", "%d"}, Literal{"%5%", "%5%"},
    Literal{"%Ld %lc %f %p", "%Ld %lc %f %p"}, Literal{"%d%", "7%"}));

TEST(CallerFormat, OtherValuesDeclineWhatIsNotTheirs) {
  EXPECT_EQ(FormatString("%d %ls %s %s", "v"), "%d %ls v %s");
  EXPECT_EQ(FormatString("%s|", std::string("ab\0cd", 5)), "ab|") << "a C string ends at its NUL";
  EXPECT_EQ(FormatDouble("%d %hf %.5000f %.2f %f", 2.5), "%d %hf %.5000f 2.50 %f");
  EXPECT_EQ(FormatDouble("%Lf", 2.5), "2.500000");
}

TEST(CallerFormat, TenStringsTakeEachSInTurnAndNoEleventh) {
  FormatStrings values;
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = std::to_string(i);
  std::string format;
  for (int i = 0; i < 11; ++i) format += "%s,";
  EXPECT_EQ(FormatTenStrings(format, values), "0,1,2,3,4,5,6,7,8,9,%s,");
  EXPECT_EQ(FormatTenStrings("%d%3s%-2s|", values), "%d  01 |");
}

TEST(CallerFormat, LongFormatsStayBounded) {
  std::string many;
  while (many.size() < 10000) many += "%4096s%99999999d";
  FormatStrings values;
  const std::string ten = FormatTenStrings(many, values);
  EXPECT_EQ(ten.size(), many.size() + 10 * (4096 - 6)) << "ten fields rendered, the rest as written";
  EXPECT_EQ(FormatLong(many, 1).size(), many.size());
  const std::string plain(10000, 'x');
  EXPECT_EQ(FormatDouble(plain + "%f", 1.0), plain + "1.000000");
  EXPECT_EQ(FormatLong("%4096d", 1).size(), 4096u);
  EXPECT_EQ(FormatDouble("%.4096f", 1e308).size(), 309u + 1 + 4096);
}

// Every fitting conversion of a generated table against the C library itself.
std::vector<std::string> Conversions(const std::vector<std::string>& flagSets,
                                     const std::vector<std::string>& lengths, const std::string& types) {
  std::vector<std::string> conversions;
  for (const std::string& flags : flagSets)
    for (const char* width : {"", "1", "9"})
      for (const char* precision : {"", ".", ".0", ".3", ".17"})
        for (const std::string& length : lengths)
          for (char type : types) conversions.push_back("%" + flags + width + precision + length + type);
  return conversions;
}

std::vector<std::string> FlagSets(const std::string& allowed) {
  std::vector<std::string> sets;
  for (unsigned mask = 0; mask < (1u << allowed.size()); ++mask) {
    std::string set;
    for (std::size_t i = 0; i < allowed.size(); ++i)
      if (mask & (1u << i)) set += allowed[i];
    sets.push_back(set);
  }
  return sets;
}

template <class T>
std::string WithC(const std::string& conversion, T value) {
  char buffer[512];
  const int n = std::snprintf(buffer, sizeof buffer, conversion.c_str(), value);
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

TEST(CallerFormat, IntegersAsC) {
  const std::int32_t values[] = {0, 1, -1, 42, -42, 65535, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()};
  std::vector<std::string> conversions = Conversions(FlagSets("-+ 0"), {"", "hh", "h", "ll"}, "di");
  for (const std::string& conversion : Conversions(FlagSets("-#0"), {"", "hh", "h", "ll"}, "uoxX")) conversions.push_back(conversion);
  for (const std::string& conversion : conversions)
    for (std::int32_t v : values) {
      const std::string c = conversion.find("ll") != std::string::npos ? WithC(conversion, static_cast<long long>(v)) : WithC(conversion, v);
      // mingw's printf drops the 0 that "#" owes to a zero with precision 0; ours is pinned above.
      const std::size_t point = conversion.find('.');
      if (conversion.back() == 'o' && conversion.find('#') != std::string::npos && point != std::string::npos &&
          (conversion[point + 1] < '1' || conversion[point + 1] > '9') && c.find('0') == std::string::npos)
        continue;
      ASSERT_EQ(FormatLong(conversion, v), c) << conversion << " " << v;
    }
}

TEST(CallerFormat, DoublesAsC) {
  const double values[] = {0.0, -0.0, 1234.5678, 0.5, 2.5, -1.5, 1e-300, 1e300, 4.9e-324,
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                           std::nan("")};
  for (const std::string& conversion : Conversions(FlagSets("-+ #0"), {"", "l"}, "fFeEgGaA"))
    for (double v : values) ASSERT_EQ(FormatDouble(conversion, v), WithC(conversion, v)) << conversion << " " << v;
}

TEST(CallerFormat, StringsAsC) {
  for (const std::string& conversion : Conversions(FlagSets("-"), {""}, "s"))
    for (const char* v : {"", "a", "Mein String", "\xC4nderung"}) {
      ASSERT_EQ(FormatString(conversion, v), WithC(conversion, v)) << conversion;
      FormatStrings ten;
      ten[0] = v;
      ASSERT_EQ(FormatTenStrings(conversion, ten), WithC(conversion, v)) << conversion;
    }
}

}  // namespace
}  // namespace ploxen::test
