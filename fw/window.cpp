#include "fw/window.h"

#include <exception>

#include "fw/message_pointer.h"

namespace fw {

namespace {
// The slot tells a window from a dialog: a dialog's controls are made before
// the dialog takes its object, and none of them may take it instead.
struct ObjectBeingMade {
  Window* object = nullptr;
  int slot = 0;
};
thread_local ObjectBeingMade beingMade;
}  // namespace

// Names the object while its window is made; nested makings (a window made
// from within another's initialisation) restore the outer one.
class Window::Making {
 public:
  Making(Window* object, int slot) : outer_(beingMade) { beingMade = {object, slot}; }
  ~Making() { beingMade = outer_; }
  Making(const Making&) = delete;
  Making& operator=(const Making&) = delete;

 private:
  ObjectBeingMade outer_;
};

Window* Window::TakeObjectBeingMade(HWND hwnd, int slot) {
  Window* self = beingMade.object;
  if (!self || beingMade.slot != slot || self->hwnd_) return nullptr;
  beingMade = {};
  self->hwnd_ = hwnd;
  SetWindowLongPtrA(hwnd, slot, reinterpret_cast<LONG_PTR>(self));
  return self;
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

bool Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  result = 0;
  if (!MessagePointerUsable(msg, lp)) return true;
  switch (msg) {
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
  WNDCLASSA wc{};
  wc.style = style;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = Instance();
  wc.lpszClassName = className;
  return ::RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Window::Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x,
                    int y, int w, int h, HWND parent, HMENU menu) {
  Making making(this, GWLP_USERDATA);
  return CreateWindowExA(exStyle, className, title, style, x, y, w, h, parent, menu, Instance(),
                         this) != nullptr;
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (IsCreationMessage(msg)) {
    // The one WM_NCCREATE and the one WM_CREATE of this window's making go
    // on; a window without an object is not made at all.
    if (msg == WM_NCCREATE && !self && (self = TakeObjectBeingMade(hwnd, GWLP_USERDATA)))
      self->awaitingCreate_ = true;
    else if (msg == WM_CREATE && self && self->awaitingCreate_)
      self->awaitingCreate_ = false;
    else
      return 0;
  }
  if (self) {
    try {
      LRESULT result = 0;
      const bool handled = self->Dispatch(msg, wp, lp, result);
      if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
      }
      if (handled) return result;
    } catch (const std::exception&) {
      // A handler that failed leaves the message to the platform.
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

INT_PTR Dialog::RunModal(int templateId, HWND parent) {
  Making making(this, DWLP_USER);
  return DialogBoxParamA(Instance(), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(int templateId, HWND parent) {
  Making making(this, DWLP_USER);
  return CreateDialogParamA(Instance(), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    if (self || !(self = static_cast<Dialog*>(TakeObjectBeingMade(hwnd, DWLP_USER)))) return FALSE;
    try {
      return self->OnInit() ? TRUE : FALSE;
    } catch (const std::exception&) {
      return TRUE;
    }
  }
  if (!self) return FALSE;
  try {
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) && HIWORD(wp) == BN_CLICKED &&
        !self->OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) {
      if (LOWORD(wp) == IDOK)
        self->OnOK();
      else
        self->OnCancel();
      return TRUE;
    }
    return self->AnswerDialogMessage(msg, wp, lp);
  } catch (const std::exception&) {
    return FALSE;
  }
}

INT_PTR Window::AnswerDialogMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const HWND hwnd = hwnd_;
  // The dialog had its own before it had its object: these are someone
  // else's, and the platform's default would read what they point at.
  if (IsCreationMessage(msg)) {
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
    return TRUE;
  }
  LRESULT result = 0;
  const bool handled = Dispatch(msg, wp, lp, result);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    hwnd_ = nullptr;
  }
  if (!handled) return FALSE;
  switch (msg) {
    // These answer through the procedure's own return value.
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

}  // namespace fw
