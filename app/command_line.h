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
// "/Automation" (any case) as a word of its own: true, and the word is
// removed with the blanks around it, so that it is never taken for a program.
bool TakeAutomationSwitch(std::string& commandLine);

}  // namespace ploxen
