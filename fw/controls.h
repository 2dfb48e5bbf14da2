// Thin wrappers over the platform's controls: each holds only the control's
// HWND and says in a name what a message to it does. They keep nothing of
// their own; what a control shows comes from the program's own records.
// Make one where it is used: fw::ComboBox(Item(IDC_...)).Select(0).
//
// Texts go to the platform wide. A method says which text it takes: the
// program's own (code page 1252: Text, SetText, Add, ItemText) or one from
// outside, a row's, a term or a pattern (UTF-8: the ...Utf8... methods).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "fw/wide_text.h"

namespace fw {

// The whole text of a window or control, however long: as UTF-16, and in
// code page 1252 with "?" for what it lacks.
std::wstring WideControlText(HWND control);
std::string ControlText(HWND control);

// A message box with the program's own caption; its text is the program's
// own (code page 1252), or one holding a row's text, a term or a pattern
// (UTF-8). The button chosen.
inline int ShowMessage(HWND owner, std::string_view cp1252, std::string_view caption, UINT flags) {
  return MessageBoxW(owner, WideFromCp1252(cp1252).c_str(), WideFromCp1252(caption).c_str(), flags);
}
inline int ShowUtf8Message(HWND owner, std::string_view utf8, std::string_view caption, UINT flags) {
  return MessageBoxW(owner, WideFromUtf8(utf8).c_str(), WideFromCp1252(caption).c_str(), flags);
}

class Control {
 public:
  explicit Control(HWND hwnd) : hwnd_(hwnd) {}
  HWND hwnd() const { return hwnd_; }
  std::string Text() const { return ControlText(hwnd_); }
  void SetText(std::string_view cp1252) { SetWindowTextW(hwnd_, WideFromCp1252(cp1252).c_str()); }
  std::string Utf8Text() const { return Utf8FromWide(WideControlText(hwnd_)); }
  void SetUtf8Text(std::string_view utf8) { SetWindowTextW(hwnd_, WideFromUtf8(utf8).c_str()); }
  void SetFont(HFONT font, bool redraw) { Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
  // The font it draws with; null for the system's.
  HFONT Font() const { return reinterpret_cast<HFONT>(Send(WM_GETFONT, 0, 0)); }
  // Of a top-level window: size ICON_BIG or ICON_SMALL.
  void SetIcon(WPARAM size, HICON icon) { Send(WM_SETICON, size, reinterpret_cast<LPARAM>(icon)); }
  // Off while many changes are made, so that the control draws once at the end.
  void SetRedraw(bool on) { Send(WM_SETREDRAW, on, 0); }

 protected:
  LRESULT Send(UINT msg, WPARAM wp, LPARAM lp) const { return SendMessageW(hwnd_, msg, wp, lp); }
  // The text of an item of a list or combo box, however long.
  std::wstring ItemText(UINT lengthMsg, UINT textMsg, int index) const;
  int AddItem(UINT msg, const std::wstring& text) { return static_cast<int>(Send(msg, 0, reinterpret_cast<LPARAM>(text.c_str()))); }

  HWND hwnd_;
};

class Button : public Control {
 public:
  using Control::Control;
  bool Checked() const { return Send(BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool on) { Send(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
};

class Edit : public Control {
 public:
  using Control::Control;
  // Also keeps the user from typing more; 0 for the platform's largest.
  void SetLimit(std::size_t chars) { Send(EM_SETLIMITTEXT, chars, 0); }
  void SelectAll() { Send(EM_SETSEL, 0, -1); }
  // The dialog's focus in the edit with its text selected, where the user
  // corrects what was refused.
  void FocusAll() {
    SendMessageA(GetParent(hwnd_), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hwnd_), TRUE);
    SelectAll();
  }
};

// Indices are the box's own; -1 (CB_ERR) names no item.
class ComboBox : public Control {
 public:
  using Control::Control;
  int Count() const { return static_cast<int>(Send(CB_GETCOUNT, 0, 0)); }
  std::string ItemText(int index) const { return Cp1252FromWide(Control::ItemText(CB_GETLBTEXTLEN, CB_GETLBTEXT, index)); }
  std::string Utf8ItemText(int index) const { return Utf8FromWide(Control::ItemText(CB_GETLBTEXTLEN, CB_GETLBTEXT, index)); }
  // In its sorted place when the box sorts; the index it got.
  int Add(std::string_view cp1252) { return AddItem(CB_ADDSTRING, WideFromCp1252(cp1252)); }
  int AddUtf8(std::string_view utf8) { return AddItem(CB_ADDSTRING, WideFromUtf8(utf8)); }
  void Delete(int index) { Send(CB_DELETESTRING, index, 0); }
  void Clear() { Send(CB_RESETCONTENT, 0, 0); }
  int Selected() const { return static_cast<int>(Send(CB_GETCURSEL, 0, 0)); }
  void Select(int index) { Send(CB_SETCURSEL, index, 0); }
};

// Indices are the box's own; -1 (LB_ERR) names no item.
class ListBox : public Control {
 public:
  using Control::Control;
  int Count() const { return static_cast<int>(Send(LB_GETCOUNT, 0, 0)); }
  std::string ItemText(int index) const { return Cp1252FromWide(Control::ItemText(LB_GETTEXTLEN, LB_GETTEXT, index)); }
  std::string Utf8ItemText(int index) const { return Utf8FromWide(Control::ItemText(LB_GETTEXTLEN, LB_GETTEXT, index)); }
  int Add(std::string_view cp1252) { return AddItem(LB_ADDSTRING, WideFromCp1252(cp1252)); }
  int AddUtf8(std::string_view utf8) { return AddItem(LB_ADDSTRING, WideFromUtf8(utf8)); }
  void Delete(int index) { Send(LB_DELETESTRING, index, 0); }
  bool IsSelected(int index) const { return Send(LB_GETSEL, index, 0) > 0; }
  // Of a box that lets the user select several items.
  int SelectedCount() const { return static_cast<int>(Send(LB_GETSELCOUNT, 0, 0)); }
};

// Items are the control's indices (an owner-data list's shown rows); -1 names
// every item where the platform allows it, and no item in an answer.
class ListView : public Control {
 public:
  using Control::Control;
  void SetExtendedStyle(DWORD style) { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, style); }
  void InsertColumn(int index, const LVCOLUMNW& column) { Send(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)); }
  // Only the parts that column.mask names are read.
  bool Column(int index, LVCOLUMNW& column) const { return Send(LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column)) != 0; }
  int InsertItem(const LVITEMW& item) { return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item))); }
  void DeleteAllItems() { Send(LVM_DELETEALLITEMS, 0, 0); }
  // Of an owner-data list; flags LVSICF_...
  void SetItemCount(std::size_t count, DWORD flags) { Send(LVM_SETITEMCOUNT, count, flags); }
  void SetItemState(int item, UINT state, UINT mask) {
    LVITEMW change{};
    change.state = state;
    change.stateMask = mask;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&change));
  }
  // The check box of a list with LVS_EX_CHECKBOXES.
  void SetChecked(int item, bool on) { SetItemState(item, INDEXTOSTATEIMAGEMASK(on ? 2 : 1), LVIS_STATEIMAGEMASK); }
  // The first item after `after` (-1: from the start) that has the LVNI_ flags.
  int NextItem(int after, UINT flags) const { return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(after), flags)); }
  int Selected() const { return NextItem(-1, LVNI_SELECTED); }
  int TopIndex() const { return static_cast<int>(Send(LVM_GETTOPINDEX, 0, 0)); }
  int CountPerPage() const { return static_cast<int>(Send(LVM_GETCOUNTPERPAGE, 0, 0)); }
  void EnsureVisible(int item) { Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE); }
  void RedrawItems(int first, int last) { Send(LVM_REDRAWITEMS, static_cast<WPARAM>(first), last); }
  // The item under a point of the client area, or -1.
  int ItemAt(POINT client) const {
    LVHITTESTINFO hit{};
    hit.pt = client;
    return static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  }
  // part: LVIR_BOUNDS, LVIR_ICON or LVIR_LABEL.
  RECT SubItemRect(int item, int subItem, int part) const {
    RECT cell{part, subItem, 0, 0};
    Send(LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
    return cell;
  }
};

