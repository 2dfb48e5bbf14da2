#include "search/clipboard_text.h"

namespace ploxen {

std::string ClipboardText(const MessageRows& rows, const std::vector<std::size_t>& rowNumbers) {
  std::string text;
  for (std::size_t r : rowNumbers) {
    if (r >= rows.size()) continue;
    const MessageItem& row = rows.Row(r);
    for (std::size_t c = 0; c < kColumnCount; ++c) {
      if (c) text += '\t';
      text += row.Text(c);
    }
    text += "\r\n";
  }
  return text;
}

std::u16string Utf16FromCp1252(std::string_view text) {
  static constexpr char16_t k80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    out += b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

}  // namespace ploxen
