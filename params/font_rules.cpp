#include "params/font_rules.h"

#include <climits>
#include <cstdint>

namespace ploxen {

int FontHeightFromPointSize(int pointSize) {
  const std::int64_t height = std::int64_t{-96} * pointSize / 72;
  if (height < INT_MIN) return INT_MIN;
  if (height > INT_MAX) return INT_MAX;
  return static_cast<int>(height);
}

int PointSizeFromTenths(int tenths) { return tenths / 10; }

std::string FaceNameForRecord(std::string_view name) { return std::string(name.substr(0, kFaceNameMax)); }

}  // namespace ploxen
