#include "app/list_font.h"

#include <utility>

#include "fw/controls.h"

namespace ploxen {

ListFont::~ListFont() {
  if (font_) DeleteObject(font_);
}

bool ListFont::Make(int height, const std::string& face, HWND list) {
  HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, face.c_str());
  if (!font) return false;
  // The old font stays alive until the control has the new one.
  std::swap(font, font_);
  if (list) fw::Control(list).SetFont(font_, true);
  if (font) DeleteObject(font);
  return true;
}

void ListFont::GiveTo(HWND list) const {
  if (font_) fw::Control(list).SetFont(font_, true);
}

}  // namespace ploxen
