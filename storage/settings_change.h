// What the running program must do when its settings go from one record to
// another: the parameter sheet's OK compares the record before with the one
// the user left, and the main window applies the answer in one place.
#pragma once

#include <string_view>

#include "storage/settings.h"

namespace ploxen {

// The network roads and the forwarding, as NETZ changed.
struct NetworkChange {
  bool roads = false;       // a road's switch, or the port of a road that is on: its sockets anew
  bool senders = false;     // only the sender list: the running roads take it as they are
  bool forwarding = false;  // its switch, target or protocol: the forwarder starts anew
};

// Each field names one thing to do; values that need nothing done (the row
// limit, the categories, case in "Suchen", the save file) are read where they
// are used. Switches count as on or off, so 1 -> 5 changes nothing.
struct SettingsChange {
  bool topmost = false;      // the window in front of others, or not any more
  bool dbWin32 = false;      // the hidden "DBWin32" window made or gone
  bool systemWide = false;   // the system-wide road started or stopped
  bool remoteTimer = false;  // the mailslot closed, its timer started anew at the new interval
  bool font = false;         // the list made again in the new font
  bool rules = false;        // the rows filtered again by the new rules
  bool followedFiles = false;  // the files followed, or the last lines of those new to the list
  NetworkChange network;
  bool log = false;          // the log file closed, and begun anew as PROTOKOLL says
};

SettingsChange Compare(const Settings& before, const Settings& after);
NetworkChange CompareNetwork(const NetworkSettings& before, const NetworkSettings& after);

// The list font is made again when the size differs, or the name by any byte
// (a difference in case is a change).
bool FontChanged(int oldSize, std::string_view oldName, int newSize, std::string_view newName);

}  // namespace ploxen
