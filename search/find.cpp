#include "search/find.h"

#include <algorithm>
#include <cstring>

#include "core/text.h"
#include "search/unicode_tables.h"

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

namespace {

constexpr std::uint64_t kLanes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

constexpr unsigned char AsciiFold(unsigned char b) { return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + 32) : b; }

// How often a byte turns up in log lines, roughly: the term's character
// whose forms end in the rarest bytes is looked for first.
int Commonness(unsigned char b) {
  if (b == ' ') return 100;
  if (b >= '0' && b <= '9') return 40;
  if (b >= 'a' && b <= 'z') {
    if (std::strchr("eanirtsdhulo", b)) return 40;
    if (std::strchr("jqxy", b)) return 5;
    return 15;
  }
  if (b >= 'A' && b <= 'Z') return 8;
  return b != 0 && std::strchr(":.,=()-_/", b) ? 30 : 15;
}
// A character beyond ASCII is looked for by its last two bytes, a pair much
// rarer than most letters; never in an ASCII line.
constexpr int kPairCommonness = 10;

// What a text's invalid sequence is to a term: no character at all, so
// that it matches none of the term's, U+FFFD neither (a term's own invalid
// bytes are U+FFFD), and a hit never starts or ends inside it.
constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// Whether NextCodePoint gave U+FFFD for the sequence [from, to) itself,
// not for invalid bytes.
inline bool RealReplacement(const unsigned char* s, std::size_t from, std::size_t to) {
  return to - from == 3 && s[from] == 0xEF;
}

// The character at `at`, which moves past it.
char32_t TextCodePoint(std::string_view text, std::size_t& at) {
  const std::size_t from = at;
  const char32_t cp = NextCodePoint(text, at);
  if (cp == kReplacementCharacter && !RealReplacement(reinterpret_cast<const unsigned char*>(text.data()), from, at))
    return kNoCharacter;
  return cp;
}

// The character ending just before `end`, and where it starts, as decoding
// from the front would have it. A byte that ends no valid sequence is a
// piece of an invalid one of its own.
char32_t PreviousCodePoint(std::string_view text, std::size_t end, std::size_t& start) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t p = end - 1;
  if (s[p] < 0x80) {
    start = p;
    return s[p];
  }
  const std::size_t lowest = end >= 4 ? end - 4 : 0;
  while (p > lowest && (s[p] & 0xC0) == 0x80) --p;
  std::size_t at = p;
  const char32_t cp = TextCodePoint(text, at);
  if (at == end) {
    start = p;
    return cp;
  }
  start = end - 1;
  return kNoCharacter;
}

// The term as UTF-8, each invalid sequence U+FFFD, as folding makes it.
std::string ValidTerm(std::string_view term) {
  if (IsValidUtf8(term)) return std::string(term);
  std::string out;
  for (std::size_t at = 0; at < term.size();) AppendUtf8(out, NextCodePoint(term, at));
  return out;
}

// Not 0 when some byte of the word is zero (a borrow may mark the bytes
// above it too).
constexpr std::uint64_t MaybeZeroBytes(std::uint64_t x) { return (x - kLanes) & ~x & kHighBits; }
// The high bit of each byte of the word that is zero, and of no other.
constexpr std::uint64_t ZeroBytes(std::uint64_t x) {
  return ~(((x & ~kHighBits) + ~kHighBits) | x) & kHighBits;
}

// Eight bytes, the first in the lowest lane.
inline std::uint64_t Load(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  std::uint64_t swapped = 0;
  for (int k = 0; k < 8; ++k, w >>= 8) swapped = (swapped << 8) | (w & 0xFF);
  w = swapped;
#endif
  return w;
}

}  // namespace

