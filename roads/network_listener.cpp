// Winsock before windows.h, which would bring the old socket header.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>

#include "roads/network_listener.h"

#include <windows.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <string>

#include "fw/platform.h"
#include "net/connection_table.h"
#include "net/stream_framer.h"

namespace ploxen {

namespace {

constexpr std::size_t kDatagramMax = 65536;
constexpr int kStreamChunk = 16 * 1024;  // bounds the lines one read can leave waiting
// A line takes two bytes at least, so one read of a connection kept open
// never meets the waiting lines' bound (nor their 4 MB: each line's text is
// at most its bytes and a header of a few dozen).
static_assert(kStreamChunk / 2 + 1 < WaitingLines::kLinesMax, "a read must fit the waiting lines");
constexpr int kDatagramsPerRound = 1024;  // then the other sockets get their turn
constexpr int kAcceptsPerRound = 128;
constexpr int kReadsPerConnection = 8;
constexpr int kIdleWaitMs = 500;       // the wake socket ends a wait at once; this is a fallback
constexpr int kBackPressureWaitMs = 5;  // while TCP lines wait for room in the queue
constexpr int kReceiveBuffer = 4 * 1024 * 1024;

constexpr std::int64_t kFileTimeEpochMs = 11644473600000LL;  // 1601 to 1970

// The local time of an instant by the zone's rules at that instant (summer
// time in summer even when it is winter now).
std::int64_t ZoneLocalMs(std::int64_t utcMs) {
  if (utcMs < -kFileTimeEpochMs) return utcMs;
  ULARGE_INTEGER value;
  value.QuadPart = static_cast<ULONGLONG>(utcMs + kFileTimeEpochMs) * 10000ULL;
  FILETIME file{value.LowPart, value.HighPart};
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&file, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
      !SystemTimeToFileTime(&local, &file))
    return utcMs;
  value.LowPart = file.dwLowDateTime;
  value.HighPart = file.dwHighDateTime;
  return static_cast<std::int64_t>(value.QuadPart / 10000ULL) - kFileTimeEpochMs;
}

// The zone is asked once per quarter hour of the messages' time (every
// offset and every change of it falls on a quarter hour) and at most once a
// second, so a change of the zone shows soon: asking costs several
// microseconds under Wine, as much as the rest of a line.
std::int64_t UtcToLocalMs(std::int64_t utcMs) {
  constexpr std::int64_t kQuarterHourMs = 15 * 60 * 1000;
  thread_local std::int64_t cachedQuarter = 0;
  thread_local std::int64_t cachedOffset = 0;
  thread_local ULONGLONG cachedAt = 0;
  const std::int64_t quarter = utcMs / kQuarterHourMs - (utcMs % kQuarterHourMs < 0 ? 1 : 0);
  const ULONGLONG now = GetTickCount64();
  if (cachedAt == 0 || quarter != cachedQuarter || now - cachedAt >= 1000) {
    cachedOffset = ZoneLocalMs(utcMs) - utcMs;
    cachedQuarter = quarter;
    cachedAt = now == 0 ? 1 : now;
  }
  return utcMs + cachedOffset;
}

// The arrival's time of day is all a row shows of it.
std::int64_t LocalMsOfDay() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return ((now.wHour * 60 + now.wMinute) * 60 + now.wSecond) * 1000LL + now.wMilliseconds;
}

std::int64_t NowMs() { return static_cast<std::int64_t>(GetTickCount64()); }

bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }

void SetNonBlocking(SOCKET s) {
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
}

void CloseSocket(SOCKET& s) {
  if (s != INVALID_SOCKET) closesocket(s);
  s = INVALID_SOCKET;
}

