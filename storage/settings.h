// The settings that outlive a run: one record of every value, the profile
// keys it is read from and written to, and the search terms beside it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/intake.h"
#include "search/term_history.h"
#include "search/view_rules.h"
#include "storage/profile.h"

namespace ploxen {

namespace keys {
constexpr std::string_view kSectionPosition = "POSITION";
constexpr std::string_view kX0 = "X0";
constexpr std::string_view kY0 = "Y0";
constexpr std::string_view kX1 = "X1";
constexpr std::string_view kY1 = "Y1";
constexpr std::string_view kShow = "SHOW";
constexpr std::string_view kTopmost = "TOPMOST";

constexpr std::string_view kSectionDatei = "DATEI";
constexpr std::string_view kSaveDatei = "SAVEDATEI";

constexpr std::string_view kSectionListbox = "LISTBOX";
constexpr std::string_view kMaxCount = "MAXCOUNT";
constexpr std::string_view kDestruktor = "DESTRUKTOR";
constexpr std::string_view kKonstruktor = "KONSTRUKTOR";
constexpr std::string_view kMeldungen = "MELDUNGEN";
constexpr std::string_view kStartEnde = "STARTENDE";
constexpr std::string_view kBTrace = "B_TRACE";
constexpr std::string_view kBDll = "B_DLL";
constexpr std::string_view kBException = "B_EXCEPTION";
constexpr std::string_view kBThread = "B_THREAD";
constexpr std::string_view kBProcess = "B_PROCESS";

constexpr std::string_view kSectionAllgemein = "ALLGEMEIN";
constexpr std::string_view kErsterAufruf = "ERSTER_AUFRUF";
constexpr std::string_view kFernDebug = "FERNDEBUG";
constexpr std::string_view kIntervall = "INTERVALL";
constexpr std::string_view kFontSize = "FONTSIZE";
constexpr std::string_view kFontName = "FONTNAME";
constexpr std::string_view kCaseSensitiv = "CASESENSITIV";
constexpr std::string_view kPloxen = "PLOXEN";
constexpr std::string_view kDbWin32 = "DBWIN32";
constexpr std::string_view kSystemWeit = "SYSTEMWEIT";
constexpr std::string_view kFolgen = "FOLGEN";
constexpr std::string_view kGrenze = "GRENZE";

constexpr std::string_view kSectionSuchen = "SUCHEN";
constexpr std::string_view kAnzahl = "ANZAHL";
// The term keys are "STRING_%d" with the term's index: see SearchTermKey.

constexpr std::string_view kSectionNetz = "NETZ";
constexpr std::string_view kFernmeldungen = "FERNMELDUNGEN";
constexpr std::string_view kSyslog = "SYSLOG";
constexpr std::string_view kFernPort = "FERNPORT";
constexpr std::string_view kSyslogPort = "SYSLOGPORT";
constexpr std::string_view kAbsender = "ABSENDER";
constexpr std::string_view kWeiterleiten = "WEITERLEITEN";
constexpr std::string_view kZiel = "ZIEL";
constexpr std::string_view kZielProtokoll = "ZIELPROTOKOLL";
// FILTER, the view's rules, is a list: see storage/view_rules_profile.h.

constexpr std::string_view kSectionProtokoll = "PROTOKOLL";
constexpr std::string_view kProtokollEin = "EIN";
constexpr std::string_view kProtokollDatei = "DATEI";
constexpr std::string_view kProtokollFormat = "FORMAT";
constexpr std::string_view kProtokollGroesse = "GROESSE";
constexpr std::string_view kProtokollTaeglich = "TAEGLICH";
constexpr std::string_view kProtokollBehalten = "BEHALTEN";
constexpr std::string_view kProtokollPuffer = "PUFFER";
constexpr std::string_view kSectionDateien = "DATEIEN";
// ANZAHL, then "DATEI1" ... "DATEIn": see FollowedFileKey.
constexpr std::string_view kZeilen = "ZEILEN";
}  // namespace keys

// A damaged ANZAHL (say 2000000000) would otherwise keep start-up and exit
// busy reading and deleting keys that do not exist; no user keeps this many.
constexpr int kSearchTermCountMax = 10000;

constexpr std::string_view kDefaultSaveFile = "PLOXEN.BIN";
constexpr std::string_view kDefaultFontName = "MS Sans Serif";
constexpr int kDefaultRemotePort = 2014;
constexpr int kDefaultSyslogPort = 514;
constexpr std::string_view kProtocolTcp = "TCP";
constexpr std::string_view kProtocolUdp = "UDP";

// The window's normal (restored) rectangle in screen pixels and its show
// command (1 normal, 2 minimised, 3 maximised).
struct Placement {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
  int show = 1;
};

// The network roads and the forwarding (section NETZ). The switches are read
// as 0 or 1; ports are 1-65535.
struct NetworkSettings {
  int fernmeldungen = 0;
  int syslog = 0;
  int fernPort = kDefaultRemotePort;
  int syslogPort = kDefaultSyslogPort;
  std::string absender;  // empty: this computer only
  int weiterleiten = 0;
  std::string ziel;      // host:port, [v6]:port
  // TCP by default: forwarding promises every row, which only TCP can keep.
  std::string zielProtokoll{kProtocolTcp};

