// A modeless dialog made into a main frame: menu bar, status bar with menu
// prompts and per-pane tool tips, controls shifted and the window grown by
// the bars, and the icon drawn while minimised.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fw/window.h"
#include "shell/menu_prompt.h"
#include "storage/settings.h"

namespace ploxen {

constexpr UINT kSetMessageString = 0x0362;
constexpr UINT kPopMessageString = 0x0375;
constexpr int kStatusBarId = 0xE801;

class CModelessMain : public fw::Dialog {
 public:
  // indicators: the status panes' string ids, 0 for the stretching prompt pane.
  bool Create(int templateId, const std::vector<unsigned>& indicators, int toolBarId, int menuId,
              HWND parent);

  // The client rectangle less the bars.
  RECT GetFreeClientRect() const;
  // The program's own text, in code page 1252.
  void SetPaneText(int pane, std::string_view text);
  // A pane as wide as the text it shows now instead of its indicator string,
  // left out of the bar while that text is empty. Only the last panes may be
  // left out: the others keep their indices.
  void SetFittedPane(int pane, std::string text);
  HWND StatusBar() const { return statusBar_; }
  // The window's place and size when neither minimised nor maximised, and
  // how it is shown.
  Placement NormalPlacement() const;
  void SetNormalPlacement(const Placement& placement);

 protected:
  bool OnInit() override;
  void OnOK() override { DestroyWindow(hwnd_); }
  void OnCancel() override { DestroyWindow(hwnd_); }
  bool OnSize(UINT type, int w, int h) override;
  bool OnPaint() override;
  bool OnDestroy() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  // Whether the window has a handler for a menu command; the menu pass
  // disables the items that have none.
  virtual bool HandlesCommand(unsigned /*id*/) const { return false; }
  // A pane's tool tip: by default the indicator string's second part.
  virtual std::string PaneToolTip(std::size_t pane) const;

  virtual bool CreateStatusBar();
  virtual void DestroyStatusBar();
  virtual bool CreateMenu();
  virtual void DestroyMenu();

  void SetIcons(HICON icon);
  // An item of the window's system menu, below a separator; none when the
  // string table lacks its text.
  void AddSystemMenuItem(int id, unsigned stringId);
  bool Minimised() const { return IsIconic(hwnd_) != FALSE; }
  HICON icon_ = nullptr;

 private:
  void ShowPrompt(unsigned id);
  void UpdateMenuItems(HMENU popup);
  void LayoutStatusBar();
  bool ToolTipText(NMHDR* header);
  static LRESULT CALLBACK StatusBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

  std::vector<unsigned> indicators_;
  std::vector<std::optional<std::string>> fitted_;  // by pane: the text of a fitted pane
  // A tip's text lives here until the tip asks again: it may be longer
  // than the notification's own buffer.
  std::string tipText_;
  std::wstring tipWide_;
  int menuId_ = 0;
  HMENU menu_ = nullptr;
  HWND statusBar_ = nullptr;
  HWND paneTips_ = nullptr;
  MenuPromptTracker prompts_;
};

}  // namespace ploxen
