// A null automation server for the automation benchmark: the object of
// "Ploxen" on the same dispatch path, registered as "PloxenNull", whose
// lines go nowhere. Started without arguments it registers itself.
#include <windows.h>

#include "roads/automation_object.h"
#include "shell/command_line.h"

namespace {

constexpr char kNullProgId[] = "PloxenNull";
constexpr char kNullClassId[] = "{93BCE3F0-17F5-11D3-80A4-000029071233}";
constexpr CLSID kNullClass = {0x93BCE3F0, 0x17F5, 0x11D3, {0x80, 0xA4, 0x00, 0x00, 0x29, 0x07, 0x12, 0x33}};

class NullHost : public ploxen::AutomationHost {
 public:
  void TakeLine(const ploxen::IncomingLine&) override {}
  void Attach(ploxen::AutomationObject*) override {}
  void Detach(ploxen::AutomationObject*) override { PostQuitMessage(0); }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLineArgs, int) {
  if (FAILED(OleInitialize(nullptr))) return 1;
  std::string commandLine = commandLineArgs ? commandLineArgs : "";
  int code = 0;
  if (!ploxen::TakeAutomationSwitch(commandLine)) {
    code = ploxen::RegisterAutomationServer(kNullProgId, kNullClassId) ? 0 : 1;
  } else {
    NullHost host;
    ploxen::AutomationFactory factory(&host);
    if (factory.Register(kNullClass)) {
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      factory.Revoke();
    }
  }
  OleUninitialize();
  return code;
}
