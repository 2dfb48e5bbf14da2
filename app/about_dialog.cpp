#include "app/about_dialog.h"

#include <string>
#include <vector>

#include "fw/controls.h"
#include "res/resource.h"

namespace ploxen {

namespace {

// "1,2,3,4" from the version resource of the running file; empty without one.
std::string FileVersion() {
  char path[513] = {};
  GetModuleFileNameA(nullptr, path, 512);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path, 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return {};
  char text[64];
  wsprintfA(text, "%d,%d,%d,%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  return text;
}

}  // namespace

bool CInfoDlg::OnInit() {
  fw::Control(Item(IDC_VERSION)).SetText(FileVersion());
  return true;
}

}  // namespace ploxen
