// The list's file commands in the main window: "Speichern", "Angezeigte
// Zeilen speichern" and "Öffnen", each from the system's file dialog.
#pragma once

#include <windows.h>

#include <string>

#include "core/intake.h"
#include "view/message_list_model.h"

namespace ploxen {

// Every row; true when a file was written. lastPath is the name the dialog
// offers, and then the file saved.
bool SaveRows(HWND owner, const MessageRows& rows, std::string& lastPath);
// Only the rows the rules show, each with its own colours.
void SaveShownRows(HWND owner, const MessageListModel& model, const std::string& lastPath);
// A file read into the list in place of its rows; false when the user
// chose none.
bool OpenRows(HWND owner, MessageListModel& model, MessageIntake& intake);

}  // namespace ploxen
