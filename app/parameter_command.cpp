#include "app/parameter_command.h"

#include "fw/strings.h"
#include "pages/param_dialog.h"
#include "res/resource.h"

namespace ploxen {

std::optional<ParameterCommand::Confirmed> ParameterCommand::Run(const fw::Window& owner, int startPage,
                                                                 const Settings& settings,
                                                                 std::string systemWideState,
                                                                 std::vector<std::string> searchTerms) {
  if (sheet_) return std::nullopt;
  CParamDlg sheet(fw::String(IDS_PARAMETER), owner.hwnd(), startPage, settings);
  sheet.allg.systemWeitState = std::move(systemWideState);
  sheet.suchen.terms = std::move(searchTerms);
  sheet_ = &sheet;
  const bool confirmed = sheet.RunModal() == IDOK;
  sheet_ = nullptr;
  if (closeAfter_) {
    closeAfter_ = false;
    if (owner.hwnd()) PostMessageA(owner.hwnd(), WM_CLOSE, 0, 0);
    return std::nullopt;
  }
  if (!confirmed || !owner.hwnd()) return std::nullopt;
  return Confirmed{sheet.settings, sheet.suchen.terms};
}

bool ParameterCommand::AllowClose() {
  if (!sheet_) return true;
  closeAfter_ = true;
  sheet_->Cancel();
  return false;
}

}  // namespace ploxen