bool FoldedAt(std::string_view text, std::size_t at, std::string_view folded) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t k = 0;
  while (k < folded.size()) {
    if (at >= text.size()) return false;
    const unsigned char t = s[at];
    if (t < 0x80) {
      // An ASCII byte folds to ASCII, so it must meet the same byte.
      if (AsciiFold(t) != static_cast<unsigned char>(folded[k])) return false;
      ++at;
      ++k;
      continue;
    }
    const char32_t cp = TextCodePoint(text, at);
    if (cp == kNoCharacter || FoldCase(cp) != NextCodePoint(folded, k)) return false;
  }
  return true;
}

TermMatcher::TermMatcher(std::string_view term, bool caseSensitive)
    : bytes_(caseSensitive ? ValidTerm(term) : FoldCaseUtf8(term)),
      caseSensitive_(caseSensitive),
      byteSearch_(true),
      spansColumns_(term.find('\0') != std::string_view::npos) {
  std::vector<std::size_t> offsets;
  for (std::size_t at = 0; at < bytes_.size();) {
    offsets.push_back(at);
    characters_.push_back(NextCodePoint(bytes_, at));
  }
  offsets.push_back(bytes_.size());
  // The anchor: the character whose forms end in the rarest bytes.
  int best = -1;
  for (std::size_t i = 0; i < characters_.size(); ++i) {
    CaseForms forms = CaseFormsOf(characters_[i]);
    if (forms.count > 1 && !caseSensitive) byteSearch_ = false;
    if (caseSensitive) forms = CaseForms{{characters_[i]}, 1};
    std::vector<Form> encoded;
    int cost = 0;
    for (std::size_t f = 0; f < forms.count; ++f) {
      std::string utf8;
      AppendUtf8(utf8, forms.forms[f]);
      Form form{{}, utf8.size()};
      std::memcpy(form.bytes.data(), utf8.data(), utf8.size());
      encoded.push_back(form);
      cost += form.size > 1 ? kPairCommonness : Commonness(form.bytes[0]);
    }
    if (best < 0 || cost < best) {
      best = cost;
      anchor_ = i;
      forms_ = std::move(encoded);
    }
  }
  if (characters_.empty()) return;
  anchorByte_ = offsets[anchor_];
  afterAnchor_ = offsets[anchor_ + 1];
  if (anchor_ + 1 == characters_.size()) {
    followers_.fill(true);
  } else {
    const CaseForms next = caseSensitive ? CaseForms{{characters_[anchor_ + 1]}, 1} : CaseFormsOf(characters_[anchor_ + 1]);
    for (std::size_t f = 0; f < next.count; ++f) {
      std::string utf8;
      AppendUtf8(utf8, next.forms[f]);
      followers_[static_cast<unsigned char>(utf8[0])] = true;
    }
  }
  for (std::size_t f = 0; f < forms_.size(); ++f)
    endsForm_[forms_[f].bytes[forms_[f].size - 1]] |= static_cast<std::uint8_t>(1u << f);
  std::vector<unsigned char> singles;
  for (const Form& form : forms_) {
    const unsigned char last = form.bytes[form.size - 1];
    if (form.size > 1)
      probes_[probeCount_++] = {0, last * kLanes, form.bytes[form.size - 2] * kLanes, true};
    else
      singles.push_back(last);
  }
  for (std::size_t i = 0; i < singles.size(); ++i) {
    const unsigned char b = singles[i];
    // A letter's two ASCII cases differ in 0x20 alone: one probe for both.
    const auto partner = std::find(singles.begin() + static_cast<std::ptrdiff_t>(i) + 1, singles.end(),
                                   static_cast<unsigned char>(b ^ 0x20));
    if (partner != singles.end()) {
      probes_[probeCount_++] = {0x20 * kLanes, (b | 0x20) * kLanes, 0, false};
      singles.erase(partner);
    } else {
      probes_[probeCount_++] = {0, b * kLanes, 0, false};
    }
  }
}

bool TermMatcher::FoldedBefore(std::string_view text, std::size_t end) const {
  for (std::size_t k = anchor_; k-- > 0;) {
    if (end == 0) return false;
    std::size_t start = 0;
    const char32_t cp = PreviousCodePoint(text, end, start);
    if (cp == kNoCharacter || FoldCase(cp) != characters_[k]) return false;
    end = start;
  }
  return true;
}

