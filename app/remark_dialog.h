// "Bemerkung": a line the user types into the list.
#pragma once

#include <string>

#include "fw/window.h"

namespace ploxen {

class CBemerkungDlg : public fw::Dialog {
 public:
  // The text typed (UTF-8), once the dialog ended with OK.
  std::string remark;

 protected:
  void OnOK() override;
};

}  // namespace ploxen
