// The window procedure every kind of window shares (fw/window.h), and the
// answers a dialog procedure gives. Only fw's own files include this.
//
// A kind is a small type with:
//   Object, Answer         the class it serves and the procedure's return type
//   kSlot                  where the object is stored with the window
//   kTakenAt               the creation message that takes the object
//   kStillToCome           a creation message the making sends after it, or 0
//   kPlatformCreatesFirst  the platform's own creation messages come before
//                          kTakenAt while there is no object, and go its way
//   Take(lp)               the object this thread is making the window for
//   Route(object, ...)     the kind's own messages, before the typed handlers
//   Give(hwnd, msg, r)     the answer of a handled message
//   Default(hwnd, msg, wp, lp)  the platform's answer
#pragma once

#include <windows.h>

#include "fw/message_pointer.h"
#include "fw/window.h"

namespace fw {

template <class Kind>
typename Kind::Answer CALLBACK Window::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, Kind::kSlot));
  if (IsCreationMessage(msg)) {
    if (!self && msg == Kind::kTakenAt) {
      Window* taken = Kind::Take(lp);
      if (!taken) return Kind::Give(hwnd, msg, 0);  // a window without an object is not made at all
      self = taken;
      self->hwnd_ = hwnd;
      self->stillToCome_ = Kind::kStillToCome;
      SetWindowLongPtrW(hwnd, Kind::kSlot, reinterpret_cast<LONG_PTR>(self));
    } else if (self && msg == self->stillToCome_) {
      self->stillToCome_ = 0;
    } else if (!self && Kind::kPlatformCreatesFirst) {
      return Kind::Default(hwnd, msg, wp, lp);
    } else {
      return Kind::Give(hwnd, msg, 0);  // someone else's: the default would read what it points at
    }
  }
  if (!self) return Kind::Default(hwnd, msg, wp, lp);
  LRESULT result = 0;
  bool handled = false;
  try {
    // A message whose pointer cannot be one of ours is answered with 0 and
    // reaches neither a handler nor the platform's default.
    handled = !MessagePointerUsable(msg, lp) ||
              Kind::Route(static_cast<typename Kind::Object&>(*self), msg, wp, lp, result) ||
              self->Dispatch(msg, wp, lp, result);
  } catch (...) {
    handled = false;  // a handler that failed leaves the message to the platform
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, Kind::kSlot, 0);
    self->hwnd_ = nullptr;
  }
  return handled ? Kind::Give(hwnd, msg, result) : Kind::Default(hwnd, msg, wp, lp);
}

// How a dialog's or a page's procedure answers. The platform makes the
// dialog (WM_NCCREATE, WM_CREATE) before WM_INITDIALOG names the object.
struct DialogAnswer {
  using Answer = INT_PTR;
  static constexpr int kSlot = DWLP_USER;
  static constexpr UINT kTakenAt = WM_INITDIALOG;
  static constexpr UINT kStillToCome = 0;
  static constexpr bool kPlatformCreatesFirst = true;

  static INT_PTR Give(HWND hwnd, UINT msg, LRESULT result) {
    switch (msg) {
      // These answer through the procedure's own return value.
      case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
      case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
        return static_cast<INT_PTR>(result);
      default:
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
  }
  // For WM_INITDIALOG the platform's own way is to set the focus.
  static INT_PTR Default(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG ? TRUE : FALSE; }
};

}  // namespace fw
