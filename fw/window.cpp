#include "fw/window.h"

#include <string>

#include "fw/dispatch.h"
#include "fw/wide_text.h"

namespace fw {

namespace {
// The slot tells a window from a dialog: a dialog's controls are made before
// the dialog takes its object, and none of them may take it instead.
struct ObjectBeingMade {
  Window* object = nullptr;
  int slot = 0;
};
thread_local ObjectBeingMade beingMade;

// Names the object while its window is made; nested makings (a window made
// from within another's initialisation) restore the outer one.
class Making {
 public:
  Making(Window* object, int slot) : outer_(beingMade) { beingMade = {object, slot}; }
  ~Making() { beingMade = outer_; }
  Making(const Making&) = delete;
  Making& operator=(const Making&) = delete;

 private:
  ObjectBeingMade outer_;
};

// The object this thread is making a window for, when it waits for one in
// that slot; it is taken only once.
Window* TakeObjectBeingMade(int slot) {
  Window* self = beingMade.object;
  if (!self || beingMade.slot != slot || self->hwnd()) return nullptr;
  beingMade = {};
  return self;
}

}  // namespace

struct Window::PlainKind {
  using Object = Window;
  using Answer = LRESULT;
  static constexpr int kSlot = GWLP_USERDATA;
  static constexpr UINT kTakenAt = WM_NCCREATE;
  static constexpr UINT kStillToCome = WM_CREATE;
  static constexpr bool kPlatformCreatesFirst = false;

  static Window* Take(LPARAM) { return TakeObjectBeingMade(kSlot); }
  static bool Route(Window&, UINT, WPARAM, LPARAM, LRESULT&) { return false; }
  static LRESULT Give(HWND, UINT, LRESULT result) { return result; }
  static LRESULT Default(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd, msg, wp, lp); }
};

struct Dialog::DialogKind : DialogAnswer {
  using Object = Dialog;
  static Window* Take(LPARAM) { return TakeObjectBeingMade(kSlot); }
  // OK and Cancel end the dialog unless the dialog's own OnCommand takes them.
  static bool Route(Dialog& self, UINT msg, WPARAM wp, LPARAM lp, LRESULT&) {
    const int id = LOWORD(wp);
    if (msg != WM_COMMAND || (id != IDOK && id != IDCANCEL) || HIWORD(wp) != BN_CLICKED ||
        self.OnCommand(id, HIWORD(wp), reinterpret_cast<HWND>(lp)))
      return false;
    if (id == IDOK)
      self.OnOK();
    else
      self.OnCancel();
    return true;
  }
};

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

bool Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_INITDIALOG:
      result = OnInit() ? TRUE : FALSE;
      return true;
    case WM_COMMAND:
      return OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<NMHDR*>(lp), result);
    case WM_TIMER:
      return OnTimer(static_cast<UINT_PTR>(wp));
    case WM_CLOSE:
      return OnClose();
    case WM_DESTROY:
      return OnDestroy();
    case WM_SIZE:
      return OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
    case WM_PAINT:
      return OnPaint();
    case WM_COPYDATA:
      if (OnCopyData(reinterpret_cast<HWND>(wp), reinterpret_cast<const COPYDATASTRUCT*>(lp))) {
        result = TRUE;
        return true;
      }
      return false;
    default:
      return OnMessage(msg, wp, lp, result);
  }
}

bool Window::RegisterHiddenWindowClass(const char* className, UINT style) {
  const std::wstring name = WideFromCp1252(className);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = Procedure<PlainKind>;
  wc.hInstance = Instance();
  wc.lpszClassName = name.c_str();
  return ::RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Window::Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x,
                    int y, int w, int h, HWND parent, HMENU menu) {
  Making making(this, PlainKind::kSlot);
  return CreateWindowExW(exStyle, WideFromCp1252(className).c_str(), title ? WideFromCp1252(title).c_str() : nullptr,
                         style, x, y, w, h, parent, menu, Instance(), this) != nullptr;
}

INT_PTR Dialog::RunModal(int templateId, HWND parent) {
  Making making(this, DialogKind::kSlot);
  return DialogBoxParamW(Instance(), MAKEINTRESOURCEW(templateId), parent, Procedure<DialogKind>,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(int templateId, HWND parent) {
  Making making(this, DialogKind::kSlot);
  return CreateDialogParamW(Instance(), MAKEINTRESOURCEW(templateId), parent, Procedure<DialogKind>,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

}  // namespace fw
