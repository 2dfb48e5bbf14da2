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

TEST(CsvExport, QuotesAndCommasInsideStayUnchanged) {
  MessageRows rows;
  AddRow(rows, 3, "", "", "er sagte \"ja\", dann \"\"");
  EXPECT_EQ(Export(rows), "\"\",\"\",\"er sagte \"ja\", dann \"\"\"\r\n");
}

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
