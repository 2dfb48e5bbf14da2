// Which way a cell's text reads as a whole. The platform orders each
// right-to-left run by itself; whether the cell's text as a whole reads from
// the right is the text's own first letter's choice, as it is in a paragraph.
#pragma once

#include <string_view>

namespace ploxen {

// The first letter (or direction mark) is of a right-to-left script: Hebrew,
// Arabic, Syriac, Thaana, N'Ko and their kin. Digits, blanks and punctuation
// decide nothing; a text without a letter reads left to right.
bool ReadsRightToLeft(std::string_view utf8);

}  // namespace ploxen
