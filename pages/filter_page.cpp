#include "pages/filter_page.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>

#include "core/text.h"
#include "fw/controls.h"
#include "res/resource.h"

namespace ploxen {

namespace {

// A rule that cannot be switched on is told from the message loop, not from
// the middle of the click on its check box.
constexpr UINT kRuleRefusedMessage = WM_APP + 31;
constexpr UINT kCheckedBox = INDEXTOSTATEIMAGEMASK(2);

constexpr const char* kColumnNames[] = {"Alle Spalten", "Prozess/Thread", "Uhrzeit", "Meldung"};
constexpr const char* kActionNames[] = {"Ausblenden", "Nur passende anzeigen", "Hervorheben"};

// The page's line for a rule in UTF-8: its words are the program's own, in
// code page 1252, and its pattern is UTF-8.
std::string ShownDescription(const ViewRule& rule) {
  ViewRule words = rule;
  words.pattern.clear();
  return Cp1252ToUtf8(RuleDescription(words)) + rule.pattern;
}

}  // namespace

CPageFilter::CPageFilter(std::vector<ViewRule>& rules) : PropertyPage(IDD_PAGE_FILTER), rules_(rules) {}

bool CPageFilter::OnInit() {
  PropertyPage::OnInit();
  fw::ListView list(Item(IDC_RULES));
  list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT r{};
  GetClientRect(list.hwnd(), &r);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = r.right - r.left - GetSystemMetrics(SM_CXVSCROLL);
  list.InsertColumn(0, column);
  Fill(rules_.empty() ? -1 : 0);
  return true;
}

void CPageFilter::Fill(int select) {
  fw::ListView list(Item(IDC_RULES));
  filling_ = true;
  list.DeleteAllItems();
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    std::wstring text = fw::WideFromUtf8(ShownDescription(rules_[i]));
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = text.data();
    list.InsertItem(item);
    list.SetChecked(static_cast<int>(i), rules_[i].on);
  }
  if (select >= 0 && select < static_cast<int>(rules_.size())) {
    list.SetItemState(select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.EnsureVisible(select);
  }
  filling_ = false;
  UpdateButtons();
}

int CPageFilter::Selected() const { return fw::ListView(Item(IDC_RULES)).Selected(); }

void CPageFilter::UpdateButtons() {
  const int selected = Selected();
  const int count = static_cast<int>(rules_.size());
  EnableWindow(Item(IDC_RULE_NEW), count < static_cast<int>(kViewRuleMax));
  EnableWindow(Item(IDC_RULE_EDIT), selected >= 0);
  EnableWindow(Item(IDC_RULE_DELETE), selected >= 0);
  EnableWindow(Item(IDC_RULE_UP), selected > 0);
  EnableWindow(Item(IDC_RULE_DOWN), selected >= 0 && selected + 1 < count);
}

bool CPageFilter::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_RULE_NEW: OnNew(); return true;
    case IDC_RULE_EDIT: OnEdit(); return true;
    case IDC_RULE_DELETE: OnDelete(); return true;
    case IDC_RULE_UP: OnMove(-1); return true;
    case IDC_RULE_DOWN: OnMove(1); return true;
    default: return false;
  }
}

// A rule switched on is checked as the rule dialog checks it at OK.
bool CPageFilter::AllowSwitchOn(const NMLISTVIEW& change) {
  const bool switchedOn = (change.uNewState & LVIS_STATEIMAGEMASK) == kCheckedBox &&
                          (change.uOldState & LVIS_STATEIMAGEMASK) != kCheckedBox;
  const auto place = static_cast<std::size_t>(change.iItem);
  if (!switchedOn || SwitchOnRefusal(place, rules_[place]).empty()) return true;
  PostMessageA(hwnd_, kRuleRefusedMessage, place, 0);
  return false;
}

bool CPageFilter::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != IDC_RULES) return false;
  if (header->code != NM_DBLCLK && header->code != LVN_ITEMCHANGING && header->code != LVN_ITEMCHANGED) return false;
  result = 0;
  if (header->code == NM_DBLCLK) {
    if (Selected() >= 0) OnEdit();
    return true;
  }
  const auto& change = *reinterpret_cast<const NMLISTVIEW*>(header);
  const bool usersRule = !filling_ && (change.uChanged & LVIF_STATE) && change.iItem >= 0 &&
                         change.iItem < static_cast<int>(rules_.size());
  if (header->code == LVN_ITEMCHANGING) {
    if (usersRule && !AllowSwitchOn(change)) result = TRUE;  // the check box stays empty
    return true;
  }
  if (usersRule && ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) &&
      (change.uNewState & LVIS_STATEIMAGEMASK))
    rules_[static_cast<std::size_t>(change.iItem)].on = (change.uNewState & LVIS_STATEIMAGEMASK) == kCheckedBox;
  UpdateButtons();
  return true;
}

