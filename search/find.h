// Finding the next row that holds a term, in any of its columns, with or
// without regard to case. Rows and terms are UTF-8; ignoring case is
// Unicode's simple case folding, which for code page 1252's characters joins
// what the code page's own upper-casing joins.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/row_store.h"

namespace ploxen {

// The upper case of every code page 1252 byte, as the platform's ANSI
// upper-casing gives it: a-z, the accented small letters, š œ ž ÿ. What
// search folded before rows held UTF-8; the Unicode folding is held to it.
const std::array<unsigned char, 256>& UpperCaseTable();
std::string ToUpperCp1252(std::string_view text);
// The other way: each letter of the upper table back to its small letter.
const std::array<unsigned char, 256>& LowerCaseTable();

// Whether the text from `at` on begins with characters that fold to
// `folded`, which must be folded (FoldCaseUtf8). Judged character by
// character on the text's own bytes, as a fold may change a character's
// length (the Kelvin sign, three bytes, folds to k).
bool FoldedAt(std::string_view text, std::size_t at, std::string_view folded);

// A term prepared once for a whole search. It is looked for by its rarest
// character, the anchor, in any of its case forms when case is ignored: the
// text is scanned eight bytes at a time for the forms' last two bytes (Ł and
// ł: C5 81 and C5 82; one byte for an ASCII letter), and only where they are
// is the rest compared, decoded and folded. Matching allocates nothing.
// A hit always starts and ends on a character's boundary. An invalid
// sequence in the text matches no character of a term; invalid bytes in a
// term are U+FFFD (either way), which matches only U+FFFD itself.
class TermMatcher {
 public:
  TermMatcher(std::string_view term, bool caseSensitive);
  bool Matches(std::string_view text) const;
  // Any of the row's strings (those it has colours for) holds the term.
  bool Matches(const MessageItem& row) const;

  // For terms scanned together (the view's text rules): not 0 for each byte
  // that ends a form of the anchor, true for each that may follow one (the
  // start of the next character's forms, any after the term's last), and
  // whether a hit's anchor ends at a place.
  const std::array<std::uint8_t, 256>& AnchorEnds() const { return endsForm_; }
  const std::array<bool, 256>& AnchorFollowers() const { return followers_; }
  bool AnchoredAt(std::string_view text, std::size_t last) const;

 private:
  struct Form {
    std::array<unsigned char, 4> bytes;
    std::size_t size;
  };
  // Where a form of the anchor may end, eight bytes at a time: a byte b
  // passes when (b | orMask) == last, so that one test takes a letter's two
  // ASCII cases together, and, for a form of more bytes, the byte before it
  // is the form's byte before its last. Each value fills every lane.
  struct Probe {
    std::uint64_t orMask, last, before;
    bool hasBefore;
  };

  template <std::size_t kProbes>
  bool Scan(std::string_view text) const;
  bool EndsIn(std::string_view text, std::size_t at, std::uint64_t word) const;
  bool FoldedBefore(std::string_view text, std::size_t end) const;

  std::string bytes_;  // as typed when case matters, else folded; valid UTF-8
  bool caseSensitive_;
  bool byteSearch_;    // bytes find it: case matters, or no character of it has case
  bool spansColumns_;  // the term holds a NUL: a row's strings are searched one by one
  std::vector<char32_t> characters_;  // of bytes_
  std::size_t anchor_ = 0;            // the anchor's place in characters_
  std::size_t anchorByte_ = 0;        // and in bytes_
  std::size_t afterAnchor_ = 0;       // the byte in bytes_ after it
  std::vector<Form> forms_;           // the anchor's forms in UTF-8
  std::array<std::uint8_t, 256> endsForm_{};  // per byte: bit f when it is form f's last byte
  std::array<bool, 256> followers_{};
  std::array<Probe, 4> probes_{};  // one per form at most
  std::size_t probeCount_ = 0;
};

constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

// The first row from start on with a string that holds the term; kNoRow when
// none does. An empty term is found nowhere.
std::size_t FindRow(const MessageRows& rows, std::size_t start, std::string_view term, bool caseSensitive);

}  // namespace ploxen
