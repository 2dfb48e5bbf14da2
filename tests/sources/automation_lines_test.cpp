// The automation object's lines: kinds, stamps, and what WriteV makes of its
// ten arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "sources/automation_lines.h"

namespace ploxen::test {
namespace {

Clock FixedClock() {
  return [] { return TimeOfDay{9, 30, 0, 125}; };
}

VariantValue Of(std::uint16_t type, std::uint64_t bits = 0, double real = 0, std::string text = {}) {
  VariantValue v;
  v.type = type;
  v.bits = bits;
  v.real = real;
  v.text = std::move(text);
  return v;
}

VariantValue RefTo(VariantValue target) {
  VariantValue v = Of(kVtVariant | kVtByRef);
  v.referenced = std::make_shared<VariantValue>(std::move(target));
  return v;
}

std::string WriteV(std::string_view format, const std::vector<VariantValue>& args) {
  std::vector<const VariantValue*> pointers;
  for (const VariantValue& v : args) pointers.push_back(&v);
  AutomationLines lines(FixedClock());
  lines.SetUhrzeit(false);
  return lines.WriteV(0, format, pointers.data(), pointers.size()).text;
}

TEST(AutomationLines, KindFromTheMessageTypeAndTheSystemsSource) {
  AutomationLines lines(FixedClock());
  const std::pair<int, MessageKind> kinds[] = {{1, 0x403}, {2, 0x203}, {3, 0x103}, {0, 0x303}, {7, 0x303}, {-1, 0x303}};
  for (const auto& [type, kind] : kinds) {
    const IncomingLine line = lines.Write(type, "x");
    EXPECT_EQ(line.kind, kind) << type;
    EXPECT_EQ(line.source, kSourceSystem);
  }
}

TEST(AutomationLines, StampedUntilUhrzeitIsOffWhichKeepsThePrevious) {
  std::vector<TimeOfDay> times = {{9, 0, 0, 0}, {9, 0, 0, 40}, {9, 0, 1, 0}};
  std::size_t next = 0;
  AutomationLines lines([&] { return times.at(next++); });
  EXPECT_TRUE(lines.Uhrzeit());
  EXPECT_EQ(lines.WriteL(0, "n=%ld", 5).text, "09:00:00.000  (00000ms)   n=5");
  EXPECT_EQ(lines.WriteF(0, "%.2f", 0.25).text, "09:00:00.040  (00040ms)   0.25");
  lines.SetUhrzeit(false);
  EXPECT_EQ(lines.WriteS(0, "[%s]", "roh").text, "[roh]");
  EXPECT_EQ(lines.WriteI(0, "%d", -1).text, "-1");
  EXPECT_EQ(next, 2u) << "no clock read while off";
  lines.SetUhrzeit(true);
  EXPECT_EQ(lines.Write(0, "b").text, "09:00:01.000  (00960ms)   b") << "difference to the last stamped line";
}

TEST(AutomationLines, WriteVExamplesAndTheEndOfTheArguments) {
  EXPECT_EQ(WriteV("Formatierte VARIANT-Ausgabe %s, %s", {Of(kVtI4, 1234), Of(kVtBool, 0xFFFF)}),
            "Formatierte VARIANT-Ausgabe 1234, TRUE");
  EXPECT_EQ(WriteV("%s|%s|%s", {Of(kVtBstr, 0, 0, "x")}), "x||");
  EXPECT_EQ(WriteV("%s|%s|%s|%s", {Of(kVtI4, 1), Of(kVtI4, 2), Of(kVtError), Of(kVtI4, 4)}), "1|2||");
  EXPECT_EQ(WriteV("%s|%s|%s", {Of(kVtEmpty), Of(kVtI4, 2), Of(kVtNull)}), "???|2|???");
  EXPECT_EQ(WriteV("%s%s", {}), "");
  const VariantValue* withNull[] = {nullptr};
  EXPECT_EQ(FormatTenStrings("%s", WriteVStrings(withNull, 1)), "") << "null is a left-out argument";
}

struct Converted {
  VariantValue value;
  VariantConversion result;
  const char* text;
};

class ConvertVariantRows : public ::testing::TestWithParam<Converted> {};

TEST_P(ConvertVariantRows, AsTheTableSays) {
  std::string text = "unchanged";
  EXPECT_EQ(ConvertVariant(GetParam().value, text), GetParam().result);
  EXPECT_EQ(text, GetParam().text);
}

VariantValue Cycle() {
  auto a = std::make_shared<VariantValue>(Of(kVtVariant | kVtByRef));
  a->referenced = a;  // leaks in the test only
  return *a;
}

VariantValue Chain(int depth) {
  VariantValue v = Of(kVtI4, 9);
  for (int i = 0; i < depth; ++i) v = RefTo(v);
  return v;
}

constexpr auto kText = VariantConversion::kText;
constexpr auto kFailed = VariantConversion::kFailed;

INSTANTIATE_TEST_SUITE_P(AutomationLines, ConvertVariantRows, ::testing::Values(
    Converted{Of(kVtI1, 0xFF), kText, "255"}, Converted{Of(kVtUi1, 0x1FF), kText, "255"},
    Converted{Of(kVtI2, 0x8000), kText, "-32768"}, Converted{Of(kVtUi2, 65535), kText, "-1"},
    Converted{Of(kVtI4, 0xFFFFFFFF), kText, "-1"}, Converted{Of(kVtUi4, 0x80000000), kText, "-2147483648"},
    Converted{Of(kVtR4, 0, 1.5), kText, "1.500000"}, Converted{Of(kVtR8, 0, -1234.5678), kText, "-1234.567800"},
    Converted{Of(kVtDate, 0, 37988.0 + (13 * 3600 + 5 * 60 + 9) / 86400.0), kText, "02.01.2004 13:05:09"},
    Converted{Of(kVtDate, 0, 1e10), kFailed, "unchanged"},
    Converted{Of(kVtBstr, 0, 0, "Text"), kText, "Text"}, Converted{Of(kVtBool, 0), kText, "FALSE"},
    Converted{Of(kVtBool, 1), kText, "TRUE"}, Converted{Of(kVtError), VariantConversion::kEnd, "unchanged"},
    Converted{Of(kVtI4 | kVtByRef, 77), kText, "77"}, Converted{RefTo(Of(kVtI4, 1234)), kText, "1234"},
    Converted{Chain(8), kText, "9"}, Converted{Chain(9), kFailed, "unchanged"},
    Converted{Cycle(), kFailed, "unchanged"}, Converted{Of(kVtVariant | kVtByRef), kFailed, "unchanged"},
    Converted{Of(kVtVariant), kFailed, "unchanged"}, Converted{Of(kVtI4 | 0x2000, 1), kFailed, "unchanged"},
    Converted{Of(kVtEmpty), kFailed, "unchanged"}, Converted{Of(kVtCy, 1), kFailed, "unchanged"},
    Converted{Of(kVtDispatch), kFailed, "unchanged"}, Converted{Of(kVtDecimal), kFailed, "unchanged"}));

TEST(AutomationDateText, CalendarTimeAndRounding) {
  const double second = 1.0 / 86400;
  EXPECT_EQ(AutomationDateText(0.0), "30.12.1899 00:00:00");
  EXPECT_EQ(AutomationDateText(-1.25), "29.12.1899 06:00:00") << "the fraction counts away from zero";
  EXPECT_EQ(AutomationDateText(10.0 + 5.4 * second), "09.01.1900 00:00:05");
  EXPECT_EQ(AutomationDateText(10.0 + 5.6 * second), "09.01.1900 00:00:06");
  EXPECT_EQ(AutomationDateText(10.0 - 0.4 * second), "09.01.1900 00:00:00") << "a hair short is that second";
  EXPECT_EQ(AutomationDateText(36526.0 - 0.4 * second), "01.01.2000 00:00:00") << "rolled over a year";
  EXPECT_EQ(AutomationDateText(38322.0 - 0.4 * second), "01.12.2004 00:00:00") << "not 1 January, as under Wine";
  EXPECT_EQ(AutomationDateText(std::nextafter(1.0, 0.0)), "31.12.1899 00:00:00");
}

TEST(AutomationDateText, OutsideThePlatformsRangeNone) {
  EXPECT_EQ(AutomationDateText(-657434.0), "01.01.0100 00:00:00");
  EXPECT_EQ(AutomationDateText(-657434.5), "01.01.0100 12:00:00");
  EXPECT_EQ(AutomationDateText(2958465.5), "31.12.9999 12:00:00");
  EXPECT_EQ(AutomationDateText(-657435.0), std::nullopt);
  EXPECT_EQ(AutomationDateText(2958466.0), std::nullopt);
  EXPECT_EQ(AutomationDateText(2958466.0 - 0.1 / 86400), std::nullopt) << "would round into the year 10000";
  EXPECT_EQ(AutomationDateText(std::nan("")), std::nullopt);
  EXPECT_EQ(AutomationDateText(std::numeric_limits<double>::infinity()), std::nullopt);
  EXPECT_EQ(AutomationDateText(-std::numeric_limits<double>::infinity()), std::nullopt);
}

}  // namespace
}  // namespace ploxen::test
