#include "pages/param_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "core/field_rules.h"
#include "fw/file_dialog.h"
#include "fw/font_dialog.h"
#include "fw/platform.h"
#include "params/font_rules.h"
#include "params/help_texts.h"
#include "params/network_rules.h"
#include "res/resource.h"

namespace ploxen {

CPageAllg::CPageAllg() : PropertyPage(IDD_PAGE_ALLG) {
  exchange_.Check(IDC_TOPMOST, values.topmost);
  exchange_.Unsigned(IDC_ROW_LIMIT, values.rowLimit, kRowLimitMin, kRowLimitMax);
  exchange_.Text(IDC_SAVE_FILE, values.saveFile, kSaveFileMaxChars);
  exchange_.Signed(IDC_FONT_SIZE, values.fontSize);
  exchange_.Text(IDC_FONT_NAME, values.fontName);
  exchange_.Check(IDC_SOURCE_DBWIN32, values.dbWin32);
  exchange_.Check(IDC_SOURCE_PLOXEN, values.ploxen);
  exchange_.Check(IDC_SOURCE_SYSTEMWEIT, values.systemWeit);
}

bool CPageAllg::OnInit() {
  PropertyPage::OnInit();
  SetDlgItemTextA(hwnd_, IDC_SYSTEMWEIT_STATE, values.systemWeitState.c_str());
  return true;
}

bool CPageAllg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  if (id == IDC_BROWSE_SAVE_FILE) {
    OnBrowseSaveFile();
    return true;
  }
  if (id == IDC_CHOOSE_FONT) {
    OnChooseFont();
    return true;
  }
  return false;
}

// A refusal while reading the page is shown and the dialog opens anyway.
// Afterwards only the edit it fills is rewritten, so that what the user typed
// elsewhere on the page and was refused stays as typed.
void CPageAllg::OnBrowseSaveFile() {
  exchange_.Store(hwnd_);
  const auto path = fw::ChooseFile(hwnd_, fw::FileDialog::kSave, nullptr, values.saveFile, false);
  if (!path) return;
  values.saveFile = *path;
  exchange_.LoadOne(hwnd_, IDC_SAVE_FILE);
}

void CPageAllg::OnChooseFont() {
  LOGFONTA font{};
  exchange_.Store(hwnd_);
  font.lfHeight = FontHeightFromPointSize(values.fontSize);
  const std::string face = FaceNameForRecord(values.fontName);
  std::memcpy(font.lfFaceName, face.c_str(), face.size() + 1);
  int tenths = 0;
  if (!fw::ChooseScreenFont(hwnd_, font, tenths)) return;
  values.fontSize = PointSizeFromTenths(tenths);
  const char* chosen = font.lfFaceName;
  values.fontName.assign(chosen, std::find(chosen, chosen + LF_FACESIZE, '\0'));
  exchange_.LoadOne(hwnd_, IDC_FONT_SIZE);
  exchange_.LoadOne(hwnd_, IDC_FONT_NAME);
}

CPageMeld::CPageMeld() : PropertyPage(IDD_PAGE_MELD) {
  exchange_.Check(IDC_DESTRUKTOR, values.destruktor);
  exchange_.Check(IDC_B_DLL, values.dll);
  exchange_.Check(IDC_B_EXCEPTION, values.exception);
  exchange_.Check(IDC_KONSTRUKTOR, values.konstruktor);
  exchange_.Check(IDC_MELDUNGEN, values.meldungen);
  exchange_.Check(IDC_B_PROCESS, values.prozesse);
  exchange_.Check(IDC_STARTENDE, values.startEnde);
  exchange_.Check(IDC_B_THREAD, values.threads);
  exchange_.Check(IDC_B_TRACE, values.trace);
}

CPageSuchen::CPageSuchen() : PropertyPage(IDD_PAGE_SUCHEN) {
  exchange_.Check(IDC_CASE_SENSITIVE, values.caseSensitive);
}

bool CPageSuchen::OnInit() {
  PropertyPage::OnInit();
  HWND list = Item(IDC_TERMS);
  for (const std::string& term : values.terms)
    if (!term.empty()) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(term.c_str()));
  UpdateDeleteButton();
  return true;
}

