// The fixed texts of the parameter sheet: the help of each page, in page
// order, and the guide for macro authors on the "VBA" page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ploxen {

constexpr std::size_t kParameterPageCount = 11;
// "Dateien", the last page.
constexpr std::size_t kFilesPage = kParameterPageCount - 1;

// The help shown for the page at that index; past the last page, none.
std::string_view PageHelpText(std::size_t pageIndex);

// The guide's pieces in order, and the whole text they make.
std::size_t GuidePieceCount();
std::string_view GuidePiece(std::size_t index);
std::string GuideText();

}  // namespace ploxen
