// The comma-separated export.
#include <gtest/gtest.h>

#include <string>

#include "core/text.h"
#include "storage/csv_export.h"
#include "tests/storage/version1_fixture_rows.h"
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
  AddRow(rows, 3, "PID=1,TID=2", "12:00:00.000", "   einger\xC3\xBC" "ckt");
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

const unsigned char kVersion1CsvBytes[] = {
#include "fixtures/version1_csv.inc"
};
const std::string kVersion1Csv(reinterpret_cast<const char*>(kVersion1CsvBytes), sizeof kVersion1CsvBytes);

// Rows that fit code page 1252 are exported in it, as before rows held
// UTF-8: byte for byte the export of that time.
TEST(CsvExport, RowsThatFitCp1252AreWrittenInItAsBefore) {
  MessageRows before;
  AddVersion1FixtureRows(before);
  MessageRows rows;
  for (std::size_t r = 0; r < before.size(); ++r)
    AddRow(rows, before.Row(r).Kind(), Cp1252ToUtf8(before.Row(r).Text(0)), Cp1252ToUtf8(before.Row(r).Text(1)),
           Cp1252ToUtf8(before.Row(r).Text(2)));
  EXPECT_EQ(Export(rows), kVersion1Csv);
}

// One row beyond code page 1252 makes the whole export UTF-8 behind a
// byte-order mark, the rows before it too, wherever it stands.
TEST(CsvExport, ARowBeyondCp1252MakesAllOfItUtf8WithAMark) {
  const std::string beyond = "\xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0";  // "Ошибка"
  const std::string fitting = "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC";  // "Größe €"
  for (std::size_t before : {std::size_t{0}, std::size_t{3}, std::size_t{60000}}) {
    MessageRows rows;
    std::string expected(kUtf8ByteOrderMark);
    for (std::size_t i = 0; i < before; ++i) {
      AddRow(rows, 3, "", std::to_string(i), fitting);
      expected += "\"\",\"" + std::to_string(i) + "\",\"" + fitting + "\"\r\n";
    }
    AddRow(rows, 3, beyond, "", "x");
    expected += "\"" + beyond + "\",\"\",\"x\"\r\n";
    EXPECT_EQ(Export(rows), expected) << before << " rows before";
  }
}

TEST(CsvExport, RowsWriteAsManyFieldsAsTheyHaveColumns) {
  MessageRows rows;
  AddItem(rows, 3, {"nur", "eine"}, {{0, 0}});
  EXPECT_EQ(Export(rows), "\"nur\"\r\n");
}

}  // namespace
}  // namespace ploxen::test
