#include "fw/file_dialog.h"

#include <commdlg.h>

namespace fw {

std::optional<std::string> ChooseFile(HWND owner, FileDialog kind, const char* filter,
                                      const std::string& initialName, bool askOverwrite) {
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
  if (!chosen) return std::nullopt;
  return std::string(path);
}

}  // namespace fw