  bool operator==(const NetworkSettings& o) const {
    return fernmeldungen == o.fernmeldungen && syslog == o.syslog && fernPort == o.fernPort &&
           syslogPort == o.syslogPort && absender == o.absender && weiterleiten == o.weiterleiten &&
           ziel == o.ziel && zielProtokoll == o.zielProtokoll;
  }
};

// The largest size in MB, number of files and KB of memory the log takes.
constexpr int kLogCountMax = 100000;

// The log file (section PROTOKOLL). A name without a folder lives beside
// the profile.
struct LogSettings {
  int ein = 0;
  std::string datei{"PLOXEN-Protokoll.txt"};
  int format = 0;      // 0 text, 1 the list's binary file
  int groesseMb = 10;  // a new file beyond this size; 0: no limit
  int taeglich = 1;    // a new file each day
  int dateien = 10;    // files kept; 0: all
  // KB of rows kept in memory while the file cannot be written; not on
  // the page (a slow share may want more).
  int pufferKb = 4096;

  bool operator==(const LogSettings& o) const {
    return ein == o.ein && datei == o.datei && format == o.format && groesseMb == o.groesseMb &&
           taeglich == o.taeglich && dateien == o.dateien && pufferKb == o.pufferKb;
  }
  bool operator!=(const LogSettings& o) const { return !(*this == o); }
};

// The files "Datei verfolgen" follows (section DATEIEN), as the user chose
// them (code page 1252, as the platform's names come), and how many of the
// last lines of a file already there are shown at its start.
constexpr int kFollowedFilesMax = 100;
constexpr int kLastLinesMax = 100000;
struct FollowedFilesSettings {
  std::vector<std::string> dateien;
  int zeilen = 1000;

