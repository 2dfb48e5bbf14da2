// "Parameter": the parameter sheet, one at a time, filled from the settings
// and the profile's search terms. A close asked for while it runs ends it
// first, as if cancelled, and comes after it: the sheet would apply to a
// window that is gone.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fw/window.h"
#include "storage/settings.h"

namespace ploxen {

class CParamDlg;

class ParameterCommand {
 public:
  // What the user left in the sheet with OK.
  struct Confirmed {
    Settings settings;
    std::vector<std::string> searchTerms;
  };
  // None after Cancel, while another sheet runs, and when the owner went or
  // a close came meanwhile, which then follows.
  std::optional<Confirmed> Run(const fw::Window& owner, int startPage, const Settings& settings,
                               std::string systemWideState, std::vector<std::string> searchTerms);
  // False while the sheet runs: it is cancelled, and the close follows it.
  bool AllowClose();

 private:
  CParamDlg* sheet_ = nullptr;  // while it runs
  bool closeAfter_ = false;     // a close was asked for meanwhile
};

}  // namespace ploxen
