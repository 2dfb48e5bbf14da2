// The hidden "DBWin32" window for senders that look for a receiver of that
// name. It exists only while its road is switched on; each new window starts
// its time differences again.
#pragma once

#include <windows.h>

#include <functional>

#include "fw/window.h"
#include "sources/copy_data.h"

namespace ploxen {

class DBWin32Listener : public fw::Window {
 public:
  using Receiver = std::function<void(const IncomingLine&)>;

  explicit DBWin32Listener(Receiver receiver, Clock clock = LocalTimeOfDay);
  ~DBWin32Listener() override;

  // Owned by the main window, never shown. A failure is not reported: the
  // program then runs without this road.
  BOOL CreateHidden(HWND owner);
  void Destroy();
  bool Exists() const { return hwnd_ && IsWindow(hwnd_); }

 protected:
  bool OnCopyData(HWND from, const COPYDATASTRUCT* data) override;

 private:
  ListenerLines lines_;
  Receiver receiver_;
};

}  // namespace ploxen