bool CPageFilter::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != kRuleRefusedMessage) return false;
  result = 0;
  if (wp < rules_.size()) {
    const std::string refusal = SwitchOnRefusal(wp, rules_[wp]);
    if (!refusal.empty()) fw::ShowMessage(hwnd_, refusal, "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
  }
  return true;
}

void CPageFilter::OnNew() {
  if (rules_.size() >= kViewRuleMax) return;
  CRuleDlg dialog;
  if (dialog.RunModal(IDD_RULE, hwnd_) != IDOK) return;
  rules_.push_back(dialog.rule);
  Fill(static_cast<int>(rules_.size()) - 1);
}

void CPageFilter::OnEdit() {
  const int selected = Selected();
  if (selected < 0 || selected >= static_cast<int>(rules_.size())) return;
  CRuleDlg dialog;
  dialog.rule = rules_[static_cast<std::size_t>(selected)];
  if (dialog.RunModal(IDD_RULE, hwnd_) != IDOK) return;
  rules_[static_cast<std::size_t>(selected)] = dialog.rule;
  Fill(selected);
}

void CPageFilter::OnDelete() {
  const int selected = Selected();
  if (selected < 0 || selected >= static_cast<int>(rules_.size())) return;
  rules_.erase(rules_.begin() + selected);
  Fill(std::min(selected, static_cast<int>(rules_.size()) - 1));
}

void CPageFilter::OnMove(int by) {
  const int selected = Selected();
  const int to = selected + by;
  if (selected < 0 || to < 0 || to >= static_cast<int>(rules_.size())) return;
  std::swap(rules_[static_cast<std::size_t>(selected)], rules_[static_cast<std::size_t>(to)]);
  Fill(to);
}

bool CRuleDlg::OnInit() {
  fw::Button(Item(IDC_RULE_ON)).SetChecked(rule.on);
  fw::Button(Item(IDC_RULE_REGEX)).SetChecked(rule.kind == RuleKind::kRegex);
  fw::Button(Item(IDC_RULE_CASE)).SetChecked(rule.caseSensitive);
  fw::Edit(Item(IDC_RULE_PATTERN)).SetUtf8Text(rule.pattern);
  fw::ComboBox columns(Item(IDC_RULE_COLUMN)), actions(Item(IDC_RULE_ACTION));
  for (const char* name : kColumnNames) columns.Add(name);
  for (const char* name : kActionNames) actions.Add(name);
  columns.Select(static_cast<int>(rule.column));
  actions.Select(static_cast<int>(rule.action));
  return true;
}

void CRuleDlg::OnOK() {
  ViewRule taken = rule;
  taken.on = fw::Button(Item(IDC_RULE_ON)).Checked();
  taken.kind = fw::Button(Item(IDC_RULE_REGEX)).Checked() ? RuleKind::kRegex : RuleKind::kText;
  taken.caseSensitive = fw::Button(Item(IDC_RULE_CASE)).Checked();
  fw::Edit pattern(Item(IDC_RULE_PATTERN));
  taken.pattern = pattern.Utf8Text();
  const int column = fw::ComboBox(Item(IDC_RULE_COLUMN)).Selected();
  const int action = fw::ComboBox(Item(IDC_RULE_ACTION)).Selected();
  if (column >= 0 && column <= 3) taken.column = static_cast<RuleColumn>(column);
  if (action >= 0 && action <= 2) taken.action = static_cast<RuleAction>(action);
  const std::string refusal = RuleRefusal(taken);
  if (!refusal.empty()) {
    fw::ShowMessage(hwnd_, refusal, "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
    pattern.FocusAll();
    return;
  }
  rule = taken;
  EndDialog(hwnd_, IDOK);
}

bool CRuleDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  if (id == IDC_RULE_TEXT_COLOUR) {
    ChooseColour(rule.textColour);
    return true;
  }
  if (id == IDC_RULE_BACK_COLOUR) {
    ChooseColour(rule.backColour);
    return true;
  }
  return false;
}

void CRuleDlg::ChooseColour(std::uint32_t& colour) {
  static COLORREF custom[16] = {};
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = hwnd_;
  choose.rgbResult = colour;
  choose.lpCustColors = custom;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorA(&choose)) return;
  colour = choose.rgbResult & 0xFFFFFF;
  InvalidateRect(Item(IDC_RULE_SAMPLE), nullptr, TRUE);
}

// The sample shows the rule's two colours.
bool CRuleDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lp) != Item(IDC_RULE_SAMPLE)) return false;
  HDC dc = reinterpret_cast<HDC>(wp);
  SetTextColor(dc, rule.textColour);
  SetBkColor(dc, rule.backColour);
  if (sampleBrush_) DeleteObject(sampleBrush_);
  sampleBrush_ = CreateSolidBrush(rule.backColour);
  result = reinterpret_cast<LRESULT>(sampleBrush_);
  return true;
}

bool CRuleDlg::OnDestroy() {
  if (sampleBrush_) DeleteObject(sampleBrush_);
  sampleBrush_ = nullptr;
  return false;
}

}  // namespace ploxen
