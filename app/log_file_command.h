// "Datei" > "Protokolldatei öffnen": the file the log writes into now.
#pragma once

#include <windows.h>

#include "core/intake.h"
#include "roads/log_file.h"
#include "view/message_list_model.h"

namespace ploxen {

// Text: opened by the program the system associates with it. Binary: read
// into the list as "Öffnen" reads a file. True when the list was read anew.
bool OpenCurrentLogFile(HWND owner, const LogFile& log, MessageListModel& model, MessageIntake& intake);

}  // namespace ploxen