bool CPageSuchen::OnCommand(int id, int code, HWND) {
  if (id == IDC_DELETE_TERMS && code == BN_CLICKED) {
    OnDeleteTerms();
    return true;
  }
  if (id == IDC_TERMS && code == LBN_SELCHANGE) {
    UpdateDeleteButton();
    return true;
  }
  return false;
}

int CPageSuchen::CountSelectedTerms() const {
  HWND list = Item(IDC_TERMS);
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  int selected = 0;
  for (int i = 0; i < count; ++i)
    if (SendMessageA(list, LB_GETSEL, i, 0) > 0) ++selected;
  return selected;
}

void CPageSuchen::UpdateDeleteButton() {
  if (HWND button = Item(IDC_DELETE_TERMS)) EnableWindow(button, CountSelectedTerms() > 0);
}

void CPageSuchen::OnDeleteTerms() {
  HWND list = Item(IDC_TERMS);
  // From the end, so that the indices still to be visited stay valid.
  for (int i = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) - 1; i >= 0; --i)
    if (SendMessageA(list, LB_GETSEL, i, 0) > 0) SendMessageA(list, LB_DELETESTRING, i, 0);
  values.terms.clear();
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
    if (length < 0) continue;
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    values.terms.emplace_back(text.data());
  }
  UpdateDeleteButton();
}

CPageRemote::CPageRemote() : PropertyPage(IDD_PAGE_REMOTE) {
  exchange_.Unsigned(IDC_INTERVAL, values.interval, kIntervalMin, kIntervalMax);
  exchange_.Check(IDC_REMOTE, values.remote);
}

CPageEmail::CPageEmail() : PropertyPage(IDD_PAGE_EMAIL) {}

CPageSysInfo::CPageSysInfo() : PropertyPage(IDD_PAGE_SYSINFO) {
  exchange_.Text(IDC_USER_NAME, values.user);
  exchange_.Text(IDC_COMPUTER_NAME, values.computerName);
  exchange_.Text(IDC_IP_ADDRESSES, values.ipAddresses);
  exchange_.Text(IDC_OFFICIAL_HOST, values.officialHostName);
}

CPageVBA::CPageVBA() : PropertyPage(IDD_PAGE_VBA) { exchange_.Text(IDC_GUIDE, guide_); }

bool CPageVBA::OnInit() {
  guide_ = GuideText();
  PropertyPage::OnInit();
  return true;
}

CPageFilter::CPageFilter() : PropertyPage(IDD_PAGE_FILTER) {}

bool CPageFilter::OnInit() {
  PropertyPage::OnInit();
  HWND list = Item(IDC_RULES);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
               LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT r{};
  GetClientRect(list, &r);
  LVCOLUMNA column{};
  column.mask = LVCF_WIDTH;
  column.cx = r.right - r.left - GetSystemMetrics(SM_CXVSCROLL);
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  Fill(values.rules.empty() ? -1 : 0);
  return true;
}

void CPageFilter::Fill(int select) {
  HWND list = Item(IDC_RULES);
  filling_ = true;
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t i = 0; i < values.rules.size(); ++i) {
    const std::string text = RuleDescription(values.rules[i]);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(values.rules[i].on ? 2 : 1);
    SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
  }
  if (select >= 0 && select < static_cast<int>(values.rules.size())) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(select), reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(select), FALSE);
  }
  filling_ = false;
  UpdateButtons();
}

