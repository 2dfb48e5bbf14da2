// The page "Protokoll": the log file of every row (PROTOKOLL).
#pragma once

#include <windows.h>

#include "fw/property_sheet.h"
#include "storage/settings.h"

namespace ploxen {

class CPageProtokoll : public fw::PropertyPage {
 public:
  explicit CPageProtokoll(LogSettings& log);

 protected:
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void OnBrowse();

  LogSettings& log_;
};

}  // namespace ploxen
