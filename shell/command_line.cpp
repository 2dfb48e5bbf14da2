#include "shell/command_line.h"

#include <cctype>

namespace ploxen {

bool MatchSwitch(std::string& commandLine, std::string_view name) {
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    if (commandLine[i] != '-' && commandLine[i] != '/') continue;
    if (std::string_view(commandLine).substr(i + 1, name.size()) == name) {
      commandLine.erase(i, name.size() + 1);
      return true;
    }
  }
  return false;
}

namespace {
bool SameWordIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}
}  // namespace

std::optional<std::string> TakeLogSwitch(std::string& commandLine) {
  constexpr std::string_view kName = "protokoll";
  std::size_t at = commandLine.find_first_not_of(" \t");
  if (at == std::string::npos || (commandLine[at] != '/' && commandLine[at] != '-')) return std::nullopt;
  std::size_t end = commandLine.find_first_of(" \t", at);
  if (end == std::string::npos) end = commandLine.size();
  if (!SameWordIgnoringCase(std::string_view(commandLine).substr(at + 1, end - at - 1), kName)) return std::nullopt;
  at = commandLine.find_first_not_of(" \t", end);
  std::string file;
  if (at != std::string::npos && commandLine[at] == '"') {
    end = commandLine.find('"', at + 1);
    file = commandLine.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    end = end == std::string::npos ? commandLine.size() : end + 1;
  } else if (at != std::string::npos) {
    end = commandLine.find_first_of(" \t", at);
    if (end == std::string::npos) end = commandLine.size();
    file = commandLine.substr(at, end - at);
  } else {
    end = commandLine.size();
  }
  const std::size_t rest = commandLine.find_first_not_of(" \t", end);
  commandLine = rest == std::string::npos ? std::string() : commandLine.substr(rest);
  return file;
}

bool TakeAutomationSwitch(std::string& commandLine) {
  bool taken = false;
  std::size_t start = 0;
  while ((start = commandLine.find_first_not_of(' ', start)) != std::string::npos) {
    std::size_t end = commandLine.find(' ', start);
    if (end == std::string::npos) end = commandLine.size();
    const std::string_view word = std::string_view(commandLine).substr(start, end - start);
    if (word.size() > 1 && (word[0] == '-' || word[0] == '/') &&
        (SameWordIgnoringCase(word.substr(1), "Embedding") || SameWordIgnoringCase(word.substr(1), "Automation"))) {
      commandLine.erase(start, end - start);
      taken = true;
    } else {
      start = end;
    }
  }
  if (taken) {
    const std::size_t first = commandLine.find_first_not_of(' ');
    const std::size_t last = commandLine.find_last_not_of(' ');
    commandLine = first == std::string::npos ? std::string() : commandLine.substr(first, last - first + 1);
  }
  return taken;
}

}  // namespace ploxen
