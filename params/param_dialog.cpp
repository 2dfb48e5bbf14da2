#include "params/param_dialog.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "fw/file_dialog.h"
#include "fw/font_dialog.h"
#include "params/field_rules.h"
#include "params/font_rules.h"
#include "params/help_texts.h"
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

CParamDlg::CParamDlg(std::string caption, HWND owner, int startPage)
    : ModalSheet(std::move(caption), owner, startPage) {
  for (fw::PropertyPage* page : std::initializer_list<fw::PropertyPage*>{&allg, &meld, &suchen, &remote, &email,
                                                                         &sysInfo, &vba})
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
