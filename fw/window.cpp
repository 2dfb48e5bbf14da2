#include "fw/window.h"

#include <exception>

#include "fw/message_pointer.h"

namespace fw {

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
  return CreateWindowExA(exStyle, className, title, style, x, y, w, h, parent, menu, Instance(),
                         this) != nullptr;
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
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
  return DialogBoxParamA(Instance(), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(int templateId, HWND parent) {
  return CreateDialogParamA(Instance(), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lp);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
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
