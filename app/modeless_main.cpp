#include "app/modeless_main.h"

#include <commctrl.h>

#include <string>

#include "fw/controls.h"
#include "fw/message_pointer.h"
#include "fw/strings.h"
#include "shell/layout.h"

namespace ploxen {

bool CModelessMain::Create(int templateId, const std::vector<unsigned>& indicators, int /*toolBarId*/,
                           int menuId, HWND parent) {
  // The frame's own icon has the template's id; the main window has none and
  // sets its own.
  icon_ = LoadIconA(fw::Instance(), MAKEINTRESOURCEA(templateId));
  indicators_ = indicators;
  menuId_ = menuId;
  return CreateModeless(templateId, parent);
}

bool CModelessMain::OnInit() {
  CreateMenu();
  CreateStatusBar();

  // Controls move out from under bars at the top or left, and the window
  // grows by what the bars take.
  RECT client{};
  GetClientRect(hwnd_, &client);
  const RECT free = GetFreeClientRect();
  const int dx = free.left - client.left;
  const int dy = free.top - client.top;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (child == statusBar_ || (dx == 0 && dy == 0)) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(child, nullptr, r.left + dx, r.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  }
  RECT window{};
  GetWindowRect(hwnd_, &window);
  const int grow = (client.bottom - client.top) - (free.bottom - free.top);
  const int widen = (client.right - client.left) - (free.right - free.left);
  SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + widen,
               window.bottom - window.top + grow, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  LayoutStatusBar();

  if (icon_) SetIcons(icon_);
  // Centre on the parent, or the screen.
  RECT area{};
  HWND parent = GetParent(hwnd_);
  if (parent)
    GetWindowRect(parent, &area);
  else
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(hwnd_, &window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - w) / 2,
               area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void CModelessMain::AddSystemMenuItem(int id, unsigned stringId) {
  HMENU system = GetSystemMenu(hwnd_, FALSE);
  const std::string text = fw::String(stringId);
  if (!system || text.empty()) return;
  AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(system, MF_STRING, static_cast<UINT_PTR>(id), fw::WideFromCp1252(text).c_str());
}

Placement CModelessMain::NormalPlacement() const {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(hwnd_, &wp);
  const RECT& r = wp.rcNormalPosition;
  return Placement{r.left, r.top, r.right, r.bottom, static_cast<int>(wp.showCmd)};
}

void CModelessMain::SetNormalPlacement(const Placement& placement) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(hwnd_, &wp);
  wp.rcNormalPosition = {placement.x0, placement.y0, placement.x1, placement.y1};
  wp.showCmd = static_cast<UINT>(placement.show);
  SetWindowPlacement(hwnd_, &wp);
}

void CModelessMain::SetIcons(HICON icon) {
  fw::Control(hwnd_).SetIcon(ICON_BIG, icon);
  fw::Control(hwnd_).SetIcon(ICON_SMALL, icon);
}

bool CModelessMain::CreateMenu() {
  DestroyMenu();
  if (menuId_ == 0) return false;
  menu_ = LoadMenuA(fw::Instance(), MAKEINTRESOURCEA(menuId_));
  if (!menu_) return false;
  SetMenu(hwnd_, menu_);
  DrawMenuBar(hwnd_);
  return true;
}

void CModelessMain::DestroyMenu() {
  if (!menu_) return;
  SetMenu(hwnd_, nullptr);
  ::DestroyMenu(menu_);
  menu_ = nullptr;
  DrawMenuBar(hwnd_);
}

bool CModelessMain::CreateStatusBar() {
  if (indicators_.empty()) return false;
  DestroyStatusBar();
  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, 0,
                               0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)),
                               fw::Instance(), nullptr);
  if (!statusBar_) return false;
  fw::Control(statusBar_).SetFont(fw::Control(hwnd_).Font(), false);
  // One tool per pane; the text is asked for when it is needed.
  paneTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, fw::Instance(), nullptr);
  // A long tip is broken into lines rather than running off the screen.
  if (paneTips_) fw::ToolTip(paneTips_).SetMaxWidth(400);
  SetWindowSubclass(statusBar_, StatusBarProc, 0, reinterpret_cast<DWORD_PTR>(this));
  for (std::size_t i = 0; i < indicators_.size(); ++i) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = statusBar_;
    tool.uId = i;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    if (paneTips_) fw::ToolTip(paneTips_).AddTool(tool);
  }
  for (std::size_t i = 0; i < indicators_.size(); ++i) {
    const std::string text = indicators_[i] ? std::string(PromptText(fw::String(indicators_[i]))) : std::string();
    SetPaneText(static_cast<int>(i), text);
  }
  ShowPrompt(kIdlePromptId);
  LayoutStatusBar();
  return true;
}

