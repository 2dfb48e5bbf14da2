#include "roads/dbwin32_listener.h"

namespace ploxen {

namespace {
constexpr char kName[] = "DBWin32";
}

DBWin32Listener::DBWin32Listener(Receiver receiver, Clock clock)
    : lines_(std::move(clock)), receiver_(std::move(receiver)) {}

DBWin32Listener::~DBWin32Listener() { Destroy(); }

BOOL DBWin32Listener::CreateHidden(HWND owner) {
  lines_.Restart();
  // A second creation in one run finds the class registered and uses it.
  RegisterHiddenWindowClass(kName, CS_HREDRAW | CS_VREDRAW);
  return Create(kName, kName, 0, 0, 0, 0, 100, 100, owner, nullptr) ? TRUE : FALSE;
}

void DBWin32Listener::Destroy() {
  if (Exists()) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

bool DBWin32Listener::OnCopyData(HWND, const COPYDATASTRUCT* data) {
  const IncomingLine line = data ? lines_.Line(data->lpData, data->cbData) : lines_.Line(nullptr, 0);
  if (receiver_) receiver_(line);
  return true;
}

}  // namespace ploxen
