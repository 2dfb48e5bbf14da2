// The list's font as the settings name it; while none is made the list has
// the dialog's.
#pragma once

#include <windows.h>

#include <string>

namespace ploxen {

class ListFont {
 public:
  ListFont() = default;
  ~ListFont();
  ListFont(const ListFont&) = delete;
  ListFont& operator=(const ListFont&) = delete;

  // A font of the face and height, given to the list (null: none made yet).
  // False when the platform made none: the list keeps the font it has.
  bool Make(int height, const std::string& face, HWND list);
  // A list just made gets the font made before it, if any.
  void GiveTo(HWND list) const;

 private:
  HFONT font_ = nullptr;
};

}  // namespace ploxen
