// The profile as one INI file, through the platform's private-profile
// functions (code page 1252 text, byte for byte).
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "storage/profile.h"

namespace fw {

class IniProfile : public ploxen::Profile {
 public:
  // The file need not exist; its folder is created before the first write.
  explicit IniProfile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  int GetInt(std::string_view section, std::string_view key, int fallback) const override;
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view fallback) const override;
  void WriteInt(std::string_view section, std::string_view key, int value) override;
  void WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  void DeleteKey(std::string_view section, std::string_view key) override;

 private:
  void PrepareFolder();

  std::string path_;
  bool folderPrepared_ = false;
};

// PLOXEN_INI when set, otherwise PLOXEN\PLOXEN.INI in the user's
// application-data folder.
std::string DefaultProfilePath();

}  // namespace fw
