#include "fw/file_dialog.h"

#include <commdlg.h>

#include "storage/file_commands.h"

namespace fw {

namespace {

std::optional<std::string> RunDialog(HWND owner, FileDialog kind, const char* filter, const std::string& initialName,
                                     bool askOverwrite, std::uint32_t& error) {
  char path[MAX_PATH] = {};
  lstrcpynA(path, initialName.c_str(), MAX_PATH);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_HIDEREADONLY | (askOverwrite ? OFN_OVERWRITEPROMPT : 0);
  const BOOL chosen = kind == FileDialog::kSave ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  error = chosen ? 0 : CommDlgExtendedError();
  if (!chosen) return std::nullopt;
  return std::string(path);
}

}  // namespace

std::optional<std::string> ChooseFile(HWND owner, FileDialog kind, const char* filter,
                                      const std::string& initialName, bool askOverwrite) {
  return ploxen::ChooseFileName(initialName, [&](const std::string& name, std::uint32_t& error) {
    return RunDialog(owner, kind, filter, name, askOverwrite, error);
  });
}

}  // namespace fw
