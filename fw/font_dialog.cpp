#include "fw/font_dialog.h"

#include <commdlg.h>

namespace fw {

bool ChooseScreenFont(HWND owner, LOGFONTA& font, int& pointSizeTenths) {
  CHOOSEFONTA choice{};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = owner;
  choice.lpLogFont = &font;
  choice.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
  if (!ChooseFontA(&choice)) return false;
  pointSizeTenths = choice.iPointSize;
  return true;
}

}  // namespace fw
