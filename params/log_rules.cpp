#include "params/log_rules.h"

namespace ploxen {

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
  if (text.size() < end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i)
    if (Lower(text[text.size() - end.size() + i]) != end[i]) return false;
  return true;
}
}  // namespace

std::string LogFilePath(std::string_view datei, std::string_view besideFolder) {
  if (datei.find_first_of("\\/:") != std::string_view::npos || besideFolder.empty()) return std::string(datei);
  std::string path(besideFolder);
  if (path.back() != '\\' && path.back() != '/') path += '\\';
  path += datei;
  return path;
}

std::string LogFolder(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  if (slash == std::string_view::npos) return {};
  // "C:\x.txt": the drive's root keeps its separator.
  if (slash == 2 && path[1] == ':') return std::string(path.substr(0, 3));
  if (slash == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, slash));
}

bool BinaryFileName(std::string_view path) {
  return EndsWithIgnoringCase(path, ".bin") || EndsWithIgnoringCase(path, ".log");
}

std::optional<std::string> LogFileRefusal(std::string_view text, bool on, bool binary, FolderAccess access) {
  if (!on) return std::nullopt;
  if (text.empty() || text.back() == '\\' || text.back() == '/')
    return std::string("Bitte einen Namen f\xFCr die Protokolldatei eingeben.");
  if (binary && !BinaryFileName(text))
    return std::string(
        "Eine bin\xE4re Protokolldatei muss auf .bin oder .log enden, damit \"\xD6" "ffnen\" sie lesen kann.");
  const std::string folder = LogFolder(text);
  const std::string named = folder.empty() ? std::string("des Profils") : "\"" + folder + "\"";
  if (access == FolderAccess::kMissing)
    return "Den Ordner " + named + " gibt es nicht. Bitte einen vorhandenen Ordner f\xFCr die Protokolldatei angeben.";
  if (access == FolderAccess::kNotWritable)
    return "In den Ordner " + named +
           " darf PLOXEN nicht schreiben. Bitte einen anderen Ordner f\xFCr die Protokolldatei angeben.";
  return std::nullopt;
}

LogInForce LogToApply(const LogSettings& settings, const std::optional<std::string>& commandLineFile,
                      std::string_view besideFolder) {
  LogInForce log;
  log.rotation.maxBytes = static_cast<std::uint64_t>(settings.groesseMb > 0 ? settings.groesseMb : 0) << 20;
  log.rotation.daily = settings.taeglich != 0;
  log.rotation.keep = settings.dateien > 0 ? settings.dateien : 0;
  log.backlogBytes = static_cast<std::size_t>(settings.pufferKb > 16 ? settings.pufferKb : 16) << 10;
  if (commandLineFile && !commandLineFile->empty()) {
    log.on = true;
    log.path = LogFilePath(*commandLineFile, besideFolder);
    log.format = BinaryFileName(*commandLineFile) ? LogFormat::kBinary : LogFormat::kText;
    return log;
  }
  log.on = settings.ein != 0 || commandLineFile.has_value();
  log.path = LogFilePath(settings.datei, besideFolder);
  log.format = settings.format != 0 ? LogFormat::kBinary : LogFormat::kText;
  return log;
}

}  // namespace ploxen
