// Lines that a road had to drop, counted per road, for the status bar.
#pragma once

#include <cstdint>
#include <string>

namespace ploxen {

struct LostLines {
  std::uint64_t queueFull = 0;       // the intake's queue was full
  std::uint64_t mailslot = 0;        // mailslot lines not in the remote-line format
  std::uint64_t remoteNetwork = 0;   // network remote lines cut or broken off
  std::uint64_t syslog = 0;          // syslog frames cut or broken off
  std::uint64_t wrongFormat = 0;     // network lines not in their road's format, or passed over by a framer
  std::uint64_t refusedSenders = 0;  // from a sender not in ABSENDER
  std::uint64_t forwarding = 0;      // rows the forwarding queue had no room for
  std::uint64_t systemWide = 0;      // the system-wide road's own count
  std::uint64_t logFile = 0;         // rows the log file could not take
  std::uint64_t followedFiles = 0;   // truncated or rotated away before they were read

  std::uint64_t Total() const {
    return queueFull + mailslot + remoteNetwork + syslog + wrongFormat + refusedSenders + forwarding + systemWide +
           logFile + followedFiles;
  }
  bool operator==(const LostLines& o) const {
    return queueFull == o.queueFull && mailslot == o.mailslot && remoteNetwork == o.remoteNetwork &&
           syslog == o.syslog && wrongFormat == o.wrongFormat && refusedSenders == o.refusedSenders &&
           forwarding == o.forwarding && systemWide == o.systemWide && logFile == o.logFile &&
           followedFiles == o.followedFiles;
  }
};

// "Verlorene Zeilen: 12" for the pane; empty while nothing was lost, so the
// pane can stay hidden.
std::string LostLinesPaneText(const LostLines& lost);
// The tool tip: every road with its count, also those at 0, so the user
// sees where nothing was lost.
std::string LostLinesToolTip(const LostLines& lost);

}  // namespace ploxen
