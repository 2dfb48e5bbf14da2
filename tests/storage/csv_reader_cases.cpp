// Writes two exports for csv_reader_check.py to read back with a real CSV
// reader, each beside its rows' strings as hex (UTF-8): rows that
// spreadsheets have trouble with, all in code page 1252, and the text corpus,
// which needs UTF-8.
//   csv_reader_cases <folder>   writes cp1252.csv, cp1252.txt, utf8.csv, utf8.txt
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "storage/csv_export.h"
#include "tests/support/row_builders.h"
#include "tests/support/text_corpus.h"

namespace {

struct Case {
  std::string process, time, message;
};

// Each string of the list comes back from the reader as it was written.
const std::vector<Case> kCp1252Cases = {
    {"PID=1,TID=2", "12:00:00.000", "sagt \"ja\", dann"},
    {"\"", "\"\"", "\"am Rand\""},
    {"x\",", ",\"", "\"a\"b\"\"c\""},
    {"a,b,c", "a;b;c", ";"},
    {"zeile1\r\nzeile2", "nur\rCR", "nur\nLF"},
    {"\r\n", "\n\"\n", "ende\r\n"},
    {"a\tb", "\t", "\"\t\""},
    {"Größe", "ÄÖÜäöüß", "€ 5,ä\"ü"},
    {"=SUMME(A1:A3)", "+49 30 1234", "-5"},
    {"@home", "=HYPERLINK(\"x\";\"y\")", "-\"1\",+2"},
    {"", "", ""},
    {"   eingerückt", " ", "\"\r\n\",;\t=+-@"},
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

bool WriteExport(const std::string& folder, const char* name, const std::vector<Case>& cases) {
  ploxen::MessageRows rows;
  std::ofstream expected(folder + "/" + name + ".txt", std::ios::binary);
  for (const Case& c : cases) {
    ploxen::test::AddRow(rows, 3, c.process, c.time, c.message);
    expected << Hex(c.process) << ' ' << Hex(c.time) << ' ' << Hex(c.message) << '\n';
  }
  ploxen::MemorySink sink;
  if (!ploxen::ExportCsv(rows, sink)) return false;
  std::ofstream out(folder + "/" + name + ".csv", std::ios::binary);
  out.write(reinterpret_cast<const char*>(sink.Bytes().data()), static_cast<std::streamsize>(sink.Bytes().size()));
  return out && expected;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: csv_reader_cases <folder>\n");
    return 2;
  }
  // Every line of the corpus as the row shows it, in each column, with the
  // troublesome rows around them.
  std::vector<Case> utf8Cases;
  for (const ploxen::test::CorpusLine& line : ploxen::test::TextCorpus())
    utf8Cases.push_back({line.name, line.shown, line.shown + ",\"" + line.shown + "\"\r\n"});
  utf8Cases.insert(utf8Cases.end(), kCp1252Cases.begin(), kCp1252Cases.end());
  return WriteExport(argv[1], "cp1252", kCp1252Cases) && WriteExport(argv[1], "utf8", utf8Cases) ? 0 : 1;
}
