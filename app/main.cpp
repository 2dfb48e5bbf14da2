// PLOXEN.EXE start-up: the registration switch, then the main window.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/command_line.h"
#include "app/main_window.h"
#include "fw/ini_profile.h"
#include "storage/settings.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLineArgs, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  // What is left of the command line names the program to watch.
  std::string commandLine = commandLineArgs ? commandLineArgs : "";
  const bool automated = ploxen::TakeAutomationSwitch(commandLine);
  if (!automated && ploxen::MatchSwitch(commandLine, "Reg")) {
    // Registered: the first-run notice is not wanted later.
    fw::IniProfile profile(fw::DefaultProfilePath());
    profile.WriteInt(ploxen::keys::kSectionAllgemein, ploxen::keys::kErsterAufruf, 0);
    return 0;
  }

  ploxen::CPLOXENDlg window(commandLine);
  if (!window.Create()) return 1;

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(window.hwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
