#include "app/command_line.h"

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

}  // namespace ploxen
