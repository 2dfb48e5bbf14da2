// The parameter sheet "Parameter" with its nine pages, and the help window
// that shows the help of the page in front.
#pragma once

#include <windows.h>

#include <string>

#include "fw/property_sheet.h"
#include "fw/window.h"
#include "net/network_settings.h"
#include "params/page_values.h"

namespace ploxen {

class CPageAllg : public fw::PropertyPage {
 public:
  CPageAllg();
  GeneralValues values;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void OnBrowseSaveFile();
  void OnChooseFont();
};

class CPageMeld : public fw::PropertyPage {
 public:
  CPageMeld();
  MessageValues values;
};

class CPageSuchen : public fw::PropertyPage {
 public:
  CPageSuchen();
  SearchValues values;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  int CountSelectedTerms() const;
  void UpdateDeleteButton();
  void OnDeleteTerms();
};

class CPageRemote : public fw::PropertyPage {
 public:
  CPageRemote();
  RemoteValues values;
};

class CPageEmail : public fw::PropertyPage {
 public:
  CPageEmail();
};

class CPageSysInfo : public fw::PropertyPage {
 public:
  CPageSysInfo();
  SystemInfoValues values;
};

class CPageVBA : public fw::PropertyPage {
 public:
  CPageVBA();

 protected:
  bool OnInit() override;

 private:
  std::string guide_;
};

class CPageFilter : public fw::PropertyPage {
 public:
  CPageFilter();
  FilterValues values;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void Fill(int select);
  int Selected() const;
  void UpdateButtons();
  void OnNew();
  void OnEdit();
  void OnDelete();
  void OnMove(int by);

  bool filling_ = false;  // check boxes set by Fill are no user's change
};

// The network roads and the forwarding; the record is the NETZ settings.
class CPageNetz : public fw::PropertyPage {
 public:
  CPageNetz();
  NetworkSettings values;
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

class CParamDlg : public fw::ModalSheet {
 public:
  CParamDlg(std::string caption, HWND owner, int startPage);

  // In tab order; the index is also the active page's.
  CPageAllg allg;
  CPageMeld meld;
  CPageSuchen suchen;
  CPageRemote remote;
  CPageEmail email;
  CPageSysInfo sysInfo;
  CPageVBA vba;
  CPageFilter filter;
  CPageNetz netz;

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
