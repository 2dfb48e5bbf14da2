// Writes the corpus for tests in other languages, one line per case:
//   name TAB reading TAB the bytes sent in hex TAB the text shown (UTF-8)
// reading: ascii, utf8, marked-utf8 or cp1252.
#include <cstdio>

#include "tests/support/text_corpus.h"

int main() {
  using namespace ploxen;
  for (const test::CorpusLine& line : test::TextCorpus()) {
    const char* reading = line.reading == EightBitReading::kAscii        ? "ascii"
                          : line.reading == EightBitReading::kUtf8       ? "utf8"
                          : line.reading == EightBitReading::kMarkedUtf8 ? "marked-utf8"
                                                                         : "cp1252";
    std::printf("%s\t%s\t", line.name, reading);
    for (const char c : line.sent) std::printf("%02x", static_cast<unsigned char>(c));
    std::printf("\t%s\n", line.shown.c_str());
  }
  return 0;
}
