// The page's font fields against the platform's font record: the height
// from a point size, the size back from tenths, the face name's room.
#include "params/font_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace ploxen::test {
namespace {

TEST(FontRules, HeightFromPointSizeTruncatesTowardZero) {
  const struct {
    int size, height;
  } cases[] = {{8, -10}, {10, -13}, {12, -16}, {0, 0}, {1, -1}, {-8, 10}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}};
  for (const auto& c : cases) EXPECT_EQ(FontHeightFromPointSize(c.size), c.height) << c.size;
}

TEST(FontRules, PointSizeFromTenthsTruncates) {
  EXPECT_EQ(PointSizeFromTenths(100), 10);
  EXPECT_EQ(PointSizeFromTenths(85), 8);
  EXPECT_EQ(PointSizeFromTenths(9), 0);
}

TEST(FontRules, FaceNameKeepsRoomForTheTerminator) {
  EXPECT_EQ(FaceNameForRecord("MS Sans Serif"), "MS Sans Serif");
  const std::string thirtyOne(31, 'a');
  EXPECT_EQ(FaceNameForRecord(thirtyOne), thirtyOne);
  EXPECT_EQ(FaceNameForRecord(thirtyOne + "b"), thirtyOne);
  EXPECT_EQ(FaceNameForRecord(std::string(200, 'x')).size(), kFaceNameMax);
}

}  // namespace
}  // namespace ploxen::test
