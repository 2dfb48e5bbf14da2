// Between the page's font fields (a point size and a face name) and the
// platform's font record and font dialog.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ploxen {

// The record's height for a point size at 96 pixels per inch, truncated
// toward zero: 8 -> -10, 10 -> -13, 12 -> -16. Sizes so large that the
// height would not fit an int are held at its limits.
int FontHeightFromPointSize(int pointSize);
// The font dialog gives the chosen size in tenths of a point.
int PointSizeFromTenths(int tenths);

// The record's face name holds 32 bytes with its terminator.
constexpr std::size_t kFaceNameMax = 31;
std::string FaceNameForRecord(std::string_view name);

}  // namespace ploxen
