#include "app/main_window.h"

#include <commctrl.h>

#include <vector>

#include "app/about_dialog.h"
#include "app/list_files.h"
#include "app/log_file_command.h"
#include "app/message_box.h"
#include "app/remark_dialog.h"
#include "app/row_copy.h"
#include "fw/ini_profile.h"
#include "fw/strings.h"
#include "pages/param_dialog.h"
#include "params/log_rules.h"
#include "res/resource.h"
#include "shell/command_line.h"
#include "shell/layout.h"
#include "sources/copy_data.h"
#include "storage/settings_change.h"
#include "storage/view_rules_profile.h"

namespace ploxen {

namespace {

constexpr char kTitle[] = "PLOXEN - Meldungssystem";
constexpr UINT_PTR kTimerFirstRun = 1;
constexpr UINT_PTR kTimerDebugMonitor = 2;
// Rules the view switched off are told from the message loop, never from
// the middle of a paint or of a sender's line.
constexpr UINT kRulesSwitchedOffMessage = WM_APP + 30;

constexpr int kFilterPage = 7;

}  // namespace

CPLOXENDlg::CPLOXENDlg(std::string commandLine)
    : commandLine_(std::move(commandLine)),
      profile_(fw::DefaultProfilePath()),
      intake_(settings_.intake, listModel_, *this) {
  logSwitch_ = TakeLogSwitch(commandLine_);
  listModel_.OnStateChange([this] { UpdateListState(); });
  listModel_.OnBehind([this] { catchUp_.Behind(); });
  listModel_.OnRefilter([this] { catchUp_.Refilter(); });
  listModel_.OnRulesSwitchedOff([this] {
    settings_.rules = listModel_.Rules();
    if (hwnd_) PostMessageA(hwnd_, kRulesSwitchedOffMessage, 0, 0);
  });
}

CPLOXENDlg::~CPLOXENDlg() {
  if (automation_) automation_->ClearHost();
}

void CPLOXENDlg::TakeLine(const IncomingLine& line) {
  if (hwnd_) AddMessage(line.kind, line.text.c_str(), line.source);
}

void CPLOXENDlg::Detach(AutomationObject* object) {
  if (object != automation_) return;
  automation_ = nullptr;
  if (closeWhenDetached_ && hwnd_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

bool CPLOXENDlg::Create() {
  return CModelessMain::Create(IDD_MAIN, {0, ID_INDICATOR_ROWS, ID_INDICATOR_LOST}, 0, IDR_MAINFRAME, nullptr);
}

bool CPLOXENDlg::OnInit() {
  CModelessMain::OnInit();
  lostLines_.Start();

  AddSystemMenuItem(IDM_ABOUT, IDS_ABOUT_ITEM);
  AddSystemMenuItem(IDM_PARAMETER, IDS_PARAMETER_ITEM);
  icon_ = LoadIconA(fw::Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
  SetIcons(icon_);
  fw::Control(hwnd_).SetText(kTitle);

  intake_.ResetIndentation();
  settings_ = LoadSettings(profile_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  searchBar_.Load(Item(IDC_SEARCH_TERM), profile_);

  SetNormalPlacement(settings_.position);
  if (settings_.topmost) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  CreateList();
  rules_.Apply();
  SetFollowing(settings_.folgen != 0);
  UpdateListState();
  LayoutControls();

  if (!commandLine_.empty())
    SetTimer(hwnd_, kTimerDebugMonitor, 1000, nullptr);
  else if (settings_.ersterAufruf)
    SetTimer(hwnd_, kTimerFirstRun, 1000, nullptr);
  roads_.Open(hwnd_);
  roads_.SetRemote(settings_.fernDebug != 0, settings_.intervall, true);
  catchUp_.ShowCount();
  if (settings_.intake.dbWin32) roads_.SetDbWin32(true);
  if (settings_.intake.systemWeit) roads_.SetSystemWide(true);
  // The network roads open from nothing: the section against the defaults.
  roads_.ApplyNetwork(settings_.network, CompareNetwork(NetworkSettings{}, settings_.network));
  roads_.FollowFiles(settings_.followedFiles.dateien, settings_.followedFiles.zeilen);
  ApplyLog();
  return true;
}

std::string CPLOXENDlg::PaneToolTip(std::size_t pane) const {
  if (auto tip = lostLines_.ToolTip(pane)) return *tip;
  return CModelessMain::PaneToolTip(pane);
}

void CPLOXENDlg::CreateList() {
  if (settings_.fontSize != -1 && !listFont_.Make(settings_.fontSize, settings_.fontName, list_.hwnd()))
    settings_.fontSize = -1;
  if (!list_.hwnd()) {
    list_.Create(hwnd_);
    listFont_.GiveTo(list_.hwnd());
  }
}

void CPLOXENDlg::LayoutControls() {
  if (!list_.hwnd()) return;
  const RECT free = GetFreeClientRect();
  RECT combo{};
  GetWindowRect(Item(IDC_SEARCH_TERM), &combo);
  const MainLayout l =
      ploxen::LayoutControls(free.right - free.left, free.bottom - free.top, combo.right - combo.left, false);
  MoveWindow(list_.hwnd(), l.listPosition.x, l.listPosition.y, l.listWidth, l.listHeight, TRUE);
  const std::pair<int, Point> row[] = {{IDC_CLOSE, l.close},   {IDC_CLEAR, l.clear},
                                       {IDC_SAVE, l.save},     {IDC_SEARCH, l.search},
                                       {IDC_SEARCH_TERM, l.combo},   {IDC_REMARK, l.remark}};
  for (const auto& [id, p] : row)
    SetWindowPos(Item(id), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// Called for every line: the buttons follow at once, the count pane and the
// list itself in batches.
void CPLOXENDlg::UpdateListState() {
  const bool hasRows = listModel_.RowCount() != 0;
  if (hasRows != listHasRows_) {
    for (int id : {IDC_CLEAR, IDC_SAVE, IDC_SEARCH}) EnableWindow(Item(id), hasRows);
    listHasRows_ = hasRows;
  }
  catchUp_.LineTaken();
}

// The burst is over: its rest is shown now, not after a quiet spell.
void CPLOXENDlg::RemoteBurstEnded() {
  if (listModel_.Behind()) catchUp_.Now();
}

bool CPLOXENDlg::AskYesNo(int stringId) {
  return Tell(hwnd_, fw::String(static_cast<unsigned>(stringId)), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool CPLOXENDlg::OnSave() {
  return SaveRows(hwnd_, listModel_.Rows(), settings_.saveDatei);
}

void CPLOXENDlg::SetFollowing(bool on) {
  settings_.folgen = on ? 1 : 0;
  list_.SetFollowing(on);
  if (HMENU menu = GetMenu(hwnd_)) CheckMenuItem(menu, IDM_FOLLOW, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void CPLOXENDlg::OnRowMenu(LPARAM point) {
  catchUp_.Now();
  const int command = rowMenu_.Track(hwnd_, list_, listModel_.Rows(), point);
  if (!hwnd_) return;
  switch (command) {
    case IDM_COPY_ROW:
      if (rowMenu_.Offers(IDM_COPY_ROW)) CopyText(hwnd_, rowMenu_.RowText());
      break;
    case IDM_COPY_SHOWN: CopyRows(true); break;
    case IDM_HIDE_PROCESS:
    case IDM_ONLY_PROCESS:
    case IDM_HIGHLIGHT_TEXT:
      if (const auto rule = rowMenu_.RuleFor(command, hwnd_); rule && hwnd_) rules_.Add(*rule, hwnd_);
      break;
    case IDM_FILTERS_OFF: rules_.AllOff(); break;
    default: break;
  }
}

void CPLOXENDlg::CopyRows(bool allShown) {
  catchUp_.Now();
  ploxen::CopyRows(hwnd_, listModel_, list_, allShown);
}

void CPLOXENDlg::OnRemark() {
  CBemerkungDlg dialog;
  if (dialog.RunModal(IDD_REMARK, hwnd_) == IDOK) AddMessage(3, dialog.remark.c_str(), kSourceRemark);
}

// Followed at once and kept in the profile, as the page's OK would.
void CPLOXENDlg::OnFollowFile() {
  const auto name = ChooseFollowedFile(hwnd_);
  if (!name || !AddFollowedFile(settings_.followedFiles, *name)) return;
  SaveFollowedFiles(settings_.followedFiles, profile_);
  roads_.FollowFiles(settings_.followedFiles.dateien, settings_.followedFiles.zeilen);
}

void CPLOXENDlg::OnAbout() {
  CInfoDlg dialog;
  dialog.RunModal(IDD_ABOUTBOX, hwnd_);
}

void CPLOXENDlg::OnParameter(int startPage) {
  const auto confirmed =
      parameter_.Run(*this, startPage, settings_, roads_.SystemWideStateText(), ReadSearchTerms(profile_));
  if (!confirmed) return;
  // Against the settings as they are now: the view may have switched a rule
  // off while the sheet was open, and the sheet's rules then go back in force.
  const SettingsChange change = Compare(settings_, confirmed->settings);
  Keep(confirmed->settings, confirmed->searchTerms);
  Apply(change);
}

void CPLOXENDlg::Keep(const Settings& settings, const std::vector<std::string>& searchTerms) {
  // In place: the intake reads settings_.intake by reference, and the debug
  // monitor's worker reads its switches without a lock, each a whole int.
  settings_ = settings;
  SaveNetworkSettings(settings_.network, profile_);
  SaveFollowedFiles(settings_.followedFiles, profile_);
  WriteSearchTerms(profile_, searchTerms);
  searchBar_.Load(Item(IDC_SEARCH_TERM), profile_);
}

void CPLOXENDlg::Apply(const SettingsChange& change) {
  if (change.topmost)
    SetWindowPos(hwnd_, settings_.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  if (change.dbWin32) roads_.SetDbWin32(settings_.intake.dbWin32 != 0);
  if (change.systemWide) roads_.SetSystemWide(settings_.intake.systemWeit != 0);
  if (change.font) {
    CreateList();
    LayoutControls();
  }
  if (change.rules) rules_.Apply();
  // Also unchanged: a mailslot that failed is tried again.
  roads_.SetRemote(settings_.fernDebug != 0, settings_.intervall, change.remoteTimer);
  roads_.ApplyNetwork(settings_.network, change.network);
  if (change.followedFiles) roads_.FollowFiles(settings_.followedFiles.dateien, settings_.followedFiles.zeilen);
  if (change.log) {
    logSwitch_.reset();
    ApplyLog();
  }
}

void CPLOXENDlg::ApplyLog() {
  const LogInForce log = LogToApply(settings_.log, logSwitch_, ProfileFolder(fw::DefaultProfilePath()));
  roads_.ApplyLog(log);
}

bool CPLOXENDlg::AllowClose() {
  if (!parameter_.AllowClose()) return false;
  if (automation_) {
    ShowWindow(hwnd_, SW_HIDE);
    closeWhenDetached_ = true;
    return false;
  }
  return true;
}

void CPLOXENDlg::OnOK() {
  if (AllowClose()) CModelessMain::OnOK();
}

void CPLOXENDlg::OnCancel() {
  if (AllowClose()) CModelessMain::OnCancel();
}

bool CPLOXENDlg::OnClose() {
  if (AllowClose()) DestroyWindow(hwnd_);
  return true;
}

bool CPLOXENDlg::HandlesCommand(unsigned id) const {
  switch (id) {
    case IDC_CLOSE: case IDM_ABOUT: case IDM_PARAMETER: case IDM_OPEN: return true;
    case IDM_SAVE_SHOWN: case IDM_FOLLOW: case IDM_FILTER: case IDM_FILTERS_OFF: case IDM_COPY_SHOWN: return true;
    case IDM_FOLLOW_FILE: case IDM_OPEN_LOG: return true;
    default: return rowMenu_.Offers(id);
  }
}

bool CPLOXENDlg::OnCommand(int id, int code, HWND) {
  if (id == IDC_SEARCH_TERM) {
    searchBar_.OnNotification(code);
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_SEARCH: searchBar_.Find(list_, settings_.caseSensitiv != 0, hwnd_); return true;
    case IDC_CLOSE: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    case IDC_CLEAR: ClearList(); return true;
    case IDC_SAVE: OnSave(); return true;
    case IDC_REMARK: OnRemark(); return true;
    case IDM_ABOUT: OnAbout(); return true;
    case IDM_PARAMETER: OnParameter(); return true;
    case IDM_OPEN:
      if (OpenRows(hwnd_, listModel_, intake_)) catchUp_.Now();
      return true;
    case IDM_SAVE_SHOWN:
      catchUp_.Now();
      SaveShownRows(hwnd_, listModel_, settings_.saveDatei);
      return true;
    case IDM_FOLLOW: SetFollowing(!listModel_.Following()); return true;
    case IDM_OPEN_LOG:
      if (OpenCurrentLogFile(hwnd_, roads_.Log(), listModel_, intake_)) catchUp_.Now();
      return true;
    case IDM_FILTER: OnParameter(kFilterPage); return true;
    case IDM_FILTERS_OFF: rules_.AllOff(); return true;
    case IDM_FOLLOW_FILE: OnFollowFile(); return true;
    default: return false;
  }
}

bool CPLOXENDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimerFirstRun:
      KillTimer(hwnd_, kTimerFirstRun);
      fw::ShowMessage(hwnd_, fw::String(IDS_FIRST_RUN_NOTICE), fw::String(IDS_FIRST_RUN_CAPTION),
                      MB_OK | MB_ICONINFORMATION);
      PostMessageA(hwnd_, WM_SYSCOMMAND, IDM_PARAMETER, 0);
      return false;
    case kTimerDebugMonitor:
      KillTimer(hwnd_, kTimerDebugMonitor);
      if (list_.hwnd()) roads_.StartDebugMonitor(commandLine_);
      return false;
    default:
      return lostLines_.OnTimer(id) || catchUp_.OnTimer(id);
  }
}

bool CPLOXENDlg::OnSize(UINT type, int w, int h) {
  CModelessMain::OnSize(type, w, h);
  LayoutControls();
  return false;
}

bool CPLOXENDlg::OnNotify(NMHDR* header, LRESULT& result) {
  if (list_.AnswerNotification(*header, result)) return true;
  if (header->hwndFrom == list_.hwnd() && header->code == LVN_KEYDOWN) {
    const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
    if (key->wVKey == 'C' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) CopyRows(false);
    result = 0;
    return true;
  }
  return CModelessMain::OnNotify(header, result);
}

// Senders get no confirmation: the platform's default answer stands.
bool CPLOXENDlg::OnCopyData(HWND, const COPYDATASTRUCT* data) {
  if (!data) return false;
  if (const auto line = MainWindowLine(data->dwData, data->lpData, data->cbData))
    AddMessage(line->kind, line->text.c_str(), line->source);
  return false;
}

bool CPLOXENDlg::OnDestroy() {
  roads_.Close();
  lostLines_.Stop();
  StoreSettings();
  listModel_.DeleteAllRows();
  CModelessMain::OnDestroy();
  PostQuitMessage(0);
  return false;
}

void CPLOXENDlg::StoreSettings() {
  SaveSettings(profile_, settings_, NormalPlacement(), searchBar_.Terms());
  WriteViewRules(profile_, settings_.rules);
}

bool CPLOXENDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_ENDSESSION:
      // Windows may end the process after this without destroying the
      // window: what the dialog changed would be lost.
      if (wp) StoreSettings();
      return true;
    case kRulesSwitchedOffMessage:
      rules_.TellSwitchedOff(*this);
      return true;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == IDM_ABOUT) {
        OnAbout();
        return true;
      }
      if ((wp & 0xFFF0) == IDM_PARAMETER) {
        OnParameter();
        return true;
      }
      return false;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wp) != list_.hwnd() || !list_.hwnd()) return false;
      OnRowMenu(lp);
      return true;
    case WM_DRAWITEM: {
      // The dispatch has checked that the structure can be read.
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->CtlID != kListControlId || item->hwndItem != list_.hwnd() || !list_.hwnd()) return false;
      list_.DrawItem(*item);
      result = TRUE;
      return true;
    }
    default:
      return CModelessMain::OnMessage(msg, wp, lp, result);
  }
}

}  // namespace ploxen