// A socket on every IPv4 address of this computer; the sender list decides
// who is heard. Another program's socket on the port is not shared.
SOCKET OpenSocket(int type, int port) {
  SOCKET s = socket(AF_INET, type, type == SOCK_DGRAM ? IPPROTO_UDP : IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  BOOL exclusive = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(static_cast<u_short>(port));
  if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      (type == SOCK_STREAM && listen(s, SOMAXCONN) != 0)) {
    CloseSocket(s);
    return s;
  }
  SetNonBlocking(s);
  if (type == SOCK_DGRAM) {
    // A burst must not overflow while the worker hands lines over.
    int size = kReceiveBuffer;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
    // A datagram that found no one somewhere must not end up as an error here.
    BOOL report = FALSE;
    DWORD returned = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr, nullptr);
  }
  return s;
}

IpAddress PeerAddress(const sockaddr_in& peer) {
  return *IpAddress::FromBytes(IpAddress::Family::kV4, reinterpret_cast<const std::uint8_t*>(&peer.sin_addr), 4);
}

}  // namespace

struct NetworkListener::Connection {
  Connection(SOCKET s, NetworkRoad r, IpAddress p)
      : socket(s), road(r), peer(p),
        framer(r == NetworkRoad::kSyslog ? StreamFramer::Mode::kSyslog : StreamFramer::Mode::kLines) {}
  SOCKET socket;
  NetworkRoad road;
  IpAddress peer;
  StreamFramer framer;
};

struct NetworkListener::State {
  struct RoadSockets {
    Road applied;
    SOCKET udp = INVALID_SOCKET;
    SOCKET tcp = INVALID_SOCKET;
  };

  std::optional<fw::Winsock> winsock;
  RoadSockets roads[2];
  SOCKET wake = INVALID_SOCKET;
  sockaddr_in wakeAddress{};
  std::vector<std::unique_ptr<Connection>> connections;
  ConnectionTable table;
  WaitingLines waiting;  // TCP lines the queue had no room for yet
  std::deque<LineRecord> datagrams;  // one round's UDP lines, handed over together
  bool intakeClosed = false;
  std::vector<char> buffer = std::vector<char>(kDatagramMax);
  std::vector<char> closing = std::vector<char>(kReadsPerConnection * kStreamChunk);  // a closing connection's rest
  // The round's wait: the wake socket and the roads' sockets first (`fixed`
  // of them), then the connections read this round.
  std::vector<WSAPOLLFD> polled;
  std::size_t fixed = 0;
  int datagramsLastRound = 0;

  RoadSockets& Of(NetworkRoad road) { return roads[road == NetworkRoad::kRemote ? 0 : 1]; }
  bool AnySocket() const {
    for (const RoadSockets& r : roads)
      if (r.udp != INVALID_SOCKET || r.tcp != INVALID_SOCKET) return true;
    return false;
  }
};

NetworkListener::NetworkListener(MessageIntake& intake)
    : intake_(intake), taker_(SenderList{}, UtcToLocalMs), state_(std::make_unique<State>()) {}

NetworkListener::~NetworkListener() {
  Stop();
  CloseSocket(state_->wake);
  state_->winsock.reset();
}

void NetworkListener::SetSenders(const SenderList& senders) {
  std::lock_guard<std::mutex> lock(sendersMutex_);
  newSenders_ = senders;
}

