// Holds one hidden window for the whole test run. Wine starts its desktop
// process with a program's first window and ends it when the last program
// has gone; started by a test, the desktop process would inherit that test's
// output pipe and keep the runner waiting long after the test ended.
//   desktop_keeper <marker file>   written once the window exists
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR marker, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = "PloxenDesktopKeeper";
  RegisterClassA(&wc);
  if (!CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr)) return 1;
  if (marker && *marker) {
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  // Ended by the test script; a forgotten one goes after four hours.
  SetTimer(nullptr, 0, 4 * 3600 * 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageA(&msg);
  }
  return 0;
}
