// What each parameter page shows and hands back: plain records that the main
// window fills before the sheet runs and reads after OK.
#pragma once

#include <string>
#include <vector>

#include "search/view_rules.h"

namespace ploxen {

struct GeneralValues {  // "Allgemeine Daten"
  int topmost = 0;
  unsigned rowLimit = 0;
  std::string saveFile;
  int fontSize = 0;
  std::string fontName;
  int dbWin32 = 0;
  int ploxen = 1;
  int systemWeit = 0;
  std::string systemWeitState;  // which names the road reads now, shown beside its switch
};

struct MessageValues {  // "Meldungen": the nine category switches
  int destruktor = 0;
  int dll = 0;
  int exception = 0;
  int konstruktor = 0;
  int meldungen = 0;
  int prozesse = 0;
  int startEnde = 0;
  int threads = 0;
  int trace = 0;
};

struct SearchValues {  // "Suchen"
  int caseSensitive = 0;
  std::vector<std::string> terms;  // changed only by deleting on the page
};

struct RemoteValues {  // "Remote Debug"
  unsigned interval = 0;
  int remote = 0;
};

struct FilterValues {  // "Filter": the view's rules in order
  std::vector<ViewRule> rules;
};

struct SystemInfoValues {  // "Information": shown, never taken back
  std::string user;
  std::string computerName;
  std::string ipAddresses;
  std::string officialHostName;
};

}  // namespace ploxen