std::vector<ClosedPort> NetworkListener::Apply(Road remote, Road syslog, const SenderList& senders) {
  StopWorker();
  taker_.SetSenders(senders);
  {
    std::lock_guard<std::mutex> lock(sendersMutex_);
    newSenders_.reset();
  }
  State& s = *state_;
  if (!s.winsock && (remote.on || syslog.on)) s.winsock.emplace();
  std::vector<ClosedPort> closed;
  const std::pair<NetworkRoad, Road> wanted[] = {{NetworkRoad::kRemote, remote}, {NetworkRoad::kSyslog, syslog}};
  for (const auto& [road, want] : wanted) {
    State::RoadSockets& sockets = s.Of(road);
    if (sockets.applied == want) continue;
    CloseSocket(sockets.udp);
    CloseSocket(sockets.tcp);
    for (auto& c : s.connections) {
      if (c->road != road) continue;
      s.table.Remove(c->socket);
      CloseSocket(c->socket);
    }
    s.connections.erase(std::remove_if(s.connections.begin(), s.connections.end(),
                                       [](const auto& c) { return c->socket == INVALID_SOCKET; }),
                        s.connections.end());
    sockets.applied = want;
    if (!want.on) continue;
    if (s.winsock->Started()) {
      sockets.udp = OpenSocket(SOCK_DGRAM, want.port);
      sockets.tcp = OpenSocket(SOCK_STREAM, want.port);
    }
    if (sockets.udp == INVALID_SOCKET || sockets.tcp == INVALID_SOCKET)
      closed.push_back(ClosedPort{road, want.port, sockets.udp == INVALID_SOCKET, sockets.tcp == INVALID_SOCKET});
  }
  if (s.AnySocket()) StartWorker();
  return closed;
}

void NetworkListener::StartWorker() {
  State& s = *state_;
  if (s.wake == INVALID_SOCKET) {
    s.wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    s.wakeAddress.sin_family = AF_INET;
    s.wakeAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof s.wakeAddress;
    if (s.wake == INVALID_SOCKET || bind(s.wake, reinterpret_cast<const sockaddr*>(&s.wakeAddress), size) != 0 ||
        getsockname(s.wake, reinterpret_cast<sockaddr*>(&s.wakeAddress), &size) != 0)
      CloseSocket(s.wake);  // the worker then ends by its wait's timeout
    else
      SetNonBlocking(s.wake);
  }
  stop_ = false;
  worker_ = std::thread([this] { Run(); });
}

void NetworkListener::StopWorker() {
  if (!worker_.joinable()) return;
  stop_ = true;
  State& s = *state_;
  if (s.wake != INVALID_SOCKET) {
    const char byte = 0;
    sendto(s.wake, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&s.wakeAddress), sizeof s.wakeAddress);
  }
  worker_.join();
}

void NetworkListener::Run() {
  // Short work per wake-up, and a UDP buffer that overflows while it waits
  // for the processor loses lines.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  State& s = *state_;
  s.datagramsLastRound = 0;
  while (!stop_) {
    const int ready = WaitForSockets(!HandOverWaiting());
    if (stop_) break;
    TakeNewSenders();
    for (SOCKET silent : s.table.TakeSilent(NowMs())) CloseConnection(silent, false);
    if (ready <= 0) continue;
    for (std::size_t i = 0; i < s.fixed; ++i)
      if (s.polled[i].revents & (POLLRDNORM | POLLERR | POLLHUP)) ServeRoadSocket(s.polled[i].fd);
    ReadConnections();
  }
  // Whatever waits now has no room to go to: it is counted, not dropped unseen.
  if (!HandOverWaiting()) {
    taker_.CountQueueFull(s.waiting.Size());
    s.waiting.Clear();
  }
}

// The TCP lines waiting go first; false while the queue is still full.
bool NetworkListener::HandOverWaiting() {
  State& s = *state_;
  if (!s.waiting.Empty() && !s.intakeClosed) {
    const MessageIntake::TryResult result = intake_.TryQueueFront(s.waiting.Lines());
    s.waiting.Settle();
    if (result == MessageIntake::TryResult::kFull) return false;
    if (result == MessageIntake::TryResult::kClosed) s.intakeClosed = true;
  }
  s.waiting.Clear();
  return true;
}

