// Every road in and the road out, as the main window holds them: the
// "DBWin32" window, the mailslot and its polling, the debugged program, the
// system-wide road, the network roads and the forwarding; the one hand-over
// from their worker threads to the intake's thread; the lost-line counts;
// and the order in which they start and stop. Each road hands its lines to
// the intake itself. Copy-data to the main window, the automation object's
// lines and the user's remark are the window's own and go to the intake
// directly.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/hand_over.h"
#include "core/intake.h"
#include "fw/window.h"
#include "net/lost_lines.h"
#include "net/network_settings.h"
#include "params/log_rules.h"
#include "roads/dbwin32_listener.h"
#include "roads/debug_monitor.h"
#include "roads/file_follower.h"
#include "roads/log_file.h"
#include "roads/network_listener.h"
#include "roads/syslog_forwarder.h"
#include "roads/system_wide_listener.h"
#include "roads/win32_mailslot.h"
#include "sources/mailslot_receiver.h"
#include "sources/system_wide_lines.h"
#include "storage/settings_change.h"

namespace ploxen {

class Roads : private fw::Window, private HandOver::Port, private RemoteWindow {
 public:
  // What the roads ask of the window they serve.
  class Host {
   public:
    virtual ~Host() = default;
    // A burst of remote lines is over: the list shows its rest now, not
    // after a quiet spell.
    virtual void RemoteBurstEnded() = 0;
  };

  Roads(MessageIntake& intake, Host& host);
  ~Roads() override;
  Roads(const Roads&) = delete;
  Roads& operator=(const Roads&) = delete;

  // The roads' own message-only window, which takes the hand-over and polls
  // the mailslot; owner is the window that the notices and the "DBWin32"
  // window belong to. Before any road starts.
  void Open(HWND owner);
  // Each road as the settings ask, on or off; called again only for a
  // change (a new "DBWin32" window starts its time differences again).
  void SetDbWin32(bool on);
  // A start that does not come to reading is told; the switch stays on.
  void SetSystemWide(bool on);
  // The mailslot is polled every intervalMs while on. Anew: the mailslot is
  // closed and its polling started again; otherwise only a mailslot that
  // failed is tried again at the next tick.
  void SetRemote(bool on, int intervalMs, bool anew);
  // The network roads and the forwarding, each part started anew only as the
  // change says. Ports that cannot be had are told once.
  void ApplyNetwork(const NetworkSettings& now, const NetworkChange& change);
  // "Datei verfolgen": the files followed from now on, each new one from its
  // last lastLines lines.
  void FollowFiles(const std::vector<std::string>& names, int lastLines) { files_.Follow(names, lastLines); }
  // Once per run: the program named on the command line, debugged.
  void StartDebugMonitor(const std::string& commandLine) { monitor_.Start(commandLine); }
  // What the parameter page says of the system-wide road.
  std::string SystemWideStateText() const;
  // The log file of every row, as PROTOKOLL (or the command line) says: on
  // into path, or off; started anew for each call.
  void ApplyLog(const LogInForce& log);
  const LogFile& Log() const { return log_; }
  // Every road's dropped lines, for the status bar.
  LostLines Lost() const;
  // The window goes: the queue closes first, so that no worker waits for it
  // again, then the network roads, the debugged program's worker, the
  // system-wide road, the forwarding and the mailslot.
  void Close();

 private:
  // HandOver::Port: a message and a timer of the roads' window.
  void PostWake() override;
  void StartTicks() override;
  void StopTicks() override;
  // RemoteWindow: the mailslot's lines and notices.
  void AddMessage(MessageKind kind, const char* text, MessageSource source) override;
  void ShowNotice(RemoteNotice notice) override;
  bool OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void PollMailslot(UINT_PTR timer);
  void Tell(const std::string& text, UINT icon);

  MessageIntake& intake_;
  Host& host_;
  HWND owner_ = nullptr;
  SyslogForwarder forwarder_;  // told of every row by the intake
  LogFile log_;                // and so is the log file
  HandOver handOver_;
  DBWin32Listener dbWin32_;
  Win32Mailslot mailslot_;
  int remoteActive_ = 0;  // cleared by the receiver when the mailslot cannot be used
  MailslotReceiver receiver_;
  DebugMonitor monitor_;
  SystemWideListener systemWide_;
  CaptureBegun systemWideStart_ = CaptureBegun::kCapturing;  // how the last start went
  NetworkListener networkIn_;
  FileFollower files_;
};

}  // namespace ploxen