int CPageFilter::Selected() const {
  return static_cast<int>(SendMessageA(Item(IDC_RULES), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CPageFilter::UpdateButtons() {
  const int selected = Selected();
  const int count = static_cast<int>(values.rules.size());
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

namespace {
// A rule that cannot be switched on is told from the message loop, not from
// the middle of the click on its check box.
constexpr UINT kRuleRefusedMessage = WM_APP + 31;
}  // namespace

bool CPageFilter::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != IDC_RULES) return false;
  if (header->code == LVN_ITEMCHANGING) {
    // A rule switched on is checked as the rule dialog checks it at OK.
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    const UINT on = INDEXTOSTATEIMAGEMASK(2);
    result = FALSE;
    if (!filling_ && (change->uChanged & LVIF_STATE) && change->iItem >= 0 &&
        change->iItem < static_cast<int>(values.rules.size()) && (change->uNewState & LVIS_STATEIMAGEMASK) == on &&
        (change->uOldState & LVIS_STATEIMAGEMASK) != on &&
        !SwitchOnRefusal(static_cast<std::size_t>(change->iItem), values.rules[static_cast<std::size_t>(change->iItem)]).empty()) {
      result = TRUE;  // the check box stays empty
      PostMessageA(hwnd_, kRuleRefusedMessage, static_cast<WPARAM>(change->iItem), 0);
    }
    return true;
  }
  if (header->code == LVN_ITEMCHANGED) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (!filling_ && (change->uChanged & LVIF_STATE) && change->iItem >= 0 &&
        change->iItem < static_cast<int>(values.rules.size()) &&
        ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) && (change->uNewState & LVIS_STATEIMAGEMASK))
      values.rules[static_cast<std::size_t>(change->iItem)].on = (change->uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    UpdateButtons();
    result = 0;
    return true;
  }
  if (header->code == NM_DBLCLK) {
    if (Selected() >= 0) OnEdit();
    result = 0;
    return true;
  }
  return false;
}

bool CPageFilter::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != kRuleRefusedMessage) return false;
  result = 0;
  if (wp < values.rules.size()) {
    const std::string refusal = SwitchOnRefusal(wp, values.rules[wp]);
    if (!refusal.empty()) MessageBoxA(hwnd_, refusal.c_str(), "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
  }
  return true;
}

void CPageFilter::OnNew() {
  if (values.rules.size() >= kViewRuleMax) return;
  CRuleDlg dialog;
  if (dialog.RunModal(IDD_RULE, hwnd_) != IDOK) return;
  values.rules.push_back(dialog.rule);
  Fill(static_cast<int>(values.rules.size()) - 1);
}

void CPageFilter::OnEdit() {
  const int selected = Selected();
  if (selected < 0 || selected >= static_cast<int>(values.rules.size())) return;
  CRuleDlg dialog;
  dialog.rule = values.rules[static_cast<std::size_t>(selected)];
  if (dialog.RunModal(IDD_RULE, hwnd_) != IDOK) return;
  values.rules[static_cast<std::size_t>(selected)] = dialog.rule;
  Fill(selected);
}

void CPageFilter::OnDelete() {
  const int selected = Selected();
  if (selected < 0 || selected >= static_cast<int>(values.rules.size())) return;
  values.rules.erase(values.rules.begin() + selected);
  Fill(std::min(selected, static_cast<int>(values.rules.size()) - 1));
}

void CPageFilter::OnMove(int by) {
  const int selected = Selected();
  const int to = selected + by;
  if (selected < 0 || to < 0 || to >= static_cast<int>(values.rules.size())) return;
  std::swap(values.rules[static_cast<std::size_t>(selected)], values.rules[static_cast<std::size_t>(to)]);
  Fill(to);
}


// In the order the user reads them, so that the first refusal is the
// topmost; the target's rules read the switches and ports stored before it.
CPageNetz::CPageNetz() : PropertyPage(IDD_PAGE_NETZ) {
  exchange_.Check(IDC_NET_REMOTE, values.fernmeldungen);
  exchange_.Number(IDC_NET_REMOTE_PORT, values.fernPort, RemotePortRefusal);
  exchange_.Check(IDC_NET_SYSLOG, values.syslog);
  exchange_.Number(IDC_NET_SYSLOG_PORT, values.syslogPort, SyslogPortRefusal);
  exchange_.Text(IDC_NET_SENDERS, values.absender, kSendersMaxChars, SendersRefusal);
  exchange_.Check(IDC_NET_FORWARD, values.weiterleiten);
  exchange_.Text(IDC_NET_TARGET, values.ziel, kTargetMaxChars, [this](std::string_view text) {
    const bool forwarding = values.weiterleiten != 0;
    if (auto refusal = ForwardTargetRefusal(text, forwarding)) return refusal;
    if (!forwarding) return std::optional<std::string>{};
    return ForwardLoopRefusal(text, values.syslog != 0, values.syslogPort, fw::ComputerName(),
                              fw::ThisComputerAddresses());
  });
  exchange_.Radio(IDC_NET_TCP, values.zielProtokoll, kProtocolTcp);
  exchange_.Radio(IDC_NET_UDP, values.zielProtokoll, kProtocolUdp);
}

