#include "pages/param_dialog.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "core/field_rules.h"
#include "fw/controls.h"
#include "fw/file_dialog.h"
#include "fw/font_dialog.h"
#include "fw/platform.h"
#include "fw/tail_files.h"
#include "net/network_settings.h"
#include "params/font_rules.h"
#include "params/help_texts.h"
#include "params/network_rules.h"
#include "res/resource.h"

namespace ploxen {

CPageAllg::CPageAllg(Settings& settings) : PropertyPage(IDD_PAGE_ALLG), settings_(settings) {
  exchange_.Check(IDC_TOPMOST, settings.topmost);
  exchange_.Unsigned(IDC_ROW_LIMIT, settings.intake.maxCount, RowLimitRule());
  exchange_.Radio(IDC_LIMIT_ASKS, settings.intake.grenze, kLimitAsks);
  exchange_.Radio(IDC_LIMIT_DROPS_OLDEST, settings.intake.grenze, kLimitDropsOldest);
  exchange_.Text(IDC_SAVE_FILE, settings.saveDatei, kSaveFileMaxChars);
  exchange_.Signed(IDC_FONT_SIZE, settings.fontSize);
  exchange_.Text(IDC_FONT_NAME, settings.fontName);
  exchange_.Check(IDC_SOURCE_DBWIN32, settings.intake.dbWin32);
  exchange_.Check(IDC_SOURCE_PLOXEN, settings.intake.ploxen);
  exchange_.Check(IDC_SOURCE_SYSTEMWEIT, settings.intake.systemWeit);
}

bool CPageAllg::OnInit() {
  PropertyPage::OnInit();
  fw::Control(Item(IDC_SYSTEMWEIT_STATE)).SetText(systemWeitState);
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
  const auto path = fw::ChooseFile(hwnd_, fw::FileDialog::kSave, nullptr, settings_.saveDatei, false);
  if (!path) return;
  settings_.saveDatei = *path;
  exchange_.LoadOne(hwnd_, IDC_SAVE_FILE);
}

void CPageAllg::OnChooseFont() {
  LOGFONTA font{};
  exchange_.Store(hwnd_);
  font.lfHeight = FontHeightFromPointSize(settings_.fontSize);
  const std::string face = FaceNameForRecord(settings_.fontName);
  std::memcpy(font.lfFaceName, face.c_str(), face.size() + 1);
  int tenths = 0;
  if (!fw::ChooseScreenFont(hwnd_, font, tenths)) return;
  settings_.fontSize = PointSizeFromTenths(tenths);
  const char* chosen = font.lfFaceName;
  settings_.fontName.assign(chosen, std::find(chosen, chosen + LF_FACESIZE, '\0'));
  exchange_.LoadOne(hwnd_, IDC_FONT_SIZE);
  exchange_.LoadOne(hwnd_, IDC_FONT_NAME);
}

CPageMeld::CPageMeld(IntakeSwitches& switches) : PropertyPage(IDD_PAGE_MELD) {
  exchange_.Check(IDC_DESTRUKTOR, switches.destruktor);
  exchange_.Check(IDC_B_DLL, switches.bDll);
  exchange_.Check(IDC_B_EXCEPTION, switches.bException);
  exchange_.Check(IDC_KONSTRUKTOR, switches.konstruktor);
  exchange_.Check(IDC_MELDUNGEN, switches.meldungen);
  exchange_.Check(IDC_B_PROCESS, switches.bProcess);
  exchange_.Check(IDC_STARTENDE, switches.startEnde);
  exchange_.Check(IDC_B_THREAD, switches.bThread);
  exchange_.Check(IDC_B_TRACE, switches.bTrace);
}

CPageSuchen::CPageSuchen(Settings& settings) : PropertyPage(IDD_PAGE_SUCHEN) {
  exchange_.Check(IDC_CASE_SENSITIVE, settings.caseSensitiv);
}

bool CPageSuchen::OnInit() {
  PropertyPage::OnInit();
  fw::ListBox list(Item(IDC_TERMS));
  for (const std::string& term : terms)
    if (!term.empty()) list.AddUtf8(term);
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

void CPageSuchen::UpdateDeleteButton() {
  if (HWND button = Item(IDC_DELETE_TERMS)) EnableWindow(button, fw::ListBox(Item(IDC_TERMS)).SelectedCount() > 0);
}

void CPageSuchen::OnDeleteTerms() {
  fw::ListBox list(Item(IDC_TERMS));
  // From the end, so that the indices still to be visited stay valid.
  for (int i = list.Count() - 1; i >= 0; --i)
    if (list.IsSelected(i)) list.Delete(i);
  terms.clear();
  for (int i = 0, count = list.Count(); i < count; ++i) terms.push_back(list.Utf8ItemText(i));
  UpdateDeleteButton();
}

CPageRemote::CPageRemote(Settings& settings) : PropertyPage(IDD_PAGE_REMOTE) {
  exchange_.Unsigned(IDC_INTERVAL, settings.intervall, kIntervalMin, kIntervalMax);
  exchange_.Check(IDC_REMOTE, settings.fernDebug);
}

CPageEmail::CPageEmail() : PropertyPage(IDD_PAGE_EMAIL) {}

CPageSysInfo::CPageSysInfo() : PropertyPage(IDD_PAGE_SYSINFO) {
  exchange_.Text(IDC_USER_NAME, user_);
  exchange_.Text(IDC_COMPUTER_NAME, computerName_);
  exchange_.Text(IDC_IP_ADDRESSES, ipAddresses_);
  exchange_.Text(IDC_OFFICIAL_HOST, officialHostName_);
}

// Asked when the page is first shown, not each time the sheet opens: the
// host lookup may take a while.
bool CPageSysInfo::OnInit() {
  user_ = fw::UserName();
  computerName_ = fw::ComputerName();
  const fw::HostLookup host = fw::LookUpThisHost();
  officialHostName_ = host.officialName;
  ipAddresses_ = host.addresses;
  PropertyPage::OnInit();
  return true;
}

CPageVBA::CPageVBA() : PropertyPage(IDD_PAGE_VBA) { exchange_.Text(IDC_GUIDE, guide_); }

bool CPageVBA::OnInit() {
  guide_ = GuideText();
  PropertyPage::OnInit();
  return true;
}

// In the order the user reads them, so that the first refusal is the
// topmost; the target's rules read the switches and ports stored before it.
CPageNetz::CPageNetz(NetworkSettings& network) : PropertyPage(IDD_PAGE_NETZ), network_(network) {
  exchange_.Check(IDC_NET_REMOTE, network.fernmeldungen);
  exchange_.Number(IDC_NET_REMOTE_PORT, network.fernPort, RemotePortRefusal);
  exchange_.Check(IDC_NET_SYSLOG, network.syslog);
  exchange_.Number(IDC_NET_SYSLOG_PORT, network.syslogPort, SyslogPortRefusal);
  exchange_.Text(IDC_NET_SENDERS, network.absender, kSendersMaxChars, SendersRefusal);
  exchange_.Check(IDC_NET_FORWARD, network.weiterleiten);
  exchange_.Text(IDC_NET_TARGET, network.ziel, kTargetMaxChars, [this](std::string_view text) {
    const bool forwarding = network_.weiterleiten != 0;
    if (auto refusal = ForwardTargetRefusal(text, forwarding)) return refusal;
    if (!forwarding) return std::optional<std::string>{};
    return ForwardLoopRefusal(text, network_.syslog != 0, network_.syslogPort, fw::ComputerName(),
                              fw::ThisComputerAddresses());
  });
  exchange_.Radio(IDC_NET_TCP, network.zielProtokoll, kProtocolTcp);
  exchange_.Radio(IDC_NET_UDP, network.zielProtokoll, kProtocolUdp);
}

CPageDateien::CPageDateien(FollowedFilesSettings& files) : PropertyPage(IDD_PAGE_DATEIEN), files_(files) {
  exchange_.Unsigned(IDC_FILE_LAST_LINES, files.zeilen, 0, kLastLinesMax);
}

bool CPageDateien::OnInit() {
  PropertyPage::OnInit();
  fw::ListBox list(Item(IDC_FILES));
  for (const std::string& name : files_.dateien) list.Add(name);
  // Long paths scroll sideways rather than being cut.
  SendMessageA(Item(IDC_FILES), LB_SETHORIZONTALEXTENT, 2000, 0);
  UpdateRemoveButton();
  return true;
}

bool CPageDateien::OnCommand(int id, int code, HWND) {
  if (id == IDC_FILE_ADD && code == BN_CLICKED) {
    OnAdd();
    return true;
  }
  if (id == IDC_FILE_REMOVE && code == BN_CLICKED) {
    OnRemove();
    return true;
  }
  if (id == IDC_FILES && code == LBN_SELCHANGE) {
    UpdateRemoveButton();
    return true;
  }
  return false;
}

void CPageDateien::UpdateRemoveButton() {
  if (HWND button = Item(IDC_FILE_REMOVE)) EnableWindow(button, fw::ListBox(Item(IDC_FILES)).SelectedCount() > 0);
}

void CPageDateien::OnAdd() {
  const auto name = ChooseFollowedFile(hwnd_);
  if (!name) return;
  if (AddFollowedFile(files_, *name)) {
    fw::ListBox(Item(IDC_FILES)).Add(*name);
  } else if (static_cast<int>(files_.dateien.size()) >= kFollowedFilesMax) {
    MessageBoxA(hwnd_, ("Es k\xF6nnen h\xF6" "chstens " + std::to_string(kFollowedFilesMax) + " Dateien verfolgt werden.").c_str(),
                "PLOXEN", MB_OK | MB_ICONINFORMATION);
  }
  UpdateRemoveButton();
}

void CPageDateien::OnRemove() {
  fw::ListBox list(Item(IDC_FILES));
  for (int i = list.Count() - 1; i >= 0; --i)
    if (list.IsSelected(i)) {
      list.Delete(i);
      files_.dateien.erase(files_.dateien.begin() + i);
    }
  UpdateRemoveButton();
}

std::optional<std::string> ChooseFollowedFile(HWND owner) {
  static const char kFilter[] = "Protokolldateien (*.log;*.txt)\0*.log;*.txt\0Alle Dateien (*.*)\0*.*\0";
  const auto path = fw::ChooseFile(owner, fw::FileDialog::kOpen, kFilter);
  if (!path) return std::nullopt;
  fw::TailFiles files;
  const auto opened = files.Open(*path);
  if (opened.result == TailOpen::kOpened) return path;
  MessageBoxA(owner, FollowRefusedText(*path, opened.result, opened.error).c_str(), "PLOXEN",
              MB_OK | MB_ICONWARNING);
  if (opened.result == TailOpen::kFolder || opened.result == TailOpen::kDevice) return std::nullopt;
  return path;
}

CParamDlg::CParamDlg(std::string caption, HWND owner, int startPage, const Settings& current)
    : ModalSheet(std::move(caption), owner, startPage), settings(current) {
  for (fw::PropertyPage* page : std::initializer_list<fw::PropertyPage*>{&allg, &meld, &suchen, &remote, &email,
                                                                         &sysInfo, &vba, &filter, &netz, &protokoll, &dateien})
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
  fw::Control(Item(IDC_HELP_TEXT)).SetText(text);
  return true;
}

}  // namespace ploxen
