// The comma-separated export.
#include <gtest/gtest.h>

#include <string>

#include "storage/csv_export.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {
namespace {

std::string Export(const MessageRows& rows) {
  MemorySink sink;
  EXPECT_TRUE(ExportCsv(rows, sink));
  return std::string(sink.Bytes().begin(), sink.Bytes().end());
}

TEST(CsvExport, OneQuotedLinePerRowWithCrLf) {
  MessageRows rows;
  AddRow(rows, 3, "a", "b,c", "d");
  AddRow(rows, 3, "PID=1,TID=2", "12:00:00.000", "   einger\xFC" "ckt");
  EXPECT_EQ(Export(rows),
            "\"a\",\"b,c\",\"d\"\r\n"
            "\"PID=1,TID=2\",\"12:00:00.000\",\"   einger\xFC" "ckt\"\r\n");
}

struct QuotingCase {
  const char* text;
  const char* field;
};

class CsvQuotingTest : public ::testing::TestWithParam<QuotingCase> {};

// Each quote inside is doubled; everything else, line breaks included, stays
// as it is between the field's own quotes.
TEST_P(CsvQuotingTest, FieldIsQuotedWithItsQuotesDoubled) {
  MessageRows rows;
  AddRow(rows, 3, "", GetParam().text, "");
  EXPECT_EQ(Export(rows), std::string("\"\",") + GetParam().field + ",\"\"\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CsvQuotingTest,
    ::testing::Values(QuotingCase{"er sagte \"ja\", dann", "\"er sagte \"\"ja\"\", dann\""},
                      QuotingCase{"\"", "\"\"\"\""},
                      QuotingCase{"\"\"", "\"\"\"\"\"\""},
                      QuotingCase{"\"am Rand\"", "\"\"\"am Rand\"\"\""},
                      QuotingCase{"a\r\nb\rc\nd", "\"a\r\nb\rc\nd\""},
                      QuotingCase{"\"\r\n\"", "\"\"\"\r\n\"\"\""},
                      QuotingCase{"a;b\tc,d", "\"a;b\tc,d\""},
                      QuotingCase{"=1+2", "\"=1+2\""}));

TEST(CsvExport, EmptyListGivesAnEmptyFile) {
  MessageRows rows;
  EXPECT_EQ(Export(rows), "");
}

TEST(CsvExport, Codepage1252BytesAreWrittenAsStored) {
  MessageRows rows;
  AddRow(rows, 3, "", "", "Gr\xF6\xDF" "e \x80");
  EXPECT_EQ(Export(rows), "\"\",\"\",\"Gr\xF6\xDF" "e \x80\"\r\n");
}

TEST(CsvExport, RowsWriteAsManyFieldsAsTheyHaveColumns) {
  MessageRows rows;
  AddItem(rows, 3, {"nur", "eine"}, {{0, 0}});
  EXPECT_EQ(Export(rows), "\"nur\"\r\n");
}

}  // namespace
}  // namespace ploxen::test