namespace {
constexpr const char* kColumnNames[] = {"Alle Spalten", "Prozess/Thread", "Uhrzeit", "Meldung"};
constexpr const char* kActionNames[] = {"Ausblenden", "Nur passende anzeigen", "Hervorheben"};
}  // namespace

bool CRuleDlg::OnInit() {
  CheckDlgButton(hwnd_, IDC_RULE_ON, rule.on ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_RULE_REGEX, rule.kind == RuleKind::kRegex ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_RULE_CASE, rule.caseSensitive ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(hwnd_, IDC_RULE_PATTERN, rule.pattern.c_str());
  for (const char* name : kColumnNames) SendMessageA(Item(IDC_RULE_COLUMN), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  for (const char* name : kActionNames) SendMessageA(Item(IDC_RULE_ACTION), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessageA(Item(IDC_RULE_COLUMN), CB_SETCURSEL, static_cast<WPARAM>(rule.column), 0);
  SendMessageA(Item(IDC_RULE_ACTION), CB_SETCURSEL, static_cast<WPARAM>(rule.action), 0);
  return true;
}

void CRuleDlg::OnOK() {
  ViewRule taken = rule;
  taken.on = IsDlgButtonChecked(hwnd_, IDC_RULE_ON) == BST_CHECKED;
  taken.kind = IsDlgButtonChecked(hwnd_, IDC_RULE_REGEX) == BST_CHECKED ? RuleKind::kRegex : RuleKind::kText;
  taken.caseSensitive = IsDlgButtonChecked(hwnd_, IDC_RULE_CASE) == BST_CHECKED;
  taken.pattern = fw::ControlText(Item(IDC_RULE_PATTERN));
  const LRESULT column = SendMessageA(Item(IDC_RULE_COLUMN), CB_GETCURSEL, 0, 0);
  const LRESULT action = SendMessageA(Item(IDC_RULE_ACTION), CB_GETCURSEL, 0, 0);
  if (column >= 0 && column <= 3) taken.column = static_cast<RuleColumn>(column);
  if (action >= 0 && action <= 2) taken.action = static_cast<RuleAction>(action);
  const std::string refusal = RuleRefusal(taken);
  if (!refusal.empty()) {
    MessageBoxA(hwnd_, refusal.c_str(), "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
    HWND pattern = Item(IDC_RULE_PATTERN);
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pattern), TRUE);
    SendMessageA(pattern, EM_SETSEL, 0, -1);
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

CParamDlg::CParamDlg(std::string caption, HWND owner, int startPage)
    : ModalSheet(std::move(caption), owner, startPage) {
  for (fw::PropertyPage* page : std::initializer_list<fw::PropertyPage*>{&allg, &meld, &suchen, &remote, &email,
                                                                         &sysInfo, &vba, &filter, &netz})
    AddPage(*page);
}

// OK, Cancel and Help from the left edge, spaced by OK's width; never Apply.
void CParamDlg::OnInit() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int y = client.bottom - 30;
  int step = 0;
  if (HWND ok = GetDlgItem(hwnd_, IDOK)) {
    RECT r{};
    GetWindowRect(ok, &r);
    step = r.right - r.left + 20;
    SetWindowPos(ok, nullptr, 10, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  if (HWND cancel = GetDlgItem(hwnd_, IDCANCEL)) SetWindowPos(cancel, nullptr, step + 10, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  if (HWND apply = GetDlgItem(hwnd_, 0x3021)) ShowWindow(apply, SW_HIDE);
  if (HWND help = GetDlgItem(hwnd_, IDC_SHEET_HELP))
    SetWindowPos(help, nullptr, 2 * step + 10, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

bool CParamDlg::OnCommand(WPARAM wp, LPARAM) {
  if (wp != IDC_SHEET_HELP) return false;
  ShowHelp();
  return true;
}

bool CParamDlg::OnHelp() {
  ShowHelp();
  return true;
}

void CParamDlg::ShowHelp() {
  CHilfeDlg help;
  help.text = std::string(PageHelpText(static_cast<std::size_t>(ActivePage())));
  help.RunModal(IDD_HILFE, hwnd_);
}

bool CHilfeDlg::OnInit() {
  SetDlgItemTextA(hwnd_, IDC_HELP_TEXT, text.c_str());
  return true;
}

}  // namespace ploxen
