// The system's font dialog for screen fonts with effects.
#pragma once

#include <windows.h>

namespace fw {

// Starts from font and, when the user chose one, puts it there and its
// point size in tenths. False when the user cancelled.
bool ChooseScreenFont(HWND owner, LOGFONTA& font, int& pointSizeTenths);

}  // namespace fw