// Under back-pressure the connections are not waited for: their senders
// wait with their lines in their own buffers. Returns what WSAPoll returns.
int NetworkListener::WaitForSockets(bool backPressure) {
  State& s = *state_;
  s.polled.clear();
  auto add = [&s](SOCKET socket) {
    if (socket != INVALID_SOCKET) s.polled.push_back(WSAPOLLFD{socket, POLLRDNORM, 0});
  };
  add(s.wake);
  for (const State::RoadSockets& r : s.roads) {
    add(r.udp);
    add(r.tcp);
  }
  s.fixed = s.polled.size();
  if (!backPressure) {
    for (auto& c : s.connections) add(c->socket);
  }
  int waitMs = backPressure ? kBackPressureWaitMs : kIdleWaitMs;
  if (const auto untilSilent = s.table.MsUntilSilent(NowMs()))
    waitMs = static_cast<int>(std::min<std::int64_t>(waitMs, *untilSilent + 1));
  // While datagrams keep coming, a moment's pause lets several gather,
  // which one wait and one round then take: under Wine a wait costs far
  // more than the reads it saves.
  if (s.datagramsLastRound > 0) Sleep(1);
  s.datagramsLastRound = 0;
  const int ready = s.polled.empty() ? (Sleep(static_cast<DWORD>(waitMs)), 0)
                                     : WSAPoll(s.polled.data(), static_cast<ULONG>(s.polled.size()), waitMs);
  if (ready < 0) Sleep(static_cast<DWORD>(waitMs));  // never seen; it must not spin
  return ready;
}

// Looked at after every wait, so a line that came during one already meets
// the list the user set meanwhile.
void NetworkListener::TakeNewSenders() {
  std::lock_guard<std::mutex> lock(sendersMutex_);
  if (newSenders_) {
    taker_.SetSenders(*newSenders_);
    newSenders_.reset();
  }
}

void NetworkListener::ServeRoadSocket(SOCKET socket) {
  State& s = *state_;
  if (socket == s.wake) {
    while (recv(s.wake, s.buffer.data(), 1, 0) >= 0) {
    }
    return;
  }
  const NetworkRoad road =
      socket == s.roads[0].udp || socket == s.roads[0].tcp ? NetworkRoad::kRemote : NetworkRoad::kSyslog;
  if (socket == s.Of(road).udp)
    ReadDatagrams(socket, road);
  else
    AcceptConnections(socket, road);
}

// The round's lines go together; those the queue has no room for are lost as
// datagrams are, and counted.
void NetworkListener::ReadDatagrams(SOCKET socket, NetworkRoad road) {
  State& s = *state_;
  for (int n = 0; n < kDatagramsPerRound; ++n) {
    sockaddr_in peer{};
    int peerSize = sizeof peer;
    const int got = recvfrom(socket, s.buffer.data(), static_cast<int>(s.buffer.size()), 0,
                             reinterpret_cast<sockaddr*>(&peer), &peerSize);
    if (got < 0) {
      if (WouldBlock()) break;
      continue;  // one bad datagram (too big, reset) says nothing about the next
    }
    ++s.datagramsLastRound;
    if (peer.sin_family != AF_INET) continue;
    const std::int64_t arrival = road == NetworkRoad::kSyslog ? LocalMsOfDay() : 0;
    std::optional<LineRecord> line = taker_.Take(
        road, PeerAddress(peer), std::string_view(s.buffer.data(), static_cast<std::size_t>(got)), false, arrival);
    if (line && !s.intakeClosed) s.datagrams.push_back(std::move(*line));
  }
  if (!s.datagrams.empty() && intake_.TryQueueFront(s.datagrams) == MessageIntake::TryResult::kClosed) {
    s.intakeClosed = true;
    s.datagrams.clear();
  }
  taker_.CountQueueFull(s.datagrams.size());
  s.datagrams.clear();
}

void NetworkListener::AcceptConnections(SOCKET listening, NetworkRoad road) {
  State& s = *state_;
  for (int n = 0; n < kAcceptsPerRound; ++n) {
    sockaddr_in peer{};
    int peerSize = sizeof peer;
    SOCKET accepted = accept(listening, reinterpret_cast<sockaddr*>(&peer), &peerSize);
    if (accepted == INVALID_SOCKET) {
      if (WouldBlock()) break;
      continue;  // one that was reset before it was taken
    }
    // A sender not allowed holds no place a sender allowed could need.
    if (peer.sin_family != AF_INET || !taker_.Allows(PeerAddress(peer))) {
      taker_.CountRefused();
      closesocket(accepted);
      continue;
    }
    SetNonBlocking(accepted);
    if (const auto pushedOut = s.table.Add(accepted, NowMs())) CloseConnection(*pushedOut, false);
    s.connections.push_back(std::make_unique<Connection>(accepted, road, PeerAddress(peer)));
  }
}

