#include "storage/settings_change.h"

namespace ploxen {

namespace {

bool SwitchChanged(int before, int after) { return (before != 0) != (after != 0); }

// A road that stays off does not mind its port.
bool RoadChanged(int onBefore, int portBefore, int onAfter, int portAfter) {
  return SwitchChanged(onBefore, onAfter) || (onAfter != 0 && portBefore != portAfter);
}

}  // namespace

SettingsChange Compare(const Settings& before, const Settings& after) {
  SettingsChange change;
  change.topmost = SwitchChanged(before.topmost, after.topmost);
  // Only a switch that changed touches its road: a new "DBWin32" window
  // starts its time differences again, and the system-wide buffer may be
  // another monitor's by now.
  change.dbWin32 = SwitchChanged(before.intake.dbWin32, after.intake.dbWin32);
  change.systemWide = SwitchChanged(before.intake.systemWeit, after.intake.systemWeit);
  change.remoteTimer = before.intervall != after.intervall || SwitchChanged(before.fernDebug, after.fernDebug);
  change.font = FontChanged(before.fontSize, before.fontName, after.fontSize, after.fontName);
  change.rules = before.rules != after.rules;
  change.followedFiles = before.followedFiles != after.followedFiles;
  change.network = CompareNetwork(before.network, after.network);
  // A log that stays off has nothing to close or begin.
  change.log = before.log != after.log && (before.log.ein != 0 || after.log.ein != 0);
  return change;
}

NetworkChange CompareNetwork(const NetworkSettings& before, const NetworkSettings& after) {
  NetworkChange change;
  change.forwarding = before.weiterleiten != after.weiterleiten || before.ziel != after.ziel ||
                      before.zielProtokoll != after.zielProtokoll;
  change.roads = RoadChanged(before.fernmeldungen, before.fernPort, after.fernmeldungen, after.fernPort) ||
                 RoadChanged(before.syslog, before.syslogPort, after.syslog, after.syslogPort);
  // Roads opened anew take the new list with them.
  change.senders = !change.roads && before.absender != after.absender;
  return change;
}

bool FontChanged(int oldSize, std::string_view oldName, int newSize, std::string_view newName) {
  return oldSize != newSize || oldName != newName;
}

}  // namespace ploxen
