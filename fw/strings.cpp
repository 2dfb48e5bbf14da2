#include "fw/strings.h"

#include <windows.h>

#include "fw/window.h"

namespace fw {

bool FindString(unsigned id, std::string& text) {
  char buffer[1024];
  const int n = LoadStringA(Instance(), id, buffer, sizeof buffer);
  if (n <= 0) return false;
  text.assign(buffer, static_cast<std::size_t>(n));
  return true;
}

std::string String(unsigned id) {
  std::string text;
  FindString(id, text);
  return text;
}

}  // namespace fw
