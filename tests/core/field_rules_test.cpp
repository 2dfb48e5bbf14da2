// What the parameter pages take as a number, where their ranges end, and
// that every refusal names what would be accepted.
#include "core/field_rules.h"

#include <gtest/gtest.h>

namespace ploxen::test {
namespace {

struct NumberCase {
  const char* text;
  NumberRule rule;
  NumberCheck check;
  std::int64_t value;  // when accepted
};

const NumberRule kRowLimit = RowLimitRule();
const NumberRule kInterval = NumberRule::Unsigned(kIntervalMin, kIntervalMax);
const NumberRule kAnyUnsigned = NumberRule::Unsigned();
const NumberRule kAnySigned = NumberRule::Signed();

class ReadNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadNumberTest, AcceptsOrRefuses) {
  const NumberCase& c = GetParam();
  std::int64_t value = -12345;
  EXPECT_EQ(ReadNumber(c.text, c.rule, value), c.check);
  EXPECT_EQ(value, c.check == NumberCheck::kOk ? c.value : -12345) << "a refusal leaves the value alone";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadNumberTest,
    ::testing::Values(
        // The bounds of both ranges.
        NumberCase{"99", kRowLimit, NumberCheck::kOutOfRange, 0},
        // The row limit's 0 is "no limit"; nothing else below its range is.
        NumberCase{"0", kRowLimit, NumberCheck::kOk, 0},
        NumberCase{" 000 ", kRowLimit, NumberCheck::kOk, 0},
        NumberCase{"1", kRowLimit, NumberCheck::kOutOfRange, 0},
        NumberCase{"-0", kRowLimit, NumberCheck::kNotANumber, 0},
        NumberCase{"0", kInterval, NumberCheck::kOutOfRange, 0},
        NumberCase{"100", kRowLimit, NumberCheck::kOk, 100},
        NumberCase{"1000000", kRowLimit, NumberCheck::kOk, 1000000},
        NumberCase{"1000001", kRowLimit, NumberCheck::kOutOfRange, 0},
        NumberCase{"99", kInterval, NumberCheck::kOutOfRange, 0},
        NumberCase{"5000", kInterval, NumberCheck::kOk, 5000},
        NumberCase{"5001", kInterval, NumberCheck::kOutOfRange, 0},
        // 32 bits and beyond: never wrapped into range.
        NumberCase{"4294967295", kAnyUnsigned, NumberCheck::kOk, 4294967295LL},
        NumberCase{"4294967296", kAnyUnsigned, NumberCheck::kOutOfRange, 0},
        NumberCase{"4294967396", kRowLimit, NumberCheck::kOutOfRange, 0},
        NumberCase{"99999999999999999999999999", kAnyUnsigned, NumberCheck::kOutOfRange, 0},
        NumberCase{"2147483648", kAnySigned, NumberCheck::kOutOfRange, 0},
        NumberCase{"-2147483648", kAnySigned, NumberCheck::kOk, INT32_MIN},
        // Blanks and signs.
        NumberCase{"  \t250", kRowLimit, NumberCheck::kOk, 250},
        NumberCase{"250  ", kRowLimit, NumberCheck::kOk, 250},
        NumberCase{"+250", kRowLimit, NumberCheck::kOk, 250},
        NumberCase{"-5", kRowLimit, NumberCheck::kNotANumber, 0},
        NumberCase{"-0", kAnyUnsigned, NumberCheck::kNotANumber, 0},
        NumberCase{"-5", kAnySigned, NumberCheck::kOk, -5},
        NumberCase{"  -12 ", kAnySigned, NumberCheck::kOk, -12},
        // Not numbers at all.
        NumberCase{"12abc", kRowLimit, NumberCheck::kNotANumber, 0},
        NumberCase{"12 3", kAnySigned, NumberCheck::kNotANumber, 0},
        NumberCase{"", kAnySigned, NumberCheck::kNotANumber, 0},
        NumberCase{"   ", kRowLimit, NumberCheck::kNotANumber, 0},
        NumberCase{"+", kAnySigned, NumberCheck::kNotANumber, 0},
        NumberCase{"--5", kAnySigned, NumberCheck::kNotANumber, 0},
        NumberCase{"0x10", kAnyUnsigned, NumberCheck::kNotANumber, 0},
        NumberCase{"1e3", kAnyUnsigned, NumberCheck::kNotANumber, 0}));

TEST(Refusals, NameTheBoundsOrWhatIsWanted) {
  EXPECT_EQ(NumberRefusal(NumberCheck::kOutOfRange, kRowLimit),
            "Bitte 0 (keine Grenze) oder eine Zahl von 100 bis 1000000 eingeben.");
  EXPECT_EQ(NumberRefusal(NumberCheck::kOutOfRange, kInterval), "Bitte eine Zahl von 100 bis 5000 eingeben.");
  EXPECT_EQ(NumberRefusal(NumberCheck::kNotANumber, kRowLimit), "Bitte eine ganze Zahl ohne Vorzeichen eingeben.");
  EXPECT_EQ(NumberRefusal(NumberCheck::kNotANumber, kAnySigned), "Bitte eine ganze Zahl eingeben.");
  EXPECT_EQ(NumberRefusal(NumberCheck::kOutOfRange, kAnySigned),
            "Bitte eine Zahl von -2147483648 bis 2147483647 eingeben.");
  EXPECT_EQ(LengthRefusal(kSaveFileMaxChars), "Bitte h\xF6" "chstens 100 Zeichen eingeben.");
}

}  // namespace
}  // namespace ploxen::test
