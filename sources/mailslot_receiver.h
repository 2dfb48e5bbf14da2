// The remote road: on every tick of the main window's poll timer, the
// mailslot is opened or closed to match the remote-active flag, every waiting
// message is read, and each remote line that is not a repeat goes to the
// entry point. The platform's mailslot and the main window are interfaces,
// so that all of it is decided here, apart from any window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/message_kind.h"
#include "net/remote_line.h"

namespace ploxen {

struct MailslotInfo {
  static constexpr std::uint32_t kNoMessage = 0xFFFFFFFF;
  std::uint32_t nextSize = kNoMessage;
  std::uint32_t count = 0;
};

// The receiving end of one mailslot.
class MailslotPort {
 public:
  virtual ~MailslotPort() = default;
  // False when it cannot be had, for example while another program holds the name.
  virtual bool Create() = 0;
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;
  // None when the query failed.
  virtual std::optional<MailslotInfo> Query() = 0;
  // One whole message into the buffer; none when the read failed. Called
  // only for a message the query reported, with its size.
  virtual std::optional<std::size_t> Read(char* buffer, std::size_t size) = 0;
};

// What the user is told, each in a message box with an OK button.
enum class RemoteNotice {
  kUnavailable,  // string 107: the mailslot cannot be created
  kQueryFailed,  // "Fehler: GetMailslotInfo"
  kReadFailed,   // "Fehler: ReadFile"
  kBadFormat,    // "Falsches Format gelesen"
};

// The receiver's side of the main window.
class RemoteWindow {
 public:
  virtual ~RemoteWindow() = default;
  virtual void AddMessage(MessageKind kind, const char* text, MessageSource source) = 0;
  // Returns when the box was closed; timer messages arrive in the meantime.
  virtual void ShowNotice(RemoteNotice notice) = 0;
};

class MailslotReceiver {
 public:
  enum class Drain { kClosed, kDone, kQueryFailed, kReadFailed };

  // remoteActive is the main window's flag: on while remote mode runs,
  // cleared here when the mailslot cannot be created or queried.
  MailslotReceiver(int& remoteActive, MailslotPort& port, RemoteWindow& window);
  MailslotReceiver(const MailslotReceiver&) = delete;
  MailslotReceiver& operator=(const MailslotReceiver&) = delete;

  // One tick of the poll timer. A tick that arrives while an earlier one is
  // still running (under a message box it opened, the row-limit question or
  // the Save dialog) does nothing: the messages wait in the mailslot for the
  // next tick, and a lasting failure is not reported again and again.
  // Returns the number of messages read: a tick that read some is likely in
  // the middle of a burst.
  std::size_t Tick();

  // Opens the mailslot when the flag is on and it is closed, closes it when
  // the flag is off and it is open.
  void UpdateMailslot();
  // Every waiting message, in arrival order, each its bytes up to the first
  // NUL. On a failure, lines holds the messages read before it.
  Drain DrainMailslot(std::vector<std::string>& lines);

  // Closes the mailslot; a tick still running under a box hands on nothing more.
  void Close();

  std::int32_t LastSequence() const { return sequence_.Last(); }
  // Lines read but not shown, other than repeats: those not in the format
  // (each also told in a box), and those still waiting when the mailslot was
  // closed under a box.
  std::uint64_t Lost() const { return lost_; }

 private:
  void HandleLine(const std::string& message);

  int& remoteActive_;
  MailslotPort& port_;
  RemoteWindow& window_;
  RemoteSequence sequence_;
  bool ticking_ = false;
  bool closed_ = false;
  bool readFailureShown_ = false;
  std::uint64_t lost_ = 0;
};

}  // namespace ploxen
