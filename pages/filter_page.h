// The page "Filter", which lists the view's rules in order, and the rule
// dialog that makes or changes one of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "fw/property_sheet.h"
#include "fw/window.h"
#include "search/view_rules.h"

namespace ploxen {

class CPageFilter : public fw::PropertyPage {
 public:
  explicit CPageFilter(std::vector<ViewRule>& rules);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void Fill(int select);
  int Selected() const;
  void UpdateButtons();
  // The user ticks a rule: false when the rule dialog would refuse it.
  bool AllowSwitchOn(const NMLISTVIEW& change);
  void OnNew();
  void OnEdit();
  void OnDelete();
  void OnMove(int by);

  std::vector<ViewRule>& rules_;
  bool filling_ = false;  // check boxes set by Fill are no user's change
};

// One rule: pattern, column, kind, case, action and the two colours from
// the system's colour dialog. OK refuses an empty pattern and a regular
// expression that does not compile.
class CRuleDlg : public fw::Dialog {
 public:
  ViewRule rule;

 protected:
  bool OnInit() override;
  void OnOK() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool OnDestroy() override;

 private:
  void ChooseColour(std::uint32_t& colour);

  HBRUSH sampleBrush_ = nullptr;
};

}  // namespace ploxen
