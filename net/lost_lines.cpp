#include "net/lost_lines.h"

namespace ploxen {

std::string LostLinesPaneText(const LostLines& lost) {
  const std::uint64_t total = lost.Total();
  if (total == 0) return {};
  return "Verlorene Zeilen: " + std::to_string(total);
}

std::string LostLinesToolTip(const LostLines& lost) {
  auto part = [](const char* name, std::uint64_t count) { return std::string(name) + " " + std::to_string(count); };
  return "Verlorene Zeilen: " + part("Warteschlange voll", lost.queueFull) + ", " +
         part("Mailslot", lost.mailslot) + ", " + part("Fernmeldungen \xFC" "ber Netzwerk", lost.remoteNetwork) +
         ", " + part("Syslog", lost.syslog) + ", " + part("falsches Format", lost.wrongFormat) + ", " +
         part("nicht erlaubte Absender", lost.refusedSenders) + ", " +
         part("Weiterleitung", lost.forwarding) + ", " + part("systemweit", lost.systemWide) + ", " +
         part("Protokolldatei", lost.logFile) + ", " + part("Datei verfolgen", lost.followedFiles);
}

}  // namespace ploxen