// Parts are numbered from the left; edges are their right ends, -1 for one
// that reaches the bar's end.
class StatusBar : public Control {
 public:
  using Control::Control;
  void SetParts(const std::vector<int>& edges) {
    Send(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  }
  RECT PartRect(int part) const {
    RECT r{};
    Send(SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&r));
    return r;
  }
  void SetPartText(int part, std::string_view cp1252) {
    Send(SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(WideFromCp1252(cp1252).c_str()));
  }
  // The bar places itself along its parent's bottom edge.
  void FitToParent() { Send(WM_SIZE, 0, 0); }
};

// A tool tip control; a tool is named by its window and id.
class ToolTip : public Control {
 public:
  using Control::Control;
  // Longer tips are broken into lines of at most this many pixels.
  void SetMaxWidth(int pixels) { Send(TTM_SETMAXTIPWIDTH, 0, pixels); }
  void AddTool(const TOOLINFOW& tool) { Send(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)); }
  void SetToolRect(const TOOLINFOW& tool) { Send(TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool)); }
};

// The clipboard, opened for the owner window only as long as a call takes.
class Clipboard {
 public:
  explicit Clipboard(HWND owner) : owner_(owner) {}
  // Puts UTF-8 text on the clipboard, exact as CF_UNICODETEXT and in code
  // page 1252 with "?" for what that lacks as CF_TEXT, in place of what was
  // there. nullptr when it is there; otherwise what the user is told, and
  // the clipboard is as it was or empty.
  const char* PutText(std::string_view utf8) const;

 private:
  HWND owner_;
};

}  // namespace fw
