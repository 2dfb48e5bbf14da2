// The registry entries that let clients find the automation object "Ploxen"
// by name: written below the current user's classes key, so that a user
// without administrator rights can register it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ploxen {

constexpr char kAutomationProgId[] = "Ploxen";
constexpr char kAutomationClassId[] = "{93BCE300-17F5-11D3-80A4-000029071233}";
constexpr char kAutomationInterfaceId[] = "{93BCE302-17F5-11D3-80A4-000029071233}";
constexpr char kClassesKey[] = "Software\\Classes";
// The switch the server's registered command line carries.
constexpr char kAutomationSwitch[] = "/Automation";

struct RegistryEntry {
  std::string key;        // below the classes key
  std::string valueName;  // empty: the key's default value
  std::string value;
};

// For a server program at serverPath under that identifier and class.
std::vector<RegistryEntry> AutomationRegistryEntries(std::string_view serverPath,
                                                     std::string_view progId = kAutomationProgId,
                                                     std::string_view classId = kAutomationClassId);

}  // namespace ploxen
