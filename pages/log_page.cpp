#include "pages/log_page.h"

#include <string>

#include "fw/file_dialog.h"
#include "fw/ini_profile.h"
#include "params/log_rules.h"
#include "res/resource.h"

namespace ploxen {

namespace {

// Whether the log's folder is there and takes a file: a file is made and
// deleted again, as the writer itself would make one.
FolderAccess AccessOf(const std::string& path) {
  std::string folder = LogFolder(path);
  if (folder.empty()) folder = ".";
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderAccess::kMissing;
  // Not GetTempFileName: it reports a number also when no file could be made.
  const std::string probe =
      folder + (folder.back() == '\\' ? "" : "\\") + "~PLOXEN" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount()) + ".tmp";
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FolderAccess::kNotWritable;
  CloseHandle(file);
  return FolderAccess::kWritable;
}

}  // namespace

// The switches first: the file's rule reads them, stored before it.
CPageProtokoll::CPageProtokoll(LogSettings& log) : PropertyPage(IDD_PAGE_PROTOKOLL), log_(log) {
  exchange_.Check(IDC_LOG_ON, log.ein);
  exchange_.Check(IDC_LOG_BINARY, log.format);
  exchange_.Text(IDC_LOG_FILE, log.datei, kLogFileMaxChars, [this](std::string_view text) {
    const bool on = log_.ein != 0;
    const std::string path = LogFilePath(text, ProfileFolder(fw::DefaultProfilePath()));
    return LogFileRefusal(text, on, log_.format != 0, on ? AccessOf(path) : FolderAccess::kWritable);
  });
  exchange_.Unsigned(IDC_LOG_SIZE, log.groesseMb, 0, kLogCountMax);
  exchange_.Check(IDC_LOG_DAILY, log.taeglich);
  exchange_.Unsigned(IDC_LOG_KEEP, log.dateien, 0, kLogCountMax);
}

bool CPageProtokoll::OnCommand(int id, int code, HWND) {
  if (id != IDC_LOG_BROWSE || code != BN_CLICKED) return false;
  OnBrowse();
  return true;
}

void CPageProtokoll::OnBrowse() {
  exchange_.Store(hwnd_);
  const auto path = fw::ChooseFile(hwnd_, fw::FileDialog::kSave, nullptr, log_.datei, false);
  if (!path) return;
  log_.datei = *path;
  exchange_.LoadOne(hwnd_, IDC_LOG_FILE);
}

}  // namespace ploxen
