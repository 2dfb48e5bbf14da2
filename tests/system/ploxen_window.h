// What a user sees of the main window, read from outside the process.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace ploxen::system_test {

constexpr char kTitle[] = "PLOXEN - Meldungssystem";

// A profile of the test's own, named by PLOXEN_INI for the program it starts.
class TestProfile {
 public:
  explicit TestProfile(const std::string& name);
  ~TestProfile();
  const std::string& Path() const { return path_; }
  void Write(const char* section, const char* key, const std::string& value) const;
  std::string Read(const char* section, const char* key) const;
  bool Exists() const;

 private:
  std::string path_;
};

// Copy-data to a window; false when it did not answer in time.
bool SendLine(HWND target, ULONG_PTR kind, const void* data, DWORD size, DWORD timeoutMs = 10000);
bool SendLine(HWND target, ULONG_PTR kind, const std::string& text);

int ListRowCount(HWND main);
// The text of one cell as the list hands it to other programs.
std::string ListRowText(HWND main, int row, int column);
// A top-level window of the process with that class, shown or not.
HWND ProcessWindowOfClass(DWORD processId, const char* className);
std::string StatusPaneText(HWND main, int pane);
// The parts the status bar has now: a pane left out is not among them.
int StatusPaneCount(HWND main);
// A pane's tool tip, as the tip window would show it with the mouse on the pane.
std::string StatusPaneToolTip(HWND main, int pane);
bool ButtonEnabled(HWND main, int id);
// Waits until the window was destroyed.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 10000);
// Waits until the list shows the number of rows.
bool WaitForRows(HWND main, int rows, DWORD timeoutMs = 10000);
// A message box of the process with that text, or null after the timeout.
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 10000);
// A visible dialog of the process with this title (the parameter sheet, a
// file dialog); nullptr when none came within the time.
HWND WaitForDialog(DWORD processId, const std::string& title, DWORD timeoutMs = 10000);
std::string MessageBoxText(HWND box);
// The main window still answers messages.
bool Responsive(HWND main);
// Some program holds PLOXEN's mailslot.
bool MailslotExists();

// Clicks a button or menu command as the user would (posted, so a dialog it
// opens does not hold the caller).
void Click(HWND window, int id);
// The file-name field of the platform's file dialog, and its text.
HWND FileNameField(HWND dialog);
std::string FieldText(HWND field);
// Opens the file dialog by the command, fills in the path, confirms it and
// waits until the command is done: the name the dialog offered at first, or
// none when it did not take it.
std::optional<std::string> RunFileDialog(DWORD processId, HWND main, int command, const std::string& path);
constexpr int kSaveButton = 1002;

// Saves what the screen shows of a window as a BMP file.
bool SaveWindowShot(HWND window, const std::string& path);

}  // namespace ploxen::system_test
