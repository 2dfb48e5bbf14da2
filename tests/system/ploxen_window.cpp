#include "tests/system/ploxen_window.h"

#include "tests/system/ploxen_test.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "tests/system/ploxen_process.h"

namespace ploxen::system_test {

TestProfile::TestProfile(const std::string& name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  path_ = std::string(dir) + "ploxen_" + name + "_" + std::to_string(GetCurrentProcessId()) + ".ini";
  DeleteFileA(path_.c_str());
  SetEnvironmentVariableA("PLOXEN_INI", path_.c_str());
}

TestProfile::~TestProfile() { DeleteFileA(path_.c_str()); }

void TestProfile::Write(const char* section, const char* key, const std::string& value) const {
  WritePrivateProfileStringA(section, key, value.c_str(), path_.c_str());
}

std::string TestProfile::Read(const char* section, const char* key) const {
  char text[512] = {};
  GetPrivateProfileStringA(section, key, "", text, sizeof text, path_.c_str());
  return text;
}

bool TestProfile::Exists() const { return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SendLine(HWND target, ULONG_PTR kind, const void* data, DWORD size, DWORD timeoutMs) {
  COPYDATASTRUCT cds{};
  cds.dwData = kind;
  cds.cbData = size;
  cds.lpData = const_cast<void*>(data);
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_BLOCK, timeoutMs,
                             &result) != 0;
}

bool SendLine(HWND target, ULONG_PTR kind, const std::string& text) {
  return SendLine(target, kind, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

int ListRowCount(HWND main) {
  return static_cast<int>(SendMessageA(GetDlgItem(main, 1000), LVM_GETITEMCOUNT, 0, 0));
}

// The request and its answer live in the other process: see StatusPaneText.
std::string ListRowText(HWND main, int row, int column) {
  HWND list = GetDlgItem(main, 1000);
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return "<no access>";
  constexpr SIZE_T kTextSize = 1024;
  auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kTextSize, MEM_COMMIT, PAGE_READWRITE));
  std::string text;
  if (remote) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iSubItem = column;
    item.pszText = remote + sizeof(LVITEMA);
    item.cchTextMax = static_cast<int>(kTextSize);
    SIZE_T moved = 0;
    WriteProcessMemory(process, remote, &item, sizeof item, &moved);
    const LRESULT length = SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    std::vector<char> buffer(kTextSize + 1, '\0');
    ReadProcessMemory(process, remote + sizeof(LVITEMA), buffer.data(), kTextSize, &moved);
    text.assign(buffer.data(), length > 0 ? std::min<std::size_t>(static_cast<std::size_t>(length), kTextSize) : 0);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

HWND ProcessWindowOfClass(DWORD processId, const char* className) {
  return FindProcessWindow(processId, [className](HWND window) { return ClassName(window) == className; });
}

// The pane's text lives in the other process: the request and its answer go
// through memory there.
std::string StatusPaneText(HWND main, int pane) {
  HWND bar = GetDlgItem(main, 0xE801);
  if (!bar) return "<no status bar>";
  DWORD pid = 0;
  GetWindowThreadProcessId(bar, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return "<no access>";
  void* remote = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  std::string text;
  if (remote) {
    SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(remote));
    char buffer[512] = {};
    SIZE_T got = 0;
    ReadProcessMemory(process, remote, buffer, sizeof buffer - 1, &got);
    text = buffer;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

int StatusPaneCount(HWND main) {
  HWND bar = GetDlgItem(main, 0xE801);
  return bar ? static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0)) : -1;
}

// The tip windows are asked for the bar's tool as they ask the bar itself
// when about to show it; the structure and the text live in the other process.
std::string StatusPaneToolTip(HWND main, int pane) {
  HWND bar = GetDlgItem(main, 0xE801);
  DWORD pid = 0;
  GetWindowThreadProcessId(bar, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!bar || !process) return "<no status bar>";
  constexpr std::size_t kChars = 1024;
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  std::vector<wchar_t> wide(kChars, L'\0');
  FindProcessWindow(pid, [&](HWND tips) {
    if (!remote || ClassName(tips) != "tooltips_class32") return false;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = bar;
    tool.uId = static_cast<UINT_PTR>(pane);
    tool.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof tool);
    SIZE_T moved = 0;
    WriteProcessMemory(process, remote, &tool, sizeof tool, &moved);
    WriteProcessMemory(process, tool.lpszText, wide.data(), kChars * sizeof(wchar_t), &moved);
    SendMessageW(tips, TTM_GETTEXTW, kChars, reinterpret_cast<LPARAM>(remote));  // another window's tools leave it empty
    ReadProcessMemory(process, tool.lpszText, wide.data(), (kChars - 1) * sizeof(wchar_t), &moved);
    return wide[0] != L'\0';
  });
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  char text[kChars * 2] = {};
  WideCharToMultiByte(1252, 0, wide.data(), -1, text, sizeof text - 1, nullptr, nullptr);
  return text;
}

bool ButtonEnabled(HWND main, int id) { return IsWindowEnabled(GetDlgItem(main, id)) != FALSE; }

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

bool WaitForRows(HWND main, int rows, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (ListRowCount(main) != rows) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    HWND found = FindProcessWindow(processId, [](HWND window) {
      return IsWindowVisible(window) && ClassName(window) == "#32770" && WindowText(window) != kTitle;
    });
    if (found) return found;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

HWND WaitForDialog(DWORD processId, const std::string& title, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    HWND found = FindProcessWindow(processId, [&title](HWND window) {
      return IsWindowVisible(window) && ClassName(window) == "#32770" && WindowText(window) == title;
    });
    if (found) return found;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::string MessageBoxText(HWND box) {
  // The text is the box's static control with id 0xFFFF.
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? WindowText(text) : std::string();
}

bool Responsive(HWND main) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result) != 0;
}

HWND FileNameField(HWND dialog) {
  HWND field = GetDlgItem(dialog, 0x47C);  // explorer style: a combo box (ex) with an edit
  for (int depth = 0; field && depth < 3; ++depth) {
    char cls[32] = {};
    GetClassNameA(field, cls, sizeof cls);
    if (std::string(cls) == "Edit") return field;
    field = FindWindowExA(field, nullptr, nullptr, nullptr);
  }
  return GetDlgItem(dialog, 0x480);  // the old style's edt1
}

std::string FieldText(HWND field) {
  char text[MAX_PATH] = {};
  SendMessageA(field, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

bool MailslotExists() {
  HANDLE slot = CreateFileA("\\\\.\\mailslot\\ploxen", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (slot == INVALID_HANDLE_VALUE) return false;
  CloseHandle(slot);
  return true;
}

void Click(HWND window, int id) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

std::optional<std::string> RunFileDialog(DWORD processId, HWND main, int command, const std::string& path) {
  Click(main, command);
  HWND dialog = WaitForMessageBox(processId);
  if (!dialog) return std::nullopt;
  HWND field = FileNameField(dialog);
  if (!field) return std::nullopt;
  const std::string offered = FieldText(field);
  SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Click(dialog, IDOK);
  if (!WaitForWindowGone(dialog)) return std::nullopt;
  // The command goes on after its dialog (a file is written or read): it is
  // done when the window answers again.
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_BLOCK, 30000, &answer)) return std::nullopt;
  return offered;
}

// Saves what the screen shows of a window as a BMP file.
bool SaveWindowShot(HWND window, const std::string& path) {
  RECT r{};
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const DWORD stride = ((w * 3 + 3) / 4) * 4;
  std::vector<char> pixels(stride * h);
  GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(out, &file, sizeof file, &written, nullptr);
  WriteFile(out, &info, sizeof info, &written, nullptr);
  WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
  CloseHandle(out);
  return true;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

std::string TempPath(const std::string& name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + "ploxen_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

ProfileSetUp Keys(std::vector<std::pair<std::string, std::string>> keys) {
  return [keys = std::move(keys)](TestProfile& profile) {
    for (const auto& [key, value] : keys) {
      const std::size_t dot = key.find('.');
      const std::string section = dot == std::string::npos ? "ALLGEMEIN" : key.substr(0, dot);
      profile.Write(section.c_str(), key.substr(dot + 1).c_str(), value);
    }
  };
}

MachineTurn::MachineTurn(const char* name) : turn_(CreateMutexA(nullptr, FALSE, name)) {
  const DWORD waited = turn_ ? WaitForSingleObject(turn_, 240000) : WAIT_FAILED;
  // A test that ended without giving its turn back has still ended.
  held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

MachineTurn::~MachineTurn() {
  if (held_) ReleaseMutex(turn_);
  if (turn_) CloseHandle(turn_);
}

bool DebugOutputHeld() {
  HANDLE ready = OpenEventA(SYNCHRONIZE, FALSE, "DBWIN_BUFFER_READY");
  if (!ready) return false;
  CloseHandle(ready);
  return true;
}

}  // namespace ploxen::system_test
