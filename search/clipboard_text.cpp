#include "search/clipboard_text.h"

namespace ploxen {

ClipboardCopy ClipboardText(const MessageRows& rows, const std::vector<std::size_t>& rowNumbers, std::size_t maxBytes) {
  ClipboardCopy copy;
  for (std::size_t r : rowNumbers) {
    if (r >= rows.size()) continue;
    const MessageItem& row = rows.Row(r);
    const std::size_t start = copy.text.size();
    for (std::size_t c = 0; c < kColumnCount; ++c) {
      if (c) copy.text += '\t';
      for (char ch : row.Text(c)) copy.text += ch == '\t' || ch == '\r' || ch == '\n' ? ' ' : ch;
    }
    copy.text += "\r\n";
    if (copy.text.size() > maxBytes) {
      copy.text.resize(start);
      break;
    }
    ++copy.rows;
  }
  return copy;
}

std::string LeftOutNotice(std::size_t copied, std::size_t wanted) {
  if (copied >= wanted) return {};
  return "Es wurden nur die ersten " + std::to_string(copied) + " von " + std::to_string(wanted) +
         " Zeilen kopiert: PLOXEN kopiert h\xF6" "chstens " + std::to_string(kClipboardMaxBytes / (1024 * 1024)) +
         " MB Text auf einmal. Alle angezeigten Zeilen sichert \"Datei\" > \"Angezeigte Zeilen speichern ...\".";
}

char16_t Utf16FromCp1252(unsigned char b) {
  static constexpr char16_t k80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : static_cast<char16_t>(b);
}

std::u16string Utf16FromCp1252(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += Utf16FromCp1252(static_cast<unsigned char>(c));
  return out;
}

}  // namespace ploxen
