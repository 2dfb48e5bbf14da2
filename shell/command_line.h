// The switches of the command line; what is left names a program to watch.
#pragma once

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

}  // namespace ploxen
