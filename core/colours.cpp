#include "core/colours.h"

namespace ploxen {

Colour MessageColour(MessageKind kind) {
  const int category = CategoryOf(kind);
  if (category == kCategoryConstructor || category == kCategoryDestructor) return kDarkGreen;
  if (category == kCategoryGeneral) {
    // Exact kinds only: a kind with bits above the level byte stays black.
    switch (kind) {
      case 0x103:
      case 0x603: return kRed;
      case 0x203: return kMagenta;
      case 0x403:
      case 0x503: return kDarkBlue;
      default: return kBlack;
    }
  }
  if (category == kCategoryProgram) return kBlue;
  if (category >= kCategoryTrace && category <= kCategoryProcess) return kGrey;
  return kBlack;
}

}  // namespace ploxen
