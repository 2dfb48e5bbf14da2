// The main window: owns the settings, the list with its intake, and every
// command of the program.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/list_catch_up.h"
#include "app/list_font.h"
#include "app/lost_lines_pane.h"
#include "app/message_list_view.h"
#include "app/modeless_main.h"
#include "app/parameter_command.h"
#include "app/row_menu.h"
#include "app/rules_in_force.h"
#include "app/search_bar.h"
#include "core/intake.h"
#include "fw/ini_profile.h"
#include "roads/automation_object.h"
#include "roads/roads.h"
#include "search/view_rules.h"
#include "storage/settings.h"
#include "storage/settings_change.h"

namespace ploxen {

class CPLOXENDlg : public CModelessMain, private UserDialogs, private Roads::Host, public AutomationHost {
 public:
  explicit CPLOXENDlg(std::string commandLine);
  ~CPLOXENDlg() override;

  bool Create();
  void AddMessage(MessageKind kind, const char* text, MessageSource source) {
    intake_.AddMessage(kind, text, source);
  }
  void ClearList() { intake_.ClearList(); }

  // AutomationHost: the object's lines, and while it exists closing only
  // hides the window; a close asked for meanwhile happens when it goes.
  void TakeLine(const IncomingLine& line) override;
  void Attach(AutomationObject* object) override { automation_ = object; }
  void Detach(AutomationObject* object) override;

 protected:
  bool OnInit() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool HandlesCommand(unsigned id) const override;
  std::string PaneToolTip(std::size_t pane) const override;
  bool OnTimer(UINT_PTR id) override;
  bool OnSize(UINT type, int w, int h) override;
  bool OnClose() override;
  bool OnDestroy() override;
  bool OnCopyData(HWND from, const COPYDATASTRUCT* data) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  // UserDialogs: the row-limit question and the Save command.
  bool AskYesNo(int stringId) override;
  bool Save() override { return OnSave(); }
  // Roads::Host.
  void RemoteBurstEnded() override;

  void CreateList();
  void LayoutControls();
  void UpdateListState();
  bool AllowClose();
  // True when a file was written.
  bool OnSave();
  // The view: following the newest line, copying.
  void SetFollowing(bool on);
  void CopyRows(bool allShown);
  // The row menu at a point of the screen, for the row there; from the key
  // (no point) for the selected row.
  void OnRowMenu(LPARAM point);
  void OnRemark();
  void OnAbout();
  void OnFollowFile();
  // The parameter sheet, filled from the settings and the profile's search
  // terms; OK keeps the record the user left and applies what changed,
  // Cancel changes nothing.
  void OnParameter(int startPage = 0);
  // The sheet's record in force: the program's, and the network section
  // and the search terms in the profile at once.
  void Keep(const Settings& settings, const std::vector<std::string>& searchTerms);
  // What a new settings record asks of the running program, in one place;
  // settings_ holds the new record already.
  void Apply(const SettingsChange& change);
  // The log file as PROTOKOLL and the command line say.
  void ApplyLog();
  // The settings into the profile, as the window holds them now.
  void StoreSettings();

  std::string commandLine_;
  std::optional<std::string> logSwitch_;  // "/protokoll FILE": this run's log, until the page changes PROTOKOLL
  fw::IniProfile profile_;
  Settings settings_;  // as the program runs by them
  MessageListModel listModel_;  // the rows, and what the list shows of them
  MessageListView list_{listModel_};
  MessageIntake intake_;
  Roads roads_{intake_, *this};
  ListCatchUp catchUp_{*this, listModel_, list_};
  SearchBar searchBar_;
  RowMenu rowMenu_;
  RulesInForce rules_{settings_.rules, listModel_, list_, catchUp_};
  ListFont listFont_;
  bool listHasRows_ = true;  // forces the first button update
  LostLinesPane lostLines_{*this, roads_};
  AutomationObject* automation_ = nullptr;
  bool closeWhenDetached_ = false;
  ParameterCommand parameter_;
};

}  // namespace ploxen
