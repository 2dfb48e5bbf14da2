#include "roads/roads.h"

namespace ploxen {

namespace {
constexpr char kClassName[] = "PLOXEN_Roads";
constexpr char kCaption[] = "PLOXEN";
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kTimerHandOver = 1;
constexpr UINT_PTR kTimerRemote = 2;
// A tick that read messages is likely in the middle of a burst: the mailslot
// is looked at again this soon, not only after the whole interval.
constexpr UINT_PTR kTimerRemoteBurst = 3;
constexpr UINT kRemoteBurstMs = 10;
}  // namespace

Roads::Roads(MessageIntake& intake, Host& host)
    : intake_(intake),
      host_(host),
      handOver_(intake, *this),
      dbWin32_([this](const IncomingLine& line) { intake_.AddMessage(line.kind, line.text.c_str(), line.source); }),
      receiver_(remoteActive_, mailslot_, *this),
      monitor_(intake),
      systemWide_(intake),
      networkIn_(intake),
      files_(intake) {
  intake_.ObserveRows(&forwarder_);
  intake_.ObserveRows(&log_);
}

Roads::~Roads() {
  Close();
  intake_.StopObserving(&log_);
  intake_.StopObserving(&forwarder_);
}

void Roads::Open(HWND owner) {
  owner_ = owner;
  RegisterHiddenWindowClass(kClassName, 0);
  Create(kClassName, kClassName, 0, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
}

void Roads::SetDbWin32(bool on) {
  dbWin32_.Destroy();
  if (on) dbWin32_.CreateHidden(owner_);
}

void Roads::SetSystemWide(bool on) {
  systemWide_.Stop();
  systemWideStart_ = CaptureBegun::kCapturing;
  if (!on) return;
  // The switch stays on: the next start tries again. The user learns why
  // nothing comes.
  systemWideStart_ = systemWide_.Start();
  const std::string refused = CaptureRefusedText(systemWideStart_, systemWide_.StartError());
  if (!refused.empty())
    Tell(refused, systemWideStart_ == CaptureBegun::kFailed ? MB_ICONWARNING : MB_ICONINFORMATION);
}

std::string Roads::SystemWideStateText() const {
  return SystemWideState(systemWide_.Running(), systemWide_.Global(), systemWideStart_);
}

void Roads::SetRemote(bool on, int intervalMs, bool anew) {
  remoteActive_ = on ? 1 : 0;
  if (!anew) return;
  KillTimer(hwnd_, kTimerRemote);
  KillTimer(hwnd_, kTimerRemoteBurst);
  // The mailslot itself is made by the first tick.
  receiver_.Close();
  if (on) SetTimer(hwnd_, kTimerRemote, static_cast<UINT>(intervalMs), nullptr);
}

void Roads::ApplyNetwork(const NetworkSettings& now, const NetworkChange& change) {
  if (change.forwarding) {
    forwarder_.Stop();
    if (now.weiterleiten)
      forwarder_.Start(now.ziel, now.zielProtokoll != kProtocolUdp);
    else
      forwarder_.DropWaiting();
  }
  if (!change.roads && !change.senders) return;
  // A list the page would refuse (a hand-edited profile) is this computer only.
  SenderList::Parsed senders = SenderList::Parse(now.absender);
  if (!senders.list) senders.list = SenderList{};
  if (change.senders) {
    networkIn_.SetSenders(*senders.list);
    return;
  }
  const NetworkListener::Road remote{now.fernmeldungen != 0, now.fernPort};
  const NetworkListener::Road syslog{now.syslog != 0, now.syslogPort};
  const std::string notice = ClosedPortsNotice(networkIn_.Apply(remote, syslog, *senders.list));
  if (!notice.empty()) Tell(notice, MB_ICONINFORMATION);
}

void Roads::ApplyLog(const LogInForce& log) {
  log_.Stop();
  if (log.on) log_.Start(log.path, log.rotation, log.format, log.backlogBytes);
}

LostLines Roads::Lost() const {
  LostLines lost = networkIn_.Lost();
  lost.mailslot = receiver_.Lost();
  lost.systemWide = systemWide_.Lost();
  lost.forwarding = forwarder_.Lost();
  lost.followedFiles = files_.Lost();
  lost.logFile = log_.Lost();
  return lost;
}

void Roads::Close() {
  // A child still running goes on without the monitor; no line of it
  // reaches the list once the window is going.
  intake_.CloseQueue();
  // Its worker waits for nothing, so this ends within one of its waits.
  networkIn_.Stop();
  files_.Stop();
  monitor_.Stop();
  systemWide_.Stop();
  forwarder_.Stop();
  log_.Stop();
  receiver_.Close();
  dbWin32_.Destroy();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);  // its timers with it
  hwnd_ = nullptr;
}

void Roads::PostWake() { PostMessageA(hwnd_, kWakeMessage, 0, 0); }

void Roads::StartTicks() { SetTimer(hwnd_, kTimerHandOver, HandOver::kTickMs, nullptr); }

void Roads::StopTicks() { KillTimer(hwnd_, kTimerHandOver); }

void Roads::AddMessage(MessageKind kind, const char* text, MessageSource source) {
  intake_.AddMessage(kind, text, source);
}

void Roads::ShowNotice(RemoteNotice notice) { Tell(RemoteNoticeText(notice), 0); }

void Roads::Tell(const std::string& text, UINT icon) { MessageBoxA(owner_, text.c_str(), kCaption, MB_OK | icon); }

bool Roads::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
  if (msg != kWakeMessage) return false;
  handOver_.Woken();
  result = 0;
  return true;
}

bool Roads::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimerHandOver:
      handOver_.Tick();
      return true;
    case kTimerRemote:
    case kTimerRemoteBurst:
      PollMailslot(id);
      return true;
    default:
      return false;
  }
}

void Roads::PollMailslot(UINT_PTR timer) {
  if (timer == kTimerRemoteBurst) KillTimer(hwnd_, kTimerRemoteBurst);
  if (receiver_.Tick() > 0) {
    SetTimer(hwnd_, kTimerRemoteBurst, kRemoteBurstMs, nullptr);
  } else if (timer == kTimerRemoteBurst) {
    host_.RemoteBurstEnded();
  }
}

}  // namespace ploxen
