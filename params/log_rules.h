// The rules of the log file's settings: what the page "Protokoll" refuses,
// and the log a run writes, from PROTOKOLL and the command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "storage/log_writer.h"
#include "storage/settings.h"

namespace ploxen {

constexpr std::size_t kLogFileMaxChars = 259;

// What the platform says of a folder the log is to go into.
enum class FolderAccess { kWritable, kMissing, kNotWritable };

// A name without a folder lives beside the profile (besideFolder, the
// profile's own folder, may be empty: the current one).
std::string LogFilePath(std::string_view datei, std::string_view besideFolder);
// The folder part of a path, without its last separator; "" for none.
std::string LogFolder(std::string_view path);
// .bin or .log in any case: the names "Öffnen" reads.
bool BinaryFileName(std::string_view path);

// The refusal of the file's edit, or none. The folder is asked about only
// while the log is on (access is the answer for LogFolder of the path).
std::optional<std::string> LogFileRefusal(std::string_view text, bool on, bool binary, FolderAccess access);

// The log a run writes.
struct LogInForce {
  bool on = false;
  std::string path;
  LogRotation rotation;
  LogFormat format = LogFormat::kText;
  std::size_t backlogBytes = LogWriter::kBacklogMax;
  bool operator==(const LogInForce& o) const {
    return on == o.on && path == o.path && rotation.maxBytes == o.rotation.maxBytes &&
           rotation.daily == o.rotation.daily && rotation.keep == o.rotation.keep && format == o.format &&
           backlogBytes == o.backlogBytes;
  }
};
// By PROTOKOLL, unless the command line named a file for this run
// (commandLineFile): then the log is on, into that file, in the binary
// format for a .bin or .log name and as text for any other; the rotation
// stays PROTOKOLL's. At least 16 KB wait while the file fails.
LogInForce LogToApply(const LogSettings& settings, const std::optional<std::string>& commandLineFile,
                      std::string_view besideFolder);

}  // namespace ploxen
