// One dispatch mechanism for every window, dialog and property page: the
// object is stored with its HWND once and one procedure (fw/dispatch.h)
// forwards each message to typed virtual handlers. Each handler returns
// whether it handled the message; unhandled messages take the platform's
// default path. No exception leaves a window procedure.
//
// Any process may send any window the creation messages, with any lParam, at
// any time. The object is therefore never read from them: Create, RunModal,
// CreateModeless and the property sheet name the object this thread is
// making, and the window takes it when the platform first shows the window
// to its procedure (WM_NCCREATE for windows, WM_INITDIALOG for dialogs and
// pages). A window's own WM_NCCREATE and WM_CREATE, or a dialog's
// WM_INITDIALOG, are handled once, while it is made; later ones reach neither
// a handler nor the platform's default.
//
// Every window and dialog is made wide, so that it takes and shows any text;
// names and titles given here are the program's own, in code page 1252.
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

  // A plain window of a class registered by RegisterHiddenWindowClass.
  bool Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x, int y,
              int w, int h, HWND parent, HMENU menu);
  // For windows that are never shown: no cursor, background or icon.
  static bool RegisterHiddenWindowClass(const char* className, UINT style);

 protected:
  // The typed handlers. result is what the procedure returns when handled.
  // A dialog's or page's WM_INITDIALOG; true lets the platform set the focus.
  virtual bool OnInit() { return true; }
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

  // Routes one message to the handlers above.
  bool Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  // The one procedure of every kind (fw/dispatch.h). Kind says where the
  // object is stored, how it is found while the window is made, which
  // messages the kind answers before the handlers, and how an answer is given.
  template <class Kind>
  static typename Kind::Answer CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;

 private:
  struct PlainKind;
  // The creation message of this window's making still to come after the
  // one that took the object (a window's WM_CREATE); 0 when none is.
  UINT stillToCome_ = 0;
};

class Dialog : public Window {
 public:
  // Modal: returns the code given to EndDialog, or -1 when the template is missing.
  INT_PTR RunModal(int templateId, HWND parent);
  // Modeless: the dialog lives until DestroyWindow.
  bool CreateModeless(int templateId, HWND parent);

 protected:
  // Default buttons: end a modal dialog; a modeless one decides itself.
  virtual void OnOK() { EndDialog(hwnd_, IDOK); }
  virtual void OnCancel() { EndDialog(hwnd_, IDCANCEL); }

 private:
  struct DialogKind;
};

HINSTANCE Instance();

}  // namespace fw
