// Strings of the program's string table.
#pragma once

#include <string>

namespace fw {

// False when the table has no (non-empty) string with that id.
bool FindString(unsigned id, std::string& text);
// The string, or an empty one.
std::string String(unsigned id);

}  // namespace fw
