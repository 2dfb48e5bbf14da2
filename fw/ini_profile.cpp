#include "fw/ini_profile.h"

#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "storage/settings.h"

namespace fw {
namespace {

// Longer values are not ours; reading stops growing the buffer here.
constexpr DWORD kValueLimit = 1u << 20;

// The platform trims blanks around a stored value and drops one pair of
// quotes around it, so a search term such as " Fehler" or "'a'" would come
// back changed. Quoted once more, it comes back as written; every other value
// is stored unchanged, as before.
std::string StoredText(std::string_view value) {
  if (value.empty()) return {};
  auto changedOnReading = [](char c) { return c == ' ' || c == '\t' || c == '"' || c == '\''; };
  if (!changedOnReading(value.front()) && !changedOnReading(value.back())) {
    return std::string(value);
  }
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted += '"';
  quoted += value;
  quoted += '"';
  return quoted;
}

}  // namespace

int IniProfile::GetInt(std::string_view section, std::string_view key, int fallback) const {
  return ploxen::ParseProfileInt(GetString(section, key, ""), fallback);
}

std::string IniProfile::GetString(std::string_view section, std::string_view key,
                                  std::string_view fallback) const {
  const std::string s(section), k(key), d(fallback);
  std::vector<char> buffer(256);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetPrivateProfileStringA(s.c_str(), k.c_str(), d.c_str(), buffer.data(),
                                                  size, path_.c_str());
    // A value that filled the buffer may have been cut: read again, larger.
    if (length + 1 < size || size >= kValueLimit) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

void IniProfile::WriteInt(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniProfile::WriteString(std::string_view section, std::string_view key,
                             std::string_view value) {
  PrepareFolder();
  const std::string s(section), k(key), text = StoredText(value);
  WritePrivateProfileStringA(s.c_str(), k.c_str(), text.c_str(), path_.c_str());
}

void IniProfile::DeleteKey(std::string_view section, std::string_view key) {
  const std::string s(section), k(key);
  WritePrivateProfileStringA(s.c_str(), k.c_str(), nullptr, path_.c_str());
}

void IniProfile::PrepareFolder() {
  if (folderPrepared_) return;
  folderPrepared_ = true;
  // Only the last level: an existing folder or one that cannot be made shows
  // up as a failed write, which the profile never reports anyway.
  const std::string folder = ploxen::ProfileFolder(path_);
  if (!folder.empty()) CreateDirectoryA(folder.c_str(), nullptr);
}

std::string DefaultProfilePath() {
  std::string env;
  const DWORD needed = GetEnvironmentVariableA("PLOXEN_INI", nullptr, 0);
  if (needed > 0) {
    std::vector<char> buffer(needed);
    const DWORD length = GetEnvironmentVariableA("PLOXEN_INI", buffer.data(), needed);
    if (length < needed) env.assign(buffer.data(), length);
  }

  char appData[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
    appData[0] = '\0';
  }
  return ploxen::ProfilePath(env, appData);
}

}  // namespace fw
