// PLOXEN.EXE start-up: the automation runtime, the registration, then the
// main window, which serves an automation client when the runtime started it.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/main_window.h"
#include "fw/controls.h"
#include "fw/ini_profile.h"
#include "fw/strings.h"
#include "res/resource.h"
#include "roads/automation_object.h"
#include "shell/command_line.h"
#include "sources/automation_registry.h"
#include "storage/settings.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLineArgs, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  if (FAILED(OleInitialize(nullptr))) {
    fw::ShowMessage(nullptr, fw::String(IDS_OLE_INIT_FAILED), "PLOXEN", MB_OK);
    return 1;
  }

  // What is left of the command line names the program to watch.
  std::string commandLine = commandLineArgs ? commandLineArgs : "";
  const bool automated = ploxen::TakeAutomationSwitch(commandLine);
  if (!automated) {
    // Every normal start registers the object again, for the program where it is now.
    ploxen::RegisterAutomationServer(ploxen::kAutomationProgId, ploxen::kAutomationClassId);
    if (ploxen::MatchSwitch(commandLine, "Reg")) {
      // Registered: the first-run notice is not wanted later.
      fw::IniProfile profile(fw::DefaultProfilePath());
      profile.WriteInt(ploxen::keys::kSectionAllgemein, ploxen::keys::kErsterAufruf, 0);
      OleUninitialize();
      return 0;
    }
  }

  int exitCode = 1;
  {
    ploxen::CPLOXENDlg window(commandLine);
    ploxen::AutomationFactory factory(&window);
    if (window.Create()) {
      // Started by the runtime for a client: the client's object is made here.
      if (automated) factory.Register(ploxen::kAutomationClass);
      // Wide, so that a character typed goes to its window whole.
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window.hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      exitCode = static_cast<int>(msg.wParam);
      factory.Revoke();
    }
  }
  OleUninitialize();
  return exitCode;
}
