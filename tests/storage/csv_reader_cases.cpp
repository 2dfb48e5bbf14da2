// Writes the export of rows that spreadsheets have trouble with, and beside
// it each row's strings as hex, for csv_reader_check.py to read back with a
// real CSV reader.
//   csv_reader_cases <export.csv> <expected.txt>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "storage/csv_export.h"
#include "tests/support/row_builders.h"

namespace {

struct Case {
  std::string_view process, time, message;
};

// Each string of the list comes back from the reader as it was written.
constexpr Case kCases[] = {
    {"PID=1,TID=2", "12:00:00.000", "sagt \"ja\", dann"},
    {"\"", "\"\"", "\"am Rand\""},
    {"x\",", ",\"", "\"a\"b\"\"c\""},
    {"a,b,c", "a;b;c", ";"},
    {"zeile1\r\nzeile2", "nur\rCR", "nur\nLF"},
    {"\r\n", "\n\"\n", "ende\r\n"},
    {"a\tb", "\t", "\"\t\""},
    {"Gr\xF6\xDF" "e", "\xC4\xD6\xDC\xE4\xF6\xFC\xDF", "\x80 5,\xE4\"\xFC"},
    {"=SUMME(A1:A3)", "+49 30 1234", "-5"},
    {"@home", "=HYPERLINK(\"x\";\"y\")", "-\"1\",+2"},
    {"", "", ""},
    {"   einger\xFC" "ckt", " ", "\"\r\n\",;\t=+-@"},
};

std::string Hex(std::string_view text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: csv_reader_cases <export.csv> <expected.txt>\n");
    return 2;
  }
  ploxen::MessageRows rows;
  std::ofstream expected(argv[2], std::ios::binary);
  for (const Case& c : kCases) {
    ploxen::test::AddRow(rows, 3, c.process, c.time, c.message);
    expected << Hex(c.process) << ' ' << Hex(c.time) << ' ' << Hex(c.message) << '\n';
  }
  ploxen::MemorySink sink;
  if (!ploxen::ExportCsv(rows, sink)) return 1;
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(sink.Bytes().data()), static_cast<std::streamsize>(sink.Bytes().size()));
  return out && expected ? 0 : 1;
}