bool TermMatcher::AnchoredAt(std::string_view text, std::size_t last) const {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  for (unsigned bits = endsForm_[s[last]]; bits; bits &= bits - 1) {
    std::size_t f = 0;
    while (!(bits & (1u << f))) ++f;
    const Form& form = forms_[f];
    if (last + 1 < form.size) continue;
    const std::size_t start = last + 1 - form.size;
    if (std::memcmp(s + start, form.bytes.data(), form.size) != 0) continue;
    if (caseSensitive_) {
      // The hit is the term's bytes as typed.
      if (start >= anchorByte_ && text.compare(start - anchorByte_, bytes_.size(), bytes_) == 0) return true;
      continue;
    }
    if (FoldedAt(text, last + 1, std::string_view(bytes_).substr(afterAnchor_)) && FoldedBefore(text, start))
      return true;
  }
  return false;
}

// Where a word may hold a form's end, exactly, with the byte before each
// of its bytes.
bool TermMatcher::EndsIn(std::string_view text, std::size_t at, std::uint64_t word) const {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::uint64_t before = Load(s + at - 1);
  std::uint64_t ends = 0;
  for (std::size_t p = 0; p < probeCount_; ++p) {
    const Probe& probe = probes_[p];
    std::uint64_t e = ZeroBytes((word | probe.orMask) ^ probe.last);
    if (probe.hasBefore) e &= ZeroBytes(before ^ probe.before);
    ends |= e;
  }
  for (std::size_t k = 0; ends; ++k, ends >>= 8)
    if ((ends & 0x80) && AnchoredAt(text, at + k)) return true;
  return false;
}

template <std::size_t kProbes>
bool TermMatcher::Scan(std::string_view text) const {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  if (n > 8) {
    // From the second byte on, so that the byte before each is at hand.
    if (endsForm_[s[0]] && AnchoredAt(text, 0)) return true;
    for (i = 1; i + 8 <= n; i += 8) {
      const std::uint64_t word = Load(s + i);
      // Most words hold no form's last byte: a few operations say so.
      std::uint64_t maybe = 0;
      for (std::size_t p = 0; p < kProbes; ++p) maybe |= MaybeZeroBytes((word | probes_[p].orMask) ^ probes_[p].last);
      if (maybe && EndsIn(text, i, word)) return true;
    }
  }
  for (; i < n; ++i)
    if (endsForm_[s[i]] && AnchoredAt(text, i)) return true;
  return false;
}

bool TermMatcher::Matches(std::string_view text) const {
  if (bytes_.empty() || text.size() < characters_.size()) return false;
  if (byteSearch_) return text.find(bytes_) != std::string_view::npos;
  switch (probeCount_) {
    case 1: return Scan<1>(text);
    case 2: return Scan<2>(text);
    case 3: return Scan<3>(text);
    default: return Scan<4>(text);
  }
}

bool TermMatcher::Matches(const MessageItem& row) const {
  const std::size_t columns = row.ColourCount();
  if (spansColumns_) {
    for (std::size_t i = 0; i < columns; ++i)
      if (Matches(row.Text(i))) return true;
    return false;
  }
  // The strings one after another: the term holds no NUL, so no hit spans
  // two of them, and one pass looks at them all.
  std::size_t size = row.TextBlockSize();
  if (row.StringCount() > columns) size = row.PrefixLength(columns);
  return Matches(std::string_view(row.TextBlock(), size));
}

std::size_t FindRow(const MessageRows& rows, std::size_t start, std::string_view term, bool caseSensitive) {
  const TermMatcher matcher(term, caseSensitive);
  for (std::size_t r = start; r < rows.size(); ++r)
    if (matcher.Matches(rows.Row(r))) return r;
  return kNoRow;
}

}  // namespace ploxen