  bool operator==(const FollowedFilesSettings& o) const { return dateien == o.dateien && zeilen == o.zeilen; }
  bool operator!=(const FollowedFilesSettings& o) const { return !(*this == o); }
};

// Every value that outlives a run; a default-made record holds every default
// but the position's, which comes from the screen. Switches are 0 for off,
// anything else for on, and are written back as held (NETZ's excepted).
struct Settings {
  Placement position;  // X0, Y0, X1, Y1, SHOW
  int topmost = 1;
  std::string saveDatei{kDefaultSaveFile};
  IntakeSwitches intake;  // MAXCOUNT, GRENZE, the nine category switches, PLOXEN, DBWIN32, SYSTEMWEIT
  int ersterAufruf = 1;
  int fernDebug = 0;     // what the user chose; this is what is saved
  int intervall = 250;
  int fontSize = 8;  // -1: the list has no font of its own
  std::string fontName{kDefaultFontName};
  int caseSensitiv = 0;
  int folgen = 0;  // FOLGEN: the list follows the newest line
  NetworkSettings network;
  LogSettings log;  // PROTOKOLL
  FollowedFilesSettings followedFiles;
  // FILTER, in order; those the view switched off for giving up are off here.
  std::vector<ViewRule> rules;
};

// A 480 x 150 strip in the bottom-right corner of the screen.
Placement DefaultPlacement(int screenW, int screenH);
// A top-left corner 50 pixels or less from the right or bottom edge, or
// beyond it, would leave the window out of reach: it becomes a 280 x 150 strip
// in the bottom-right corner. Nothing else is corrected.
Placement ReachablePlacement(Placement placement, int screenW, int screenH);

// Every key of the table (settings.cpp) or its default, with the position
// check, and the view's rules. The main window calls LoadSearchHistory right
// afterwards to fill its search-term box.
Settings LoadSettings(const Profile& profile, int screenW, int screenH);

// What a close writes: every key of the table but NETZ's; the position comes
// from the window, ERSTER_AUFRUF is always 0, and the search terms are
// replaced by the box's items in the box's order. The view's rules follow
// with WriteViewRules.
void SaveSettings(Profile& profile, const Settings& settings, const Placement& fromWindow,
                  const std::vector<std::string>& comboItemsInOrder);

// NETZ alone, by the same table. The section is the network page's: only its
// OK writes it, never a close, so a section edited by hand stays as it was
// until the user confirms the page. A hand-edited value the page would refuse
// for a port or the protocol reads as the default; the sender list and the
// target are read as written and checked where they are used.
NetworkSettings LoadNetworkSettings(const Profile& profile);
void SaveNetworkSettings(const NetworkSettings& settings, Profile& profile);

// DATEIEN alone, written where the user changes it (the page's OK, the menu
// item "Datei verfolgen ..."), never by a close. Empty names and one named
// twice are skipped; no more than kFollowedFilesMax; ZEILEN outside 0 ...
// kLastLinesMax reads as the default. Keys of an earlier, longer list are
// removed.
FollowedFilesSettings LoadFollowedFiles(const Profile& profile);
void SaveFollowedFiles(const FollowedFilesSettings& settings, Profile& profile);
// "DATEI1", "DATEI2", ...
std::string FollowedFileKey(int index);
// The name added, unless the list holds it already (in any case of letters,
// as the platform's names are) or is full: false then.
bool AddFollowedFile(FollowedFilesSettings& settings, const std::string& name);

// kProtocolTcp or kProtocolUdp for the text in any case, blanks and tabs
// around it allowed; none for anything else.
std::optional<std::string_view> ProtocolName(std::string_view text);

// "STRING_0", "STRING_1", ...
std::string SearchTermKey(int index);
// The stored terms in stored order (UTF-8, see ProfileText), empty ones
// skipped, each cut to kSearchTermMax characters. For the search page as well.
std::vector<std::string> ReadSearchTerms(const Profile& profile);
// ANZAHL and STRING_0 ... STRING_(n-1), terms cut to kSearchTermMax and
// kept by ProfileBytes. Keys
// from an earlier, longer list are left; ANZAHL bounds every reader.
void WriteSearchTerms(Profile& profile, const std::vector<std::string>& terms);
// Refills the box from the profile. When ANZAHL is not 0 the remembered term
// index becomes 0 and item 0 is selected; otherwise the index keeps its value.
void LoadSearchHistory(const Profile& profile, SearchTermList& box, int& rememberedTermIndex);
// The box's items in its order, as SaveSettings takes them.
std::vector<std::string> SearchTermItems(const SearchTermList& box);

// Where the profile lives: the PLOXEN_INI value when it is set and not empty,
// otherwise PLOXEN\PLOXEN.INI in the application-data folder. Without either
// it is the bare file name, which the platform looks up in its own folder.
std::string ProfilePath(std::string_view envPloxenIni, std::string_view appDataFolder);
// The folder part of a path ("" for a bare file name), to be created before
// the profile is first written.
std::string ProfileFolder(std::string_view profilePath);

}  // namespace ploxen