// The pane tips ask the status bar for their text; it answers with the
// frame's rules, the tool id being the pane index.
LRESULT CALLBACK CModelessMain::StatusBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                              DWORD_PTR self) {
  if (msg == WM_NOTIFY) {
    // Another process may send the bar anything; only its tips' own notes are read.
    if (!fw::MessagePointerUsable(msg, lp)) return 0;
    auto* header = reinterpret_cast<NMHDR*>(lp);
    auto* frame = reinterpret_cast<CModelessMain*>(self);
    if ((header->code == TTN_NEEDTEXTA || header->code == TTN_NEEDTEXTW) && header->hwndFrom == frame->paneTips_) {
      frame->ToolTipText(header);
      return 0;
    }
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, StatusBarProc, 0);
  } else if (fw::IsCreationMessage(msg)) {
    return 0;  // the bar is made; the platform's would make its panes anew
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void CModelessMain::DestroyStatusBar() {
  if (paneTips_) DestroyWindow(paneTips_);
  paneTips_ = nullptr;
  if (statusBar_) DestroyWindow(statusBar_);
  statusBar_ = nullptr;
}

void CModelessMain::LayoutStatusBar() {
  if (!statusBar_) return;
  fw::StatusBar bar(statusBar_);
  bar.FitToParent();
  RECT client{};
  GetClientRect(statusBar_, &client);
  // Pane 0 stretches; every other pane is as wide as its whole string, or a
  // fitted pane as its text.
  HDC dc = GetDC(statusBar_);
  HGDIOBJ old = SelectObject(dc, bar.Font());
  std::vector<int> own(indicators_.size(), 0);
  for (std::size_t i = 1; i < indicators_.size(); ++i) {
    const bool fitted = i < fitted_.size() && fitted_[i];
    const std::string text = fitted ? *fitted_[i] : fw::String(indicators_[i]);
    if (fitted && text.empty()) continue;
    SIZE size{};
    const std::wstring wide = fw::WideFromCp1252(text);
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    own[i] = size.cx + 12;
  }
  SelectObject(dc, old);
  ReleaseDC(statusBar_, dc);
  const std::vector<int> edges = StatusPartEdges(client.right, GetSystemMetrics(SM_CXVSCROLL), own);
  bar.SetParts(edges);
  // A part the bar has just made again starts empty.
  for (std::size_t i = 0; i < fitted_.size() && i < edges.size(); ++i)
    if (fitted_[i]) SetPaneText(static_cast<int>(i), *fitted_[i]);
  for (std::size_t i = 0; paneTips_ && i < indicators_.size(); ++i) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = statusBar_;
    tool.uId = i;
    // A pane left out has no part, and its tool an empty rectangle.
    if (i < edges.size()) tool.rect = bar.PartRect(static_cast<int>(i));
    fw::ToolTip(paneTips_).SetToolRect(tool);
  }
}

void CModelessMain::SetPaneText(int pane, std::string_view text) {
  if (statusBar_) fw::StatusBar(statusBar_).SetPartText(pane, text);
}

void CModelessMain::SetFittedPane(int pane, std::string text) {
  if (pane <= 0) return;  // the prompt pane stretches
  const std::size_t at = static_cast<std::size_t>(pane);
  if (fitted_.size() <= at) fitted_.resize(at + 1);
  fitted_[at] = std::move(text);
  LayoutStatusBar();
}

RECT CModelessMain::GetFreeClientRect() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  // The bar's own style, not whether it can be seen: while the window is
  // hidden (at start, or held by an automation client) the bar still takes its place.
  if (statusBar_ && (GetWindowLongPtrA(statusBar_, GWL_STYLE) & WS_VISIBLE)) {
    RECT bar{};
    GetWindowRect(statusBar_, &bar);
    client.bottom -= bar.bottom - bar.top;
    if (client.bottom < client.top) client.bottom = client.top;
  }
  return client;
}

void CModelessMain::ShowPrompt(unsigned id) {
  if (id != 0) {
    std::string text;
    if (fw::FindString(id, text))
      SetPaneText(0, PromptText(text));
    else if (statusBar_)
      SetPaneText(0, PromptText(fw::String(kIdlePromptId)));
  }
  prompts_.Shown(id);
}

