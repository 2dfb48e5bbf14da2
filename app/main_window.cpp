#include "app/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstring>
#include <vector>

#include "fw/file.h"
#include "fw/file_dialog.h"
#include "fw/platform.h"
#include "fw/strings.h"
#include "pages/param_dialog.h"
#include "res/resource.h"
#include "search/clipboard_text.h"
#include "search/term_history.h"
#include "shell/layout.h"
#include "sources/copy_data.h"
#include "storage/file_commands.h"
#include "storage/settings_change.h"
#include "storage/view_rules_profile.h"

namespace ploxen {

namespace {

constexpr char kTitle[] = "PLOXEN - Meldungssystem";
constexpr char kCaption[] = "PLOXEN";
constexpr UINT_PTR kTimerFirstRun = 1;
constexpr UINT_PTR kTimerDebugMonitor = 2;
constexpr UINT_PTR kTimerCatchUp = 10;
// The roads count their lost lines as they go; the pane looks at the counts
// now and then, so that no line costs anything for it.
constexpr UINT_PTR kTimerLostLines = 20;
constexpr UINT kLostLinesMs = 1000;
constexpr int kLostLinesPane = 2;
// Filtering again after a rule change goes a slice per tick; a timer's tick
// comes only when no input or paint waits. The platform makes 1 ms at least 10.
constexpr UINT_PTR kTimerRefilter = 30;
// Rules the view switched off are told from the message loop, never from
// the middle of a paint or of a sender's line.
constexpr UINT kRulesSwitchedOffMessage = WM_APP + 30;


constexpr char kSaveFilter[] =
    "Bin\xE4re-Datei (empfohlen) (*.bin)\0*.bin\0CSV-Datei (*.csv)\0*.csv\0LOG-Datei (*.log)\0*.log\0";
constexpr int kFilterPage = 7;

constexpr char kOpenFilter[] = "Bin\xE4re-Datei (empfohlen) (*.bin)\0*.bin\0LOG-Datei (*.log)\0*.log\0";

// The sorted search-term combo box.
class ComboTermList : public SearchTermList {
 public:
  explicit ComboTermList(HWND combo) : combo_(combo) {}
  void Clear() override { SendMessageA(combo_, CB_RESETCONTENT, 0, 0); }
  void Add(std::string_view term) override {
    const std::string text(term);
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  int Count() const override { return static_cast<int>(SendMessageA(combo_, CB_GETCOUNT, 0, 0)); }
  std::string Item(int index) const override {
    const LRESULT length = SendMessageA(combo_, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0) return {};
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    SendMessageA(combo_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data());
  }
  void Delete(int index) override { SendMessageA(combo_, CB_DELETESTRING, index, 0); }
  void Select(int index) override { SendMessageA(combo_, CB_SETCURSEL, index, 0); }

 private:
  HWND combo_;
};

// The remark the user types.
class CBemerkungDlg : public fw::Dialog {
 public:
  std::string remark;

 protected:
  void OnOK() override {
    char text[1024] = {};
    GetDlgItemTextA(hwnd_, IDC_REMARK_TEXT, text, sizeof text);
    remark = text;
    EndDialog(hwnd_, IDOK);
  }
};

// "Info über PLOXEN" with the file's own version.
class CInfoDlg : public fw::Dialog {
 protected:
  bool OnInit() override {
    SetDlgItemTextA(hwnd_, IDC_VERSION, FileVersion().c_str());
    return true;
  }

