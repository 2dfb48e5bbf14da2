// The registration switch of the command line.
#pragma once

#include <string>
#include <string_view>

namespace ploxen {

// Finds "-name" or "/name" anywhere (case-sensitive, no word boundary) and
// removes the first one from the command line. False, and the line
// unchanged, when there is none.
bool MatchSwitch(std::string& commandLine, std::string_view name);

}  // namespace ploxen
