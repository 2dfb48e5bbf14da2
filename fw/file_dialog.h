// The system's file dialogs for opening and saving, owned by a window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace fw {

enum class FileDialog { kOpen, kSave };

// filter: pairs of NUL-ended texts ("Name (*.x)\0*.x\0...\0"), or null
// for none. Hides the read-only box and, unless told not to, asks before
// overwriting; no default extension. The chosen full path, or nothing when
// the user cancelled. A dialog that fails on the initial name is shown again
// without it.
std::optional<std::string> ChooseFile(HWND owner, FileDialog kind, const char* filter,
                                      const std::string& initialName = {}, bool askOverwrite = true);

}  // namespace fw
