// One dispatch mechanism for every window and dialog: the object is stored
// with its HWND once (WM_NCCREATE for windows, WM_INITDIALOG for dialogs) and
// one static procedure forwards each message to typed virtual handlers. Each
// handler returns whether it handled the message; unhandled messages take the
// platform's default path. No exception leaves a window procedure.
//
// Any process may send any window the creation messages, with any lParam, at
// any time. The object is therefore never read from them: Create, RunModal
// and CreateModeless name the object this thread is making, and the window
// takes it when the platform first shows the window to its procedure. A
// window's own WM_NCCREATE and WM_CREATE, or a dialog's WM_INITDIALOG, are
// handled once, while it is made; later ones reach neither a handler nor the
// platform's default.
#pragma once

#include <windows.h>

namespace fw {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window() = default;

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

  // A plain window of a class registered with WindowProc (RegisterHiddenWindowClass).
  bool Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x, int y,
              int w, int h, HWND parent, HMENU menu);
  // For windows that are never shown: no cursor, background or icon.
  static bool RegisterHiddenWindowClass(const char* className, UINT style);

 protected:
  // The typed handlers. result is what the procedure returns when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  virtual bool OnTimer(UINT_PTR /*id*/) { return false; }
  virtual bool OnClose() { return false; }
  virtual bool OnDestroy() { return false; }
  virtual bool OnSize(UINT /*type*/, int /*w*/, int /*h*/) { return false; }
  virtual bool OnPaint() { return false; }
  virtual bool OnCopyData(HWND /*from*/, const COPYDATASTRUCT* /*data*/) { return false; }
  // Everything else.
  virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) { return false; }

  // Routes one message to the handlers above. A message whose pointer cannot
  // be one of ours is answered with 0 and reaches neither a handler nor the
  // platform's default.
  bool Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // The same for a dialog procedure (a dialog's or a property page's): the
  // answer in the dialog's way, and the object let go with its window.
  INT_PTR AnswerDialogMessage(UINT msg, WPARAM wp, LPARAM lp);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;

 private:
  class Making;
  // The object this thread is making a window for, stored with the window
  // (slot: GWLP_USERDATA or DWLP_USER); null when none waits for one.
  static Window* TakeObjectBeingMade(HWND hwnd, int slot);

  bool awaitingCreate_ = false;  // WM_NCCREATE took the object; WM_CREATE is still to come
  friend class Dialog;
};

class Dialog : public Window {
 public:
  // Modal: returns the code given to EndDialog, or -1 when the template is missing.
  INT_PTR RunModal(int templateId, HWND parent);
  // Modeless: the dialog lives until DestroyWindow.
  bool CreateModeless(int templateId, HWND parent);

 protected:
  virtual bool OnInit() { return true; }  // true: let the platform set the focus
  // Default buttons: end a modal dialog; a modeless one decides itself.
  virtual void OnOK() { EndDialog(hwnd_, IDOK); }
  virtual void OnCancel() { EndDialog(hwnd_, IDCANCEL); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

HINSTANCE Instance();

}  // namespace fw
