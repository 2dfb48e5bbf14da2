#include "fw/property_sheet.h"

#include <cstddef>
#include <exception>

#include "fw/dispatch.h"
#include "fw/message_pointer.h"
#include "fw/wide_text.h"

namespace fw {
namespace {

// The platform's callbacks name no sheet: the one running on this thread.
thread_local ModalSheet* sheetBeingMade = nullptr;

// Posted once the sheet exists, so that the platform has laid out its own
// buttons before OnInit moves them.
constexpr UINT kSheetInitialised = WM_APP + 0x20;

// The platform centres the sheet on its owner, which may sit in a corner of
// the screen: the sheet is moved wholly into the work area. An owned window
// stays above a topmost owner on Windows; not every platform does that by
// itself.
void KeepInFront(HWND sheet, HWND owner) {
  RECT r{};
  GetWindowRect(sheet, &r);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(sheet, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& area = monitor.rcWork;
    int x = r.left, y = r.top;
    if (r.right > area.right) x -= r.right - area.right;
    if (r.bottom > area.bottom) y -= r.bottom - area.bottom;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    SetWindowPos(sheet, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (owner && (GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOPMOST))
    SetWindowPos(sheet, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace

// The platform makes a page's window when the page is first shown, and names
// the page only in WM_INITDIALOG, which anyone may send: a page is taken from
// it once, when it names a page of the sheet running on this thread that has
// no window yet.
PropertyPage* ModalSheet::PageToMake(LPARAM lp) const {
  const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lp);
  if (!ReadableMemory(page, offsetof(PROPSHEETPAGEW, lParam) + sizeof page->lParam)) return nullptr;
  for (PropertyPage* candidate : pages_)
    if (reinterpret_cast<LPARAM>(candidate) == page->lParam && !candidate->hwnd_) return candidate;
  return nullptr;
}

struct PropertyPage::PageKind : DialogAnswer {
  using Object = PropertyPage;
  static Window* Take(LPARAM lp) { return sheetBeingMade ? sheetBeingMade->PageToMake(lp) : nullptr; }
  static bool Route(PropertyPage& self, UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    return msg == WM_NOTIFY && self.OnSheetNotify(reinterpret_cast<const NMHDR*>(lp)->code, result);
  }
};

bool PropertyPage::OnSheetNotify(UINT code, LRESULT& result) {
  switch (code) {
    case PSN_SETACTIVE:
      sheet_->activePage_ = index_;
      return true;
    case PSN_KILLACTIVE:
      result = OnKillActive() ? FALSE : TRUE;
      return true;
    case PSN_APPLY:
      sheet_->confirmed_ = true;
      result = PSNRET_NOERROR;
      return true;
    default:
      return false;
  }
}

void ModalSheet::AddPage(PropertyPage& page) {
  page.sheet_ = this;
  page.index_ = static_cast<int>(pages_.size());
  pages_.push_back(&page);
}

INT_PTR ModalSheet::RunModal() {
  std::vector<PROPSHEETPAGEW> pages(pages_.size());
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    PROPSHEETPAGEW& p = pages[i];
    p.dwSize = sizeof p;
    p.dwFlags = PSP_HASHELP;
    p.hInstance = Instance();
    p.pszTemplate = MAKEINTRESOURCEW(pages_[i]->templateId_);
    p.pfnDlgProc = PropertyPage::Procedure<PropertyPage::PageKind>;
    p.lParam = reinterpret_cast<LPARAM>(pages_[i]);
  }
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_HASHELP | PSH_NOAPPLYNOW;
  header.hwndParent = owner_;
  header.hInstance = Instance();
  const std::wstring caption = WideFromCp1252(caption_);
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = static_cast<UINT>(startPage_);
  header.ppsp = pages.data();
  header.pfnCallback = SheetCallback;
  confirmed_ = false;
  activePage_ = startPage_;
  ModalSheet* const outer = sheetBeingMade;
  sheetBeingMade = this;
  PropertySheetW(&header);
  sheetBeingMade = outer;
  hwnd_ = nullptr;
  return confirmed_ ? IDOK : IDCANCEL;
}

void ModalSheet::Cancel() {
  if (hwnd_) PostMessageA(hwnd_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

int CALLBACK ModalSheet::SheetCallback(HWND hwnd, UINT msg, LPARAM) {
  if (msg == PSCB_INITIALIZED && sheetBeingMade) {
    ModalSheet* self = sheetBeingMade;
    self->hwnd_ = hwnd;
    SetWindowSubclass(hwnd, SheetProc, 1, reinterpret_cast<DWORD_PTR>(self));
    PostMessageA(hwnd, kSheetInitialised, 0, 0);
  }
  return 0;
}

LRESULT CALLBACK ModalSheet::SheetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  auto* self = reinterpret_cast<ModalSheet*>(ref);
  // The sheet was made before this procedure came in front of the
  // platform's: these are someone else's.
  if (IsCreationMessage(msg)) return 0;
  try {
    switch (msg) {
      case kSheetInitialised:
        KeepInFront(hwnd, self->owner_);
        self->OnInit();
        return 0;
      case WM_COMMAND:
        if (self->OnCommand(wp, lp)) return TRUE;
        break;
      case WM_HELP:
        if (self->OnHelp()) return TRUE;
        break;
      case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, SheetProc, 1);
        self->hwnd_ = nullptr;
        break;
      default:
        break;
    }
  } catch (const std::exception&) {
    // Left to the platform.
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace fw
