#include "app/remark_dialog.h"

#include "core/text.h"
#include "fw/controls.h"
#include "res/resource.h"

namespace ploxen {

void CBemerkungDlg::OnOK() {
  // The 1,023 characters the remark has always taken; the intake cuts further.
  remark = std::string(CutToCharacters(fw::Control(Item(IDC_REMARK_TEXT)).Utf8Text(), 1023));
  EndDialog(hwnd_, IDOK);
}

}  // namespace ploxen
