// A modal property sheet over the platform's control: pages from dialog
// templates, each an object with its own dispatch and data-exchange table,
// its window made when the page is first shown. A page never shown keeps its
// fields as they were put in. OK takes effect only when the active page lets
// the user leave it; there is no Apply button.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "fw/data_exchange.h"
#include "fw/window.h"

namespace fw {

class ModalSheet;

class PropertyPage : public Window {
 public:
  explicit PropertyPage(int templateId) : templateId_(templateId) {}

 protected:
  // The page's window was made: the controls are filled from the table.
  bool OnInit() override {
    exchange_.Load(hwnd_);
    return true;
  }
  // The user leaves the page, or presses OK: false keeps the user on it.
  virtual bool OnKillActive() { return exchange_.Store(hwnd_); }

  ExchangeTable exchange_;

 private:
  friend class ModalSheet;
  struct PageKind;
  // The sheet's notifications: the page in front, leaving it, OK.
  bool OnSheetNotify(UINT code, LRESULT& result);

  int templateId_;
  ModalSheet* sheet_ = nullptr;
  int index_ = 0;
};

class ModalSheet {
 public:
  // owner is disabled while the sheet runs; the caption is the program's own.
  ModalSheet(std::string caption, HWND owner, int startPage)
      : caption_(std::move(caption)), owner_(owner), startPage_(startPage) {}
  ModalSheet(const ModalSheet&) = delete;
  ModalSheet& operator=(const ModalSheet&) = delete;
  virtual ~ModalSheet() = default;

  // In tab order; the page must outlive the sheet's run.
  void AddPage(PropertyPage& page);
  // IDOK when the user confirmed with OK, otherwise IDCANCEL (also when the
  // sheet could not be made).
  INT_PTR RunModal();
  HWND hwnd() const { return hwnd_; }
  // The index of the page in front.
  int ActivePage() const { return activePage_; }
  // Ends a running sheet as its Cancel button would.
  void Cancel();

 protected:
  // The platform's own initialisation is over.
  virtual void OnInit() {}
  // A command to the sheet itself (its buttons); true when handled here.
  virtual bool OnCommand(WPARAM /*wp*/, LPARAM /*lp*/) { return false; }
  // F1 anywhere in the sheet.
  virtual bool OnHelp() { return false; }

  HWND hwnd_ = nullptr;

 private:
  friend class PropertyPage;
  // The page a WM_INITDIALOG names, when it is one of this sheet's not made yet.
  PropertyPage* PageToMake(LPARAM lp) const;
  static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
  static LRESULT CALLBACK SheetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);

  std::string caption_;
  HWND owner_;
  int startPage_;
  std::vector<PropertyPage*> pages_;
  int activePage_ = 0;
  bool confirmed_ = false;
};

}  // namespace fw
