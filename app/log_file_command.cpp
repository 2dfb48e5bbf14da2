#include "app/log_file_command.h"

#include <shellapi.h>

#include "app/message_box.h"
#include "fw/file.h"
#include "fw/strings.h"
#include "params/log_rules.h"
#include "res/resource.h"
#include "storage/file_commands.h"

namespace ploxen {

bool OpenCurrentLogFile(HWND owner, const LogFile& log, MessageListModel& model, MessageIntake& intake) {
  const std::string path = log.CurrentFile();
  if (path.empty()) {
    Tell(owner, fw::String(IDS_NO_LOG_FILE), MB_OK | MB_ICONINFORMATION);
    return false;
  }
  if (log.Format() == LogFormat::kBinary) {
    fw::FileAccess files(owner);
    OpenList(path, model, intake, files);
    return true;
  }
  // Above 32 is success; the system itself tells of a file it has no program for.
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32 && result != SE_ERR_NOASSOC)
    Tell(owner, fw::ErrorText(static_cast<DWORD>(result)), MB_OK | MB_ICONWARNING);
  return false;
}

}  // namespace ploxen