 private:
  static std::string FileVersion() {
    char path[513] = {};
    GetModuleFileNameA(nullptr, path, 512);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return {};
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path, 0, size, data.data())) return {};
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return {};
    char text[64];
    wsprintfA(text, "%d,%d,%d,%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
  }
};

}  // namespace

CPLOXENDlg::CPLOXENDlg(std::string commandLine)
    : commandLine_(std::move(commandLine)),
      profile_(fw::DefaultProfilePath()),
      intake_(settings_.intake, listModel_, *this) {
  listModel_.OnStateChange([this] { UpdateListState(); });
  listModel_.OnBehind([this] {
    if (!catchUpTimer_ && hwnd_)
      catchUpTimer_ = SetTimer(hwnd_, kTimerCatchUp, static_cast<UINT>(CatchUpPacer::kMinIntervalMs), nullptr) != 0;
  });
  listModel_.OnRefilter([this] {
    if (hwnd_) SetTimer(hwnd_, kTimerRefilter, 1, nullptr);
  });
  listModel_.OnRulesSwitchedOff([this] {
    settings_.rules = listModel_.Rules();
    if (hwnd_) PostMessageA(hwnd_, kRulesSwitchedOffMessage, 0, 0);
  });
}

CPLOXENDlg::~CPLOXENDlg() {
  if (automation_) automation_->ClearHost();
  if (listFont_) DeleteObject(listFont_);
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
  SetFittedPane(kLostLinesPane, LostLinesPaneText(LostLines{}));  // not there until a line is lost

  HMENU system = GetSystemMenu(hwnd_, FALSE);
  if (system) {
    for (auto [id, stringId] : {std::pair<int, unsigned>{IDM_ABOUT, IDS_ABOUT_ITEM},
                                std::pair<int, unsigned>{IDM_PARAMETER, IDS_PARAMETER_ITEM}}) {
      const std::string text = fw::String(stringId);
      if (text.empty()) continue;
      AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(system, MF_STRING, static_cast<UINT_PTR>(id), text.c_str());
    }
  }
  icon_ = LoadIconA(fw::Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
  SetIcons(icon_);
  SetWindowTextA(hwnd_, kTitle);

  rememberedTermIndex_ = -1;
  intake_.ResetIndentation();
  settings_ = LoadSettings(profile_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  ComboTermList terms(Item(IDC_SEARCH_TERM));
  LoadSearchHistory(profile_, terms, rememberedTermIndex_);

  ApplyPlacement();
  if (settings_.topmost) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  CreateList();
  list_.SetRules(settings_.rules);
  SetFollowing(settings_.folgen != 0);
  UpdateListState();
  LayoutControls();

  if (!commandLine_.empty())
    SetTimer(hwnd_, kTimerDebugMonitor, 1000, nullptr);
  else if (settings_.ersterAufruf)
    SetTimer(hwnd_, kTimerFirstRun, 1000, nullptr);
  roads_.Open(hwnd_);
  roads_.SetRemote(settings_.fernDebug != 0, settings_.intervall, true);
  ShowRowCount();
  if (settings_.intake.dbWin32) roads_.SetDbWin32(true);
  if (settings_.intake.systemWeit) roads_.SetSystemWide(true);
  // The network roads open from nothing: the section against the defaults.
  roads_.ApplyNetwork(settings_.network, CompareNetwork(NetworkSettings{}, settings_.network));
  SetTimer(hwnd_, kTimerLostLines, kLostLinesMs, nullptr);
  return true;
}

void CPLOXENDlg::ShowLostLines() {
  const LostLines lost = roads_.Lost();
  if (lost.Total() == lostShown_) return;
  lostShown_ = lost.Total();
  SetFittedPane(kLostLinesPane, LostLinesPaneText(lost));
}

std::string CPLOXENDlg::PaneToolTip(std::size_t pane) const {
  if (pane == static_cast<std::size_t>(kLostLinesPane)) return LostLinesToolTip(roads_.Lost());
  return CModelessMain::PaneToolTip(pane);
}

void CPLOXENDlg::ApplyPlacement() {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(hwnd_, &wp);
  wp.rcNormalPosition = {settings_.position.x0, settings_.position.y0, settings_.position.x1, settings_.position.y1};
  wp.showCmd = static_cast<UINT>(settings_.position.show);
  SetWindowPlacement(hwnd_, &wp);
}

Placement CPLOXENDlg::WindowPlacement() const {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(hwnd_, &wp);
  const RECT& r = wp.rcNormalPosition;
  return Placement{r.left, r.top, r.right, r.bottom, static_cast<int>(wp.showCmd)};
}

void CPLOXENDlg::CreateList() {
  if (settings_.fontSize != -1) {
    HFONT font = CreateFontA(settings_.fontSize, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH,
                             settings_.fontName.c_str());
    if (font) {
      // The old font stays alive until the control has the new one.
      std::swap(font, listFont_);
      if (list_.hwnd()) SendMessageA(list_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(listFont_), TRUE);
      if (font) DeleteObject(font);
    } else {
      settings_.fontSize = -1;
    }
  }
  if (!list_.hwnd()) {
    list_.Create(hwnd_);
    if (listFont_) SendMessageA(list_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(listFont_), TRUE);
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

void CPLOXENDlg::ShowRowCount() {
  shownCount_ = listModel_.RowCount();
  if (!StatusBar()) return;
  std::string text =
      CountPaneText(listModel_.ShownCount(), static_cast<std::size_t>(shownCount_), listModel_.Filtering());
  if (text == paneText_) return;
  SetPaneText(1, text.c_str());
  paneText_ = std::move(text);
}

// Called for every line: the buttons follow at once, the count pane and the
// list itself in batches.
void CPLOXENDlg::UpdateListState() {
  ++linesTaken_;
  const int count = listModel_.RowCount();
  const bool hasRows = count != 0;
  if (hasRows != listHasRows_) {
    for (int id : {IDC_CLEAR, IDC_SAVE, IDC_SEARCH}) EnableWindow(Item(id), hasRows);
    listHasRows_ = hasRows;
  }
  if (listModel_.Behind()) {
    if (pacer_.Due(fw::SteadyMs())) CatchUpList();
  } else if (count != shownCount_) {
    ShowRowCount();
  }
}

void CPLOXENDlg::CatchUpList() {
  const double start = fw::SteadyMs();
  list_.CatchUp();
  ShowRowCount();
  const double end = fw::SteadyMs();
  pacer_.Done(end, end - start);
}

// The burst is over: its rest is shown now, not after a quiet spell.
void CPLOXENDlg::RemoteBurstEnded() {
  if (listModel_.Behind()) CatchUpList();
}

bool CPLOXENDlg::AskYesNo(int stringId) {
  return MessageBoxA(hwnd_, fw::String(static_cast<unsigned>(stringId)).c_str(), kCaption,
                     MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool CPLOXENDlg::OnSave() {
  const auto path = fw::ChooseFile(hwnd_, fw::FileDialog::kSave, kSaveFilter, settings_.saveDatei);
  if (!path) return false;
  fw::FileAccess files(hwnd_);
  const SaveResult saved = SaveList(*path, listModel_.Rows(), files);
  settings_.saveDatei = saved.path;
  return saved.written;
}

// Only the rows the rules show, each with its own colours.
void CPLOXENDlg::OnSaveShown() {
  CatchUpList();
  const auto path = fw::ChooseFile(hwnd_, fw::FileDialog::kSave, kSaveFilter, settings_.saveDatei);
  if (!path) return;
  MessageRows shown;
  const MessageRows& rows = listModel_.Rows();
  for (std::size_t r : listModel_.ShownRows()) {
    const MessageItem& item = rows.Row(r);
    MessageItem::ColourList colours;
    for (std::size_t i = 0; i < item.ColourCount(); ++i) colours.push_back(item.Colours(i));
    shown.AppendBlockRow(item.Kind(), colours, item.TextBlock(), item.TextBlockSize());
  }
  fw::FileAccess files(hwnd_);
  SaveList(*path, shown, files);
}

void CPLOXENDlg::ApplyRules() {
  list_.SetRules(settings_.rules);
  ShowRowCount();
}

void CPLOXENDlg::AddRule(const ViewRule& rule) {
  if (settings_.rules.size() >= kViewRuleMax) {
    MessageBoxA(hwnd_, "Es sind bereits 64 Regeln vorhanden.", kCaption, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  settings_.rules.push_back(rule);
  ApplyRules();
}

void CPLOXENDlg::OnFiltersOff() {
  for (ViewRule& rule : settings_.rules) rule.on = false;
  ApplyRules();
}

void CPLOXENDlg::SetFollowing(bool on) {
  settings_.folgen = on ? 1 : 0;
  list_.SetFollowing(on);
  if (HMENU menu = GetMenu(hwnd_)) CheckMenuItem(menu, IDM_FOLLOW, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void CPLOXENDlg::TellRulesSwitchedOff() {
  // A notice open already tells the rules switched off meanwhile after it.
  if (rulesNoticeOpen_) return;
  rulesNoticeOpen_ = true;
  for (std::string text; !(text = SwitchedOffNotice(listModel_.TakeSwitchedOff())).empty() && hwnd_;)
    MessageBoxA(hwnd_, text.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  rulesNoticeOpen_ = false;
}

bool CPLOXENDlg::CopyToClipboard(const std::string& text) {
  HGLOBAL ansi = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  HGLOBAL unicode = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
  char* a = ansi ? static_cast<char*>(GlobalLock(ansi)) : nullptr;
  WCHAR* w = unicode ? static_cast<WCHAR*>(GlobalLock(unicode)) : nullptr;
  const char* failure = nullptr;
  if (a && w) {
    std::memcpy(a, text.c_str(), text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) w[i] = static_cast<WCHAR>(Utf16FromCp1252(static_cast<unsigned char>(text[i])));
    w[text.size()] = 0;
  } else {
    failure = kClipboardNoMemory;
  }
  if (a) GlobalUnlock(ansi);
  if (w) GlobalUnlock(unicode);
  // Another program may hold the clipboard for a moment.
  bool open = false;
  for (int attempt = 0; !failure && !open && attempt < 5; ++attempt) {
    if (attempt) Sleep(20);
    open = OpenClipboard(hwnd_) != FALSE;
  }
  if (!failure && !open) failure = kClipboardBusy;
  if (open) {
    EmptyClipboard();
    // The clipboard owns what it took; the platform makes either format of the other.
    if (SetClipboardData(CF_TEXT, ansi)) ansi = nullptr;
    if (SetClipboardData(CF_UNICODETEXT, unicode)) unicode = nullptr;
    if (ansi && unicode) failure = kClipboardRefused;
    CloseClipboard();
  }
  if (ansi) GlobalFree(ansi);
  if (unicode) GlobalFree(unicode);
  if (failure) MessageBoxA(hwnd_, failure, kCaption, MB_OK | MB_ICONEXCLAMATION);
  return !failure;
}

void CPLOXENDlg::CopyRows(bool allShown) {
  CatchUpList();
  std::vector<std::size_t> rows;
  if (allShown) {
    rows = listModel_.ShownRows();
  } else if (list_.SelectedRow() != kNoRow) {
    rows.push_back(list_.SelectedRow());
  }
  if (rows.empty()) return;
  const ClipboardCopy copy = ClipboardText(listModel_.Rows(), rows);
  if (CopyToClipboard(copy.text) && copy.rows < rows.size())
    MessageBoxA(hwnd_, LeftOutNotice(copy.rows, rows.size()).c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
}

void CPLOXENDlg::OnRowMenu(LPARAM point) {
  CatchUpList();
  std::size_t row = kNoRow;
  POINT at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  // The key gives -1 for both coordinates, which 64-bit Windows may hand
  // over zero-extended: the whole lParam is then not -1.
  const bool fromKey = at.x == -1 && at.y == -1;
  if (!fromKey) {
    POINT client = at;
    ScreenToClient(list_.hwnd(), &client);
    row = list_.RowAt(client);
  }
  if (row == kNoRow) row = list_.SelectedRow();
  if (fromKey) {
    RECT r{};
    GetWindowRect(list_.hwnd(), &r);
    at = {r.left + 20, r.top + 20};
  }
  menuRow_ = MenuRow{};
  if (row != kNoRow) {
    const MessageItem& item = listModel_.Rows().Row(row);
    menuRow_.valid = true;
    menuRow_.text = ClipboardText(listModel_.Rows(), {row}).text;
    menuRow_.process = std::string(ProcessPart(item.Text(kColumnProcess)));
    menuRow_.message = std::string(item.Text(kColumnMessage));
  }
  HMENU menu = LoadMenuA(fw::Instance(), MAKEINTRESOURCEA(IDR_ROW_MENU));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu, 0);
  const int command = static_cast<int>(
      TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, hwnd_, nullptr));
  ::DestroyMenu(menu);
  if (!hwnd_) return;
  switch (command) {
    case IDM_COPY_ROW:
      if (menuRow_.valid) CopyToClipboard(menuRow_.text);
      break;
    case IDM_COPY_SHOWN: CopyRows(true); break;
    case IDM_HIDE_PROCESS:
    case IDM_ONLY_PROCESS:
      if (!menuRow_.process.empty())
        AddRule(ProcessRule(menuRow_.process, command == IDM_HIDE_PROCESS ? RuleAction::kHide : RuleAction::kShowOnly));
      break;
    case IDM_HIGHLIGHT_TEXT: {
      CRuleDlg dialog;
      dialog.rule.action = RuleAction::kHighlight;
      dialog.rule.column = RuleColumn::kMessage;
      dialog.rule.pattern = menuRow_.message;
      if (dialog.RunModal(IDD_RULE, hwnd_) == IDOK && hwnd_) AddRule(dialog.rule);
      break;
    }
    case IDM_FILTERS_OFF: OnFiltersOff(); break;
    default: break;
  }
}

void CPLOXENDlg::OnOpen() {
  const auto path = fw::ChooseFile(hwnd_, fw::FileDialog::kOpen, kOpenFilter);
  if (!path) return;
  fw::FileAccess files(hwnd_);
  OpenList(*path, listModel_, intake_, files);
  CatchUpList();
}

std::string CPLOXENDlg::SearchTerm() const {
  char text[kSearchTermMax + 1] = {};
  GetDlgItemTextA(hwnd_, IDC_SEARCH_TERM, text, sizeof text);
  return text;
}

void CPLOXENDlg::OnSearch() {
  const std::string term = SearchTerm();
  if (term.empty()) {
    MessageBoxA(hwnd_, fw::String(IDS_NO_SEARCH_TERM).c_str(), kCaption, MB_OK);
    return;
  }
  if (list_.FindNext(term, settings_.caseSensitiv != 0) == -1)
    MessageBoxA(hwnd_, NotFoundMessage(fw::String(IDS_TERM_NOT_FOUND), term).c_str(), kCaption, MB_OK);
}

void CPLOXENDlg::OnSearchTermKillFocus() {
  ComboTermList terms(Item(IDC_SEARCH_TERM));
  TermLeft(terms, SearchTerm(), rememberedTermIndex_);
}

void CPLOXENDlg::OnSearchTermSelChange() {
  rememberedTermIndex_ = static_cast<int>(SendMessageA(Item(IDC_SEARCH_TERM), CB_GETCURSEL, 0, 0));
}

void CPLOXENDlg::OnRemark() {
  CBemerkungDlg dialog;
  if (dialog.RunModal(IDD_REMARK, hwnd_) == IDOK) AddMessage(3, dialog.remark.c_str(), kSourceRemark);
}

void CPLOXENDlg::OnAbout() {
  CInfoDlg dialog;
  dialog.RunModal(IDD_ABOUTBOX, hwnd_);
}

void CPLOXENDlg::OnParameter(int startPage) {
  if (parameterSheet_) return;  // one sheet at a time
  CParamDlg sheet(fw::String(IDS_PARAMETER), hwnd_, startPage, settings_);
  sheet.allg.systemWeitState = roads_.SystemWideStateText();
  sheet.suchen.terms = ReadSearchTerms(profile_);
  parameterSheet_ = &sheet;
  const bool confirmed = sheet.RunModal() == IDOK;
  parameterSheet_ = nullptr;
  if (closeAfterParameter_) {
    closeAfterParameter_ = false;
    if (hwnd_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
  if (!confirmed || !hwnd_) return;
  // Against the settings as they are now: the view may have switched a rule
  // off while the sheet was open, and the sheet's rules then go back in force.
  const SettingsChange change = Compare(settings_, sheet.settings);
  Keep(sheet.settings, sheet.suchen.terms);
  Apply(change);
}

void CPLOXENDlg::Keep(const Settings& settings, const std::vector<std::string>& searchTerms) {
  // In place: the intake reads settings_.intake by reference, and the debug
  // monitor's worker reads its switches without a lock, each a whole int.
  settings_ = settings;
  SaveNetworkSettings(settings_.network, profile_);
  WriteSearchTerms(profile_, searchTerms);
  ComboTermList terms(Item(IDC_SEARCH_TERM));
  LoadSearchHistory(profile_, terms, rememberedTermIndex_);
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
  if (change.rules) ApplyRules();
  // Also unchanged: a mailslot that failed is tried again.
  roads_.SetRemote(settings_.fernDebug != 0, settings_.intervall, change.remoteTimer);
  roads_.ApplyNetwork(settings_.network, change.network);
}

bool CPLOXENDlg::AllowClose() {
  // The sheet would apply to a window that is gone: it ends first, as if
  // cancelled, and the close comes after it.
  if (parameterSheet_) {
    closeAfterParameter_ = true;
    parameterSheet_->Cancel();
    return false;
  }
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
    // The row menu's items that need a row, or its process part.
    case IDM_COPY_ROW: case IDM_HIGHLIGHT_TEXT: return menuRow_.valid;
    case IDM_HIDE_PROCESS: case IDM_ONLY_PROCESS: return menuRow_.valid && !menuRow_.process.empty();
    default: return false;
  }
}

bool CPLOXENDlg::OnCommand(int id, int code, HWND) {
  if (id == IDC_SEARCH_TERM) {
    if (code == CBN_KILLFOCUS) OnSearchTermKillFocus();
    if (code == CBN_SELCHANGE) OnSearchTermSelChange();
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_SEARCH: OnSearch(); return true;
    case IDC_CLOSE: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    case IDC_CLEAR: ClearList(); return true;
    case IDC_SAVE: OnSave(); return true;
    case IDC_REMARK: OnRemark(); return true;
    case IDM_ABOUT: OnAbout(); return true;
    case IDM_PARAMETER: OnParameter(); return true;
    case IDM_OPEN: OnOpen(); return true;
    case IDM_SAVE_SHOWN: OnSaveShown(); return true;
    case IDM_FOLLOW: SetFollowing(!listModel_.Following()); return true;
    case IDM_FILTER: OnParameter(kFilterPage); return true;
    case IDM_FILTERS_OFF: OnFiltersOff(); return true;
    default: return false;
  }
}

bool CPLOXENDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimerFirstRun:
      KillTimer(hwnd_, kTimerFirstRun);
      MessageBoxA(hwnd_, fw::String(IDS_FIRST_RUN_NOTICE).c_str(), fw::String(IDS_FIRST_RUN_CAPTION).c_str(),
                  MB_OK | MB_ICONINFORMATION);
      PostMessageA(hwnd_, WM_SYSCOMMAND, IDM_PARAMETER, 0);
      return false;
    case kTimerDebugMonitor:
      KillTimer(hwnd_, kTimerDebugMonitor);
      if (list_.hwnd()) roads_.StartDebugMonitor(commandLine_);
      return false;
    case kTimerLostLines:
      ShowLostLines();
      return true;
    case kTimerRefilter:
      if (!list_.RefilterSlice()) KillTimer(hwnd_, kTimerRefilter);
      ShowRowCount();
      return true;
    case kTimerCatchUp:
      // A quiet spell means the burst is over: show its rest at once. While
      // lines keep coming, the lines themselves catch up when it is time.
      if (listModel_.Behind() && (linesTaken_ == linesAtLastTick_ || pacer_.Due(fw::SteadyMs()))) CatchUpList();
      linesAtLastTick_ = linesTaken_;
      if (!listModel_.Behind()) {
        KillTimer(hwnd_, kTimerCatchUp);
        catchUpTimer_ = false;
      }
      return true;
    default:
      return false;
  }
}

bool CPLOXENDlg::OnSize(UINT type, int w, int h) {
  CModelessMain::OnSize(type, w, h);
  LayoutControls();
  return false;
}

// Minimised, the icon is centred in what the bars leave free.
bool CPLOXENDlg::OnPaint() {
  if (!Minimised() || !icon_) return CModelessMain::OnPaint();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const RECT free = GetFreeClientRect();
  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  DrawIcon(dc, (free.right - free.left - cx + 1) / 2, (free.bottom - free.top - cy + 1) / 2, icon_);
  EndPaint(hwnd_, &ps);
  return true;
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
  KillTimer(hwnd_, kTimerLostLines);
  StoreSettings();
  listModel_.DeleteAllRows();
  CModelessMain::OnDestroy();
  PostQuitMessage(0);
  return false;
}

void CPLOXENDlg::StoreSettings() {
  ComboTermList terms(Item(IDC_SEARCH_TERM));
  SaveSettings(profile_, settings_, WindowPlacement(), SearchTermItems(terms));
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
      TellRulesSwitchedOff();
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
