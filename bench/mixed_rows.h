// A million rows as the intake makes them from lines in every script of the
// shared corpus (tests/support/text_corpus.h): each row is one of the
// corpus's log lines, German to emoji, behind the prefixes of the typical
// rows (bench/typical_rows.h), so the structure is ASCII and the text is not.
#pragma once

#include <string>
#include <vector>

#include "bench/typical_rows.h"
#include "tests/support/text_corpus.h"

namespace ploxen::bench {

// The corpus's valid lines in their scripts, the long line left out: a
// message of 499 characters is no typical line.
inline std::vector<std::string> MixedMessages() {
  std::vector<std::string> messages;
  for (const test::CorpusLine& line : test::TextCorpus())
    if (line.reading == EightBitReading::kUtf8 && line.shown.size() < 300) messages.push_back(line.shown);
  return messages;
}

inline const MessageRows& MixedRows() {
  static const MessageRows rows = [] {
    const char* prefixes[] = {"PID=????,TID=????,   16:20:12.223  (00012ms)   ", "", "16:20:12.240  (00017ms)   ", "",
                              "(GANTOR-PC)  "};
    const std::vector<std::string> messages = MixedMessages();
    // Every prefix with every message: lines of both kinds of place.
    std::vector<std::string> lines;
    for (std::size_t m = 0; m < messages.size(); ++m)
      for (const char* prefix : prefixes) lines.push_back(prefix + messages[m]);
    return RowsFromLines(lines, {0x303, 0x103, 0x403, 0x203, 0x103});
  }();
  return rows;
}

// Bytes of the rows' strings, what a search looks at.
inline std::size_t TextBytes(const MessageRows& rows) {
  std::size_t bytes = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    for (std::size_t i = 0; i < item.ColourCount(); ++i) bytes += item.Text(i).size();
  }
  return bytes;
}

}  // namespace ploxen::bench