void CModelessMain::UpdateMenuItems(HMENU popup) {
  const int count = GetMenuItemCount(popup);
  for (int position = 0; position < count; ++position) {
    const unsigned id = GetMenuItemID(popup, position);
    HMENU sub = GetSubMenu(popup, position);
    const unsigned first = sub ? GetMenuItemID(sub, 0) : 0;
    switch (UpdateForMenuItem(id, first, HandlesCommand(id))) {
      case MenuItemUpdate::kEnable:
        EnableMenuItem(popup, static_cast<UINT>(position), MF_BYPOSITION | MF_ENABLED);
        break;
      case MenuItemUpdate::kDisable:
        EnableMenuItem(popup, static_cast<UINT>(position), MF_BYPOSITION | MF_GRAYED);
        break;
      case MenuItemUpdate::kUpdate:  // keeps its state; a sub-menu's items get their own pass
      case MenuItemUpdate::kSkip:
        break;
    }
  }
}

bool CModelessMain::OnSize(UINT, int, int) {
  LayoutStatusBar();
  return false;
}

bool CModelessMain::OnPaint() {
  if (!Minimised() || !icon_) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  // Centred in what the bars leave free.
  const RECT r = GetFreeClientRect();
  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  DrawIcon(dc, (r.right - r.left - cx + 1) / 2, (r.bottom - r.top - cy + 1) / 2, icon_);
  EndPaint(hwnd_, &ps);
  return true;
}

bool CModelessMain::OnDestroy() {
  DestroyStatusBar();
  if (menu_) {
    SetMenu(hwnd_, nullptr);
    ::DestroyMenu(menu_);
    menu_ = nullptr;
  }
  return false;
}

std::string CModelessMain::PaneToolTip(std::size_t pane) const {
  const unsigned id = pane < indicators_.size() ? indicators_[pane] : 0;
  return id ? ploxen::ToolTipText(fw::String(id)) : std::string();
}

bool CModelessMain::ToolTipText(NMHDR* header) {
  UINT_PTR id = header->idFrom;
  if (header->hwndFrom == paneTips_) {
    tipText_ = PaneToolTip(id);  // a pane index
  } else {
    if (header->code == TTN_NEEDTEXTA) {
      if (reinterpret_cast<NMTTDISPINFOA*>(header)->uFlags & TTF_IDISHWND)
        id = static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(id)));
    } else if (reinterpret_cast<NMTTDISPINFOW*>(header)->uFlags & TTF_IDISHWND) {
      id = static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(id)));
    }
    tipText_ = id ? ploxen::ToolTipText(fw::String(static_cast<unsigned>(id))) : std::string();
  }
  if (header->code == TTN_NEEDTEXTA) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    info->szText[0] = '\0';
    info->lpszText = tipText_.data();
  } else {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    tipWide_ = fw::WideFromCp1252(tipText_);
    info->szText[0] = L'\0';
    info->lpszText = tipWide_.data();
  }
  SetWindowPos(header->hwndFrom, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE);
  return true;
}

bool CModelessMain::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->code == TTN_NEEDTEXTA || header->code == TTN_NEEDTEXTW) {
    result = 0;
    return ToolTipText(header);
  }
  return false;
}

bool CModelessMain::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_ERASEBKGND:
      if (Minimised() && icon_) {
        result = TRUE;
        return true;
      }
      return false;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(icon_);
      return true;
    case WM_INITMENUPOPUP:
      if (!HIWORD(lp)) UpdateMenuItems(reinterpret_cast<HMENU>(wp));  // the window menu is the system's
      return false;
    case WM_MENUSELECT: {
      const unsigned show = prompts_.OnMenuSelect(LOWORD(wp), HIWORD(wp));
      if (show) ShowPrompt(show);
      (void)lp;
      return true;
    }
    case WM_ENTERIDLE:
      if (prompts_.OnEnterIdle(static_cast<unsigned>(wp))) ShowPrompt(prompts_.Tracked());
      return false;
    case kSetMessageString: {
      const unsigned previous = prompts_.Last();
      ShowPrompt(static_cast<unsigned>(wp));
      result = static_cast<LRESULT>(previous);
      return true;
    }
    case kPopMessageString:
      result = SendMessageA(hwnd_, kSetMessageString, wp, lp);
      return true;
    default:
      return false;
  }
}

}  // namespace ploxen
