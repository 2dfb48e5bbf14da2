// The switches of the command line; what is left names a program to watch.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ploxen {

// Finds "-name" or "/name" anywhere (case-sensitive, no word boundary) and
// removes the first one from the command line. False, and the line
// unchanged, when there is none.
bool MatchSwitch(std::string& commandLine, std::string_view name);

// The automation runtime starts the program with "-Embedding" or
// "/Automation" (any case, each a word of its own, the registered one and
// the one the runtime adds): true, and they are removed with the blanks
// around the rest, so that they are never taken for a program.
bool TakeAutomationSwitch(std::string& commandLine);

// "/protokoll FILE" (or "-protokoll", any case) at the start of the command
// line, FILE in double quotes when it holds blanks: the file, and the switch
// with its file is removed with the blanks after it, so that the rest still
// names the program to watch. The switch without a file gives an empty
// name. None when the line does not start with the switch.
std::optional<std::string> TakeLogSwitch(std::string& commandLine);

}  // namespace ploxen
