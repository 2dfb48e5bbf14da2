// The parameter sheet "Parameter" with its nine pages, and the help window
// that shows the help of the page in front. The sheet edits a copy of the
// settings: each page's table binds its controls to the fields of that copy,
// so after OK the copy is the record the user left.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "fw/property_sheet.h"
#include "fw/window.h"
#include "pages/filter_page.h"
#include "pages/log_page.h"
#include "storage/settings.h"

namespace ploxen {

class CPageAllg : public fw::PropertyPage {
 public:
  explicit CPageAllg(Settings& settings);
  std::string systemWeitState;  // which names the road reads now, shown beside its switch

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void OnBrowseSaveFile();
  void OnChooseFont();

  Settings& settings_;
};

// The nine category switches.
class CPageMeld : public fw::PropertyPage {
 public:
  explicit CPageMeld(IntakeSwitches& switches);
};

class CPageSuchen : public fw::PropertyPage {
 public:
  explicit CPageSuchen(Settings& settings);
  std::vector<std::string> terms;  // UTF-8; changed only by deleting on the page

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void UpdateDeleteButton();
  void OnDeleteTerms();
};

class CPageRemote : public fw::PropertyPage {
 public:
  explicit CPageRemote(Settings& settings);
};

class CPageEmail : public fw::PropertyPage {
 public:
  CPageEmail();
};

// This computer as the system names it: shown, never taken back.
class CPageSysInfo : public fw::PropertyPage {
 public:
  CPageSysInfo();

 protected:
  bool OnInit() override;

 private:
  std::string user_;
  std::string computerName_;
  std::string ipAddresses_;
  std::string officialHostName_;
};

class CPageVBA : public fw::PropertyPage {
 public:
  CPageVBA();

 protected:
  bool OnInit() override;

 private:
  std::string guide_;
};

// The network roads and the forwarding (NETZ).
class CPageNetz : public fw::PropertyPage {
 public:
  explicit CPageNetz(NetworkSettings& network);

 private:
  NetworkSettings& network_;
};

// The files followed (DATEIEN): added by the file dialog, removed by
// selection; the last lines a file already there starts with.
class CPageDateien : public fw::PropertyPage {
 public:
  explicit CPageDateien(FollowedFilesSettings& files);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void UpdateRemoveButton();
  void OnAdd();
  void OnRemove();

  FollowedFilesSettings& files_;
};

// The file dialog for a file to follow. A folder or a device is refused with
// a box; a file that cannot be read now is told and still chosen, since it is
// tried again. Nothing when the user cancelled or the choice was refused.
std::optional<std::string> ChooseFollowedFile(HWND owner);

class CParamDlg : public fw::ModalSheet {
 public:
  CParamDlg(std::string caption, HWND owner, int startPage, const Settings& current);

  // What the pages show and change; declared before them, which bind to it.
  Settings settings;
  // In tab order; the index is also the active page's.
  CPageAllg allg{settings};
  CPageMeld meld{settings.intake};
  CPageSuchen suchen{settings};
  CPageRemote remote{settings};
  CPageEmail email;
  CPageSysInfo sysInfo;
  CPageVBA vba;
  CPageFilter filter{settings.rules};
  CPageNetz netz{settings.network};
  CPageProtokoll protokoll{settings.log};
  CPageDateien dateien{settings.followedFiles};

 protected:
  void OnInit() override;
  bool OnCommand(WPARAM wp, LPARAM lp) override;
  bool OnHelp() override;

 private:
  void ShowHelp();
};

class CHilfeDlg : public fw::Dialog {
 public:
  std::string text;

 protected:
  bool OnInit() override;
};

}  // namespace ploxen
