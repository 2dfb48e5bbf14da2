// "Info über PLOXEN" with the file's own version.
#pragma once

#include "fw/window.h"

namespace ploxen {

class CInfoDlg : public fw::Dialog {
 protected:
  bool OnInit() override;
};

}  // namespace ploxen
