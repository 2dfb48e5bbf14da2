#include "sources/automation_registry.h"

namespace ploxen {

std::vector<RegistryEntry> AutomationRegistryEntries(std::string_view serverPath, std::string_view progId,
                                                     std::string_view classId) {
  const std::string id(progId), clsid(classId), classKey = "CLSID\\" + clsid;
  // Quoted, so that a path with blanks still names the program.
  const std::string server = "\"" + std::string(serverPath) + "\" " + kAutomationSwitch;
  // The dispatch interface travels between processes by the platform's
  // standard dispatch marshaller.
  const std::string interfaceKey = std::string("Interface\\") + kAutomationInterfaceId;
  return {
      {id, "", id},
      {id + "\\CLSID", "", clsid},
      {classKey, "", id},
      {classKey + "\\ProgID", "", id},
      {classKey + "\\LocalServer32", "", server},
      {interfaceKey, "", "I" + id},
      {interfaceKey + "\\ProxyStubClsid32", "", "{00020420-0000-0000-C000-000000000046}"},
  };
}

}  // namespace ploxen
