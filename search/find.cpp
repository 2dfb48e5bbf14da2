#include "search/find.h"

#include <cstring>

namespace ploxen {

namespace {

std::array<unsigned char, 256> MakeUpperCase() {
  std::array<unsigned char, 256> upper{};
  for (int c = 0; c < 256; ++c) upper[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c);
  for (int c = 'a'; c <= 'z'; ++c) upper[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - 32);
  // à..þ to À..Þ, but not ÷ (0xF7), whose partner × is no letter.
  for (int c = 0xE0; c <= 0xFE; ++c)
    if (c != 0xF7) upper[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - 32);
  upper[0x9A] = 0x8A;  // š Š
  upper[0x9C] = 0x8C;  // œ Œ
  upper[0x9E] = 0x8E;  // ž Ž
  upper[0xFF] = 0x9F;  // ÿ Ÿ
  return upper;
}

}  // namespace

const std::array<unsigned char, 256>& UpperCaseTable() {
  static const std::array<unsigned char, 256> table = MakeUpperCase();
  return table;
}

const std::array<unsigned char, 256>& LowerCaseTable() {
  static const std::array<unsigned char, 256> table = [] {
    std::array<unsigned char, 256> lower{};
    for (int c = 0; c < 256; ++c) lower[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c);
    const auto& upper = UpperCaseTable();
    for (int c = 0; c < 256; ++c)
      if (upper[static_cast<std::size_t>(c)] != c) lower[upper[static_cast<std::size_t>(c)]] = static_cast<unsigned char>(c);
    return lower;
  }();
  return table;
}

std::string ToUpperCp1252(std::string_view text) {
  const auto& upper = UpperCaseTable();
  std::string out(text);
  for (char& c : out) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
  return out;
}

TermMatcher::TermMatcher(std::string_view term, bool caseSensitive)
    : pattern_(caseSensitive ? std::string(term) : ToUpperCp1252(term)), caseSensitive_(caseSensitive) {
  if (pattern_.empty()) return;
  const auto& upper = UpperCaseTable();
  const unsigned char first = static_cast<unsigned char>(pattern_[0]);
  for (int c = 0; c < 256; ++c) starts_[static_cast<std::size_t>(c)] = upper[static_cast<std::size_t>(c)] == first;
}

bool TermMatcher::Matches(std::string_view text) const {
  const std::size_t m = pattern_.size();
  if (m == 0 || text.size() < m) return false;
  if (caseSensitive_) return text.find(pattern_) != std::string_view::npos;
  const auto& upper = UpperCaseTable();
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const auto* p = reinterpret_cast<const unsigned char*>(pattern_.data());
  const std::size_t last = text.size() - m;
  for (std::size_t i = 0; i <= last; ++i) {
    if (!starts_[s[i]]) continue;
    std::size_t k = 1;
    while (k < m && upper[s[i + k]] == p[k]) ++k;
    if (k == m) return true;
  }
  return false;
}

std::size_t FindRow(const MessageRows& rows, std::size_t start, std::string_view term, bool caseSensitive) {
  const TermMatcher matcher(term, caseSensitive);
  for (std::size_t r = start; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    for (std::size_t i = 0; i < item.ColourCount(); ++i)
      if (matcher.Matches(item.Text(i))) return r;
  }
  return kNoRow;
}

}  // namespace ploxen
