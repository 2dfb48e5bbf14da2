// PLOXEN.EXE start-up: for now one top-level window with the program's title.
#include <windows.h>

#include "res/resource.h"

namespace {

constexpr char kWindowClass[] = "PloxenMain";
constexpr char kTitle[] = "PLOXEN - Meldungssystem";

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassA(&wc)) return 1;

  HWND main = CreateWindowExA(0, kWindowClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 640, 300, nullptr, nullptr, instance, nullptr);
  if (!main) return 1;
  ShowWindow(main, show);
  UpdateWindow(main);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
