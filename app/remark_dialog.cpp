#include "app/remark_dialog.h"

#include "res/resource.h"

namespace ploxen {

void CBemerkungDlg::OnOK() {
  char text[1024] = {};
  GetDlgItemTextA(hwnd_, IDC_REMARK_TEXT, text, sizeof text);
  remark = text;
  EndDialog(hwnd_, IDOK);
}

}  // namespace ploxen