// The connections that have bytes, in order, until the queue is full: then
// the others wait with their lines unread, in their senders' buffers.
void NetworkListener::ReadConnections() {
  State& s = *state_;
  for (std::size_t i = s.fixed; i < s.polled.size() && s.waiting.Empty(); ++i) {
    if (!(s.polled[i].revents & (POLLRDNORM | POLLERR | POLLHUP))) continue;
    // Looked up again: the accepts above may have pushed it out.
    const auto found = std::find_if(s.connections.begin(), s.connections.end(),
                                    [&](const auto& c) { return c->socket == s.polled[i].fd; });
    if (found != s.connections.end()) ReadConnection(**found);
  }
}

void NetworkListener::ReadConnection(Connection& c) {
  State& s = *state_;
  bool ended = false, broken = false;
  for (int n = 0; n < kReadsPerConnection && s.waiting.Empty(); ++n) {
    const int got = recv(c.socket, s.buffer.data(), kStreamChunk, 0);
    if (got == 0 || (got < 0 && !WouldBlock())) {
      ended = true;
      broken = got < 0;
      break;
    }
    if (got < 0) break;
    s.table.Heard(c.socket, NowMs());
    Feed(c, std::string_view(s.buffer.data(), static_cast<std::size_t>(got)), LocalMsOfDay(), false);
    HandOverWaiting();
  }
  if (ended) CloseConnection(c.socket, !broken);
}

void NetworkListener::Feed(Connection& c, std::string_view bytes, std::int64_t arrival, bool closing) {
  State& s = *state_;
  c.framer.Feed(bytes, [&](std::string_view frame, bool cut) {
    if (closing) {
      taker_.TakeClosing(s.waiting, c.road, c.peer, frame, cut, arrival);
    } else if (std::optional<LineRecord> line = taker_.Take(c.road, c.peer, frame, cut, arrival)) {
      if (!s.waiting.Push(std::move(*line))) taker_.CountQueueFull();
    }
  });
  if (const std::uint64_t passedOver = c.framer.TakePassedOver()) taker_.CountWrongFormat(passedOver);
}

// Closed by us (pushed out, silent): what it sent that is here already is
// taken, as far as the waiting lines have room, and an unfinished line is
// shown as far as it came and counted, since its end will never come.
void NetworkListener::CloseConnection(SOCKET socket, bool finished) {
  State& s = *state_;
  const auto it = std::find_if(s.connections.begin(), s.connections.end(),
                               [socket](const auto& c) { return c->socket == socket; });
  if (it == s.connections.end()) return;
  Connection& c = **it;
  const std::int64_t arrival = LocalMsOfDay();
  // What it sent, as far as one connection's reads would go, in as few
  // reads as the buffer allows: under Wine each read costs far more than
  // the bytes it copies, and a sender that keeps opening connections
  // pushes out one with every new one.
  for (std::size_t left = s.closing.size(); !finished && left > 0;) {
    const int got = recv(c.socket, s.closing.data(), static_cast<int>(left), 0);
    if (got <= 0) break;
    left -= static_cast<std::size_t>(got);
    Feed(c, std::string_view(s.closing.data(), static_cast<std::size_t>(got)), arrival, true);
  }
  c.framer.Finish([&](std::string_view frame, bool cut) {
    taker_.TakeClosing(s.waiting, c.road, c.peer, frame, cut || !finished, arrival);
  });
  s.table.Remove(c.socket);
  CloseSocket(c.socket);
  s.connections.erase(it);
}

}  // namespace ploxen
